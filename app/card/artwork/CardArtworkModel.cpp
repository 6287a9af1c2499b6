#include "card/artwork/CardArtworkModel.hpp"

#include "theme/text/DisplayFormat.hpp"
#include "theme/Palette.hpp"

namespace tessorin {

namespace {

// Without a brand or registers the face names only what the system can vouch for: a card
// that no reader identified as SD (one behind a USB reader, or a USB drive) reads "USB".
QString brandLineOf(const std::optional<std::string>& brand, const CardDevice& device) {
  if (brand) return QString::fromStdString(*brand);
  if (device.registers && device.registers->cardType) return QString::fromStdString(*device.registers->cardType);
  return device.isSDCard() ? QStringLiteral("SD") : QStringLiteral("USB");
}

}  // namespace

CardArtworkModel::Look CardArtworkModel::look(const CardDevice& device, const std::optional<std::string>& brand,
                                              bool scanning, std::optional<CheckOutcome::Verdict> verdict,
                                              bool isUSBDrive) {
  Look look;
  look.drive = isUSBDrive;
  look.brandLine = brandLineOf(brand, device);
  look.capacityLine = DisplayFormat::formatCapacity(device.mediaBytes);
  if (brand && device.registers && device.registers->cardType) {
    look.typeLine = QString::fromStdString(*device.registers->cardType);
  }
  // A verdict decides the colour; scanning only how strongly it glows.
  look.glowColor = verdict ? Palette::verdictColor(*verdict) : scanning ? Palette::cyan() : QColor(Qt::black);
  look.glowColor.setAlphaF(scanning ? 0.55f : 0.3f);
  look.glowRadius = scanning ? 22 : 12;
  if (verdict) {
    look.sealSymbol = Palette::sealSymbol(*verdict);
    look.sealColor = Palette::verdictColor(*verdict);
    look.showsStamp = *verdict == CheckOutcome::Verdict::fake;
  }
  look.accessibleName = look.capacityLine;
  return look;
}

CardArtworkModel::CardArtworkModel(QObject* parent) : QObject(parent) { refresh(); }

void CardArtworkModel::setSession(QObject* session) {
  auto* cardSession = qobject_cast<CardSession*>(session);
  if (session_ == cardSession) return;
  if (session_) disconnect(session_, nullptr, this, nullptr);
  session_ = cardSession;
  if (session_) {
    connect(session_, &CardSession::deviceChanged, this, &CardArtworkModel::refresh);
    connect(session_, &CardSession::claimedBrandChanged, this, &CardArtworkModel::refresh);
    connect(session_, &CardSession::customBrandNameChanged, this, &CardArtworkModel::refresh);
  }
  Q_EMIT sessionChanged();
  refresh();
}

void CardArtworkModel::setScanning(bool scanning) {
  if (scanning_ == scanning) return;
  scanning_ = scanning;
  Q_EMIT scanningChanged();
  refresh();
}

void CardArtworkModel::setVerdict(const QString& verdict) {
  if (verdict_ == verdict) return;
  verdict_ = verdict;
  Q_EMIT verdictChanged();
  refresh();
}

QString CardArtworkModel::stampText() const {
  //: Stamped across the picture of a counterfeit card
  return tr("FAKE");
}

void CardArtworkModel::refresh() {
  const CardDevice device = session_ ? session_->device() : CardDevice{};
  const std::optional<std::string> brand = session_ ? session_->brandName() : std::nullopt;
  const bool isUSBDrive = session_ && session_->isUSBDrive();
  Look next = look(device, brand, scanning_, CheckOutcome::Verdict::fromRawValue(verdict_.toStdString()), isUSBDrive);
  if (next == look_) return;
  look_ = std::move(next);
  Q_EMIT changed();
}

}  // namespace tessorin
