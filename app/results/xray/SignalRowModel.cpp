#include "results/xray/SignalRowModel.hpp"

#include "results/xray/XRaySignalWording.hpp"

namespace tessorin {

SignalRowModel::SignalRowModel(QObject* parent) : QObject(parent) {
  connect(&palette_, &Palette::systemColorsChanged, this, &SignalRowModel::symbolColorChanged);
}

void SignalRowModel::setFinding(const QVariant& finding) {
  if (!finding.canConvert<XRaySignalItem>()) return;
  XRaySignal signal = finding.value<XRaySignalItem>().signal;
  if (signal == signal_) return;
  signal_ = std::move(signal);
  Q_EMIT findingChanged();
  Q_EMIT symbolColorChanged();
  updateDeleteButton();
}

void SignalRowModel::setSession(CardSession* session) {
  if (session == session_) return;
  if (session_) disconnect(session_, nullptr, this, nullptr);
  session_ = session;
  if (session_) {
    connect(session_, &CardSession::stageChanged, this, &SignalRowModel::updateDeleteButton);
    // Choosing "USB drive" for a USB device re-announces the device and changes the wording.
    connect(session_, &CardSession::deviceChanged, this, &SignalRowModel::findingChanged);
  }
  Q_EMIT findingChanged();
  Q_EMIT sessionChanged();
  updateDeleteButton();
}

void SignalRowModel::updateDeleteButton() {
  const bool shows = std::holds_alternative<XRaySignal::LeftoverTestFiles>(signal_.kind) && session_ &&
                     session_->stage().isAtRest();
  if (shows == showsDeleteButton_) return;
  showsDeleteButton_ = shows;
  Q_EMIT buttonsChanged();
}

QString SignalRowModel::title() const { return XRaySignalWording::title(signal_, isUSBDrive()); }
QString SignalRowModel::explanation() const {
  return XRaySignalWording::explanation(signal_, isUSBDrive(), !session_ || session_->exFATWouldGiveQuickCheck());
}
bool SignalRowModel::isUSBDrive() const { return session_ && session_->isUSBDrive(); }

QString SignalRowModel::symbol() const {
  switch (signal_.severity) {
    case XRaySignal::Severity::good: return QStringLiteral("checkmark.circle.fill");
    case XRaySignal::Severity::info: return QStringLiteral("info.circle.fill");
    case XRaySignal::Severity::warning: return QStringLiteral("exclamationmark.triangle.fill");
    case XRaySignal::Severity::critical: return QStringLiteral("xmark.octagon.fill");
  }
  return {};
}

QColor SignalRowModel::symbolColor() const {
  switch (signal_.severity) {
    case XRaySignal::Severity::good: return Palette::green();
    case XRaySignal::Severity::info: return palette_.secondary();
    case XRaySignal::Severity::warning: return Palette::amber();
    case XRaySignal::Severity::critical: return Palette::red();
  }
  return {};
}

// The switch is offered for the quick check it brings, so only where exFAT brings it.
bool SignalRowModel::showsExFATButton() const {
  return std::holds_alternative<XRaySignal::Fat32OnLargeCard>(signal_.kind) && session_ &&
         session_->exFATWouldGiveQuickCheck();
}

QString SignalRowModel::deleteButtonTitle() { return tr("Delete Test Files"); }
QString SignalRowModel::exFATButtonTitle() { return tr("How to Switch to exFAT"); }

QString SignalRowModel::cardName() const {
  return session_ ? QString::fromStdString(session_->device().volumeName) : QString();
}

QString SignalRowModel::volumePath() const {
  return session_ ? QString::fromStdString(session_->device().volumeURL.string()) : QString();
}

void SignalRowModel::deleteTestFiles() {
  if (session_) session_->deleteTestFiles();
}

}  // namespace tessorin
