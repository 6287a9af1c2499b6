#include "shell/window/CardRowModel.hpp"

#include "theme/text/DisplayFormat.hpp"
#include "theme/Palette.hpp"

namespace tessorin {

CardRowModel::CardRowModel(QObject* parent) : QObject(parent) {}

void CardRowModel::setModel(QObject* model) {
  auto* next = qobject_cast<AppModel*>(model);
  if (next == model_) return;
  if (model_) disconnect(model_, nullptr, this, nullptr);
  model_ = next;
  if (model_) connect(model_, &AppModel::removedChanged, this, &CardRowModel::changed);
  Q_EMIT modelChanged();
  Q_EMIT changed();
}

void CardRowModel::setSession(QObject* session) {
  auto* next = qobject_cast<CardSession*>(session);
  if (next == session_) return;
  if (session_) disconnect(session_, nullptr, this, nullptr);
  session_ = next;
  if (session_) {
    connect(session_, &CardSession::deviceChanged, this, &CardRowModel::changed);
    connect(session_, &CardSession::stageChanged, this, &CardRowModel::changed);
    connect(session_, &CardSession::outcomeChanged, this, &CardRowModel::changed);
    connect(session_, &QObject::destroyed, this, [this] {
      Q_EMIT sessionChanged();
      Q_EMIT changed();
    });
  }
  Q_EMIT sessionChanged();
  Q_EMIT changed();
}

QString CardRowModel::cardId() const { return session_ ? QString::fromStdString(session_->id()) : QString(); }

QString CardRowModel::icon() const { return session_ ? iconFor(session_->device(), session_->isUSBDrive()) : QString(); }

QString CardRowModel::name() const { return session_ ? QString::fromStdString(session_->device().volumeName) : QString(); }

bool CardRowModel::present() const {
  if (!session_) return false;
  return !model_ || model_->isVolumePresent(session_);
}

QString CardRowModel::caption() const { return session_ ? captionFor(session_->device(), present()) : QString(); }

CardRowModel::StatusMark CardRowModel::statusMark() const {
  if (!session_) return {};
  const std::optional<CheckOutcome>& outcome = session_->outcome();
  return markFor(session_->stage(), outcome ? std::optional(outcome->verdict) : std::nullopt);
}

QString CardRowModel::iconFor(const CardDevice& device, bool isUSBDrive) {
  if (isUSBDrive) return QStringLiteral("mediastick");
  if (device.connection.kind == CardDevice::Connection::Kind::diskImage) return QStringLiteral("externaldrive.fill");
  return QStringLiteral("sdcard.fill");
}

QString CardRowModel::captionFor(const CardDevice& device, bool present) {
  return present ? DisplayFormat::formatCapacity(device.mediaBytes) : tr("Removed");
}

QString CardRowModel::verdictSymbol(CheckOutcome::Verdict verdict) { return Palette::sealSymbol(verdict); }

CardRowModel::StatusMark CardRowModel::markFor(const CardSessionStage& stage,
                                               std::optional<CheckOutcome::Verdict> verdict) {
  using Kind = CardSessionStage::Kind;
  switch (stage.kind) {
    case Kind::quick:
    case Kind::full:
      return {Mark::Progress, {}, {}};
    case Kind::decision:
      return {Mark::Symbol, QStringLiteral("exclamationmark.circle.fill"), Palette::red()};
    case Kind::reinsert:
      return {Mark::Symbol, QStringLiteral("eject.circle.fill"), Palette::cyan()};
    case Kind::idle:
    case Kind::erasing:
    case Kind::finished:
      break;
  }
  if (!verdict) return {};
  return {Mark::Symbol, verdictSymbol(*verdict), Palette::verdictColor(*verdict)};
}

}  // namespace tessorin
