#include "card/page/CardHeaderModel.hpp"

#include "theme/text/DisplayFormat.hpp"

namespace tessorin {

using Kind = CardSessionStage::Kind;

CardHeaderModel::CardHeaderModel(QObject* parent) : QObject(parent) {}

void CardHeaderModel::setSession(QObject* session) {
  auto* cardSession = qobject_cast<CardSession*>(session);
  if (session_ == cardSession) return;
  if (session_) disconnect(session_, nullptr, this, nullptr);
  session_ = cardSession;
  if (session_) {
    connect(session_, &CardSession::deviceChanged, this, &CardHeaderModel::changed);
    connect(session_, &CardSession::stageChanged, this, &CardHeaderModel::changed);
    connect(session_, &CardSession::outcomeChanged, this, &CardHeaderModel::changed);
    // Deleted under the page: everything reads empty from now on.
    connect(session_, &QObject::destroyed, this, [this] {
      Q_EMIT sessionChanged();
      Q_EMIT changed();
    });
  }
  Q_EMIT sessionChanged();
  Q_EMIT changed();
}

QString CardHeaderModel::volumeName() const {
  return session_ ? QString::fromStdString(session_->device().volumeName) : QString();
}

QString CardHeaderModel::claimText() const {
  if (!session_) return {};
  return tr("Claims %1").arg(DisplayFormat::formatCapacity(session_->device().mediaBytes));
}

bool CardHeaderModel::scanning() const {
  if (!session_) return false;
  const Kind kind = session_->stage().kind;
  return kind == Kind::quick || kind == Kind::full;
}

QString CardHeaderModel::verdict() const {
  if (!session_ || !session_->outcome()) return {};
  return QString::fromUtf8(session_->outcome()->verdict.rawValue());
}

QString CardHeaderModel::kindLabel() const { return session_ ? session_->kindLabel() : QString(); }

QString CardHeaderModel::kindSymbol() const {
  return session_ ? kindSymbol(session_->device().connection.kind) : QString();
}

QString CardHeaderModel::kindSymbol(CardDevice::Connection::Kind connection) {
  return connection == CardDevice::Connection::Kind::builtInReader ? QStringLiteral("sdcard")
                                                                    : QStringLiteral("cable.connector");
}

bool CardHeaderModel::kindIsMenu() const {
  return session_ && session_->device().connection.kind == CardDevice::Connection::Kind::usb;
}

bool CardHeaderModel::kindMenuEnabled() const { return kindIsMenu() && session_->stage().isAtRest(); }

QString CardHeaderModel::fileSystemLabel() const { return session_ ? session_->fileSystemLabel() : QString(); }

QString CardHeaderModel::productName() const {
  if (!session_) return {};
  const auto& registers = session_->device().registers;
  if (!registers || !registers->productName) return {};
  return QString::fromStdString(*registers->productName);
}

qreal CardHeaderModel::usedShare() const { return session_ ? usedShare(session_->device().volume) : 0.0; }

void CardHeaderModel::setPresent(bool present) {
  if (present_ == present) return;
  present_ = present;
  Q_EMIT presentChanged();
  Q_EMIT changed();
}

QString CardHeaderModel::storageCaption() const {
  return session_ ? storageCaption(session_->device().volume) : QString();
}

double CardHeaderModel::usedShare(const VolumeStats& volume) {
  if (volume.totalBytes == 0) return 0.0;
  return static_cast<double>(volume.usedBytes()) / static_cast<double>(volume.totalBytes);
}

QString CardHeaderModel::storageCaption(const VolumeStats& volume) {
  return tr("%1 free of %2")
      .arg(DisplayFormat::byteCountText(volume.availableBytes), DisplayFormat::byteCountText(volume.totalBytes));
}

QString CardHeaderModel::cardInReaderTitle() const { return tr("Memory card in a reader"); }

QString CardHeaderModel::driveTitle() const { return tr("USB drive or SSD"); }

QString CardHeaderModel::kindHelp() const {
  return tr("Through a USB reader Tessorin can’t always tell a memory card from a USB drive. Pick what it is: only "
            "the SD speed markings depend on it.");
}

void CardHeaderModel::chooseKind(bool isDrive) {
  if (session_) session_->chooseDeviceKind(isDrive);
}

}  // namespace tessorin
