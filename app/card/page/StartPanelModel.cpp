#include "card/page/StartPanelModel.hpp"

#include "theme/text/DisplayFormat.hpp"

namespace tessorin {

namespace {
constexpr double writeBytesPerSecond = 20'000'000;
constexpr double readBytesPerSecond = 60'000'000;
}  // namespace

StartPanelModel::StartPanelModel(QObject* parent) : QObject(parent) {}

void StartPanelModel::setSession(QObject* session) {
  auto* cardSession = qobject_cast<CardSession*>(session);
  if (session_ == cardSession) return;
  if (session_) disconnect(session_, nullptr, this, nullptr);
  session_ = cardSession;
  if (session_) {
    connect(session_, &CardSession::deviceChanged, this, &StartPanelModel::changed);
    connect(session_, &QObject::destroyed, this, &StartPanelModel::changed);
  }
  Q_EMIT sessionChanged();
  Q_EMIT changed();
}

void StartPanelModel::setPresent(bool present) {
  if (present_ == present) return;
  present_ = present;
  Q_EMIT changed();
}

QString StartPanelModel::removedNote() const {
  return tr("This card was taken out, so there is nothing to check. Put it back in to check it.");
}

QString StartPanelModel::startTitle() const { return tr("Check This Card"); }

QString StartPanelModel::explanation() const {
  if (!session_) return {};
  return explanation(session_->quickCheckReach(), session_->fileSystemLabel());
}

QString StartPanelModel::explanation(QuickCheckReach reach, const QString& fileSystemLabel) {
  switch (reach) {
    case QuickCheckReach::runs:
      return tr("A quick check answers in about a minute, then the advanced test confirms it byte by byte.");
    case QuickCheckReach::driverWritesReservedSpace:
      return tr("This system’s exFAT driver writes out all the space the quick probes set aside, so they can’t run "
                "here: Tessorin measures the card’s speed, then checks every byte with the advanced test.");
    case QuickCheckReach::notExFAT:
      break;
  }
  return tr("This card uses %1, so the quick probes can’t run: Tessorin measures its speed, then checks every byte "
            "with the advanced test.")
      .arg(fileSystemLabel);
}

QString StartPanelModel::backupNote() const {
  return tr("Only free space is used and the test data is deleted afterwards. If the card turns out to be fake, the "
            "files already on it may be damaged — back them up first.");
}

bool StartPanelModel::showsExFATLink() const {
  return offersCheck() && session_->device().volume.isFAT() && session_->exFATWouldGiveQuickCheck();
}

QString StartPanelModel::exFATLinkTitle() const { return tr("Want the quick check? Switch the card to exFAT"); }

QString StartPanelModel::xrayTitle() const { return tr("X-ray"); }
QString StartPanelModel::xrayDetail() const { return tr("Instant"); }
QString StartPanelModel::quickTitle() const { return tr("Quick check"); }
QString StartPanelModel::quickDetail() const { return tr("About a minute"); }

qreal StartPanelModel::quickOpacity() const {
  return session_ && session_->quickCheckReach() == QuickCheckReach::runs ? 1.0 : 0.4;
}

QString StartPanelModel::advancedTitle() const { return tr("Advanced test"); }

QString StartPanelModel::advancedDetail() const { return tr("About %1").arg(durationText()); }

// A card too full to test is erased first and then tested whole, so its estimate is of
// the whole volume, not of the little space left.
QString StartPanelModel::durationText() const {
  if (!session_) return estimateText(0);
  const VolumeStats& volume = session_->device().volume;
  return estimateText(session_->tooLittleFreeSpace() ? volume.totalBytes : volume.availableBytes);
}

double StartPanelModel::estimateSeconds(std::uint64_t availableBytes) {
  const auto bytes = static_cast<double>(availableBytes);
  return bytes / writeBytesPerSecond + bytes / readBytesPerSecond;
}

QString StartPanelModel::estimateText(std::uint64_t availableBytes) {
  return DisplayFormat::durationText(estimateSeconds(availableBytes));
}

QString StartPanelModel::volumeName() const {
  return session_ ? QString::fromStdString(session_->device().volumeName) : QString();
}

QString StartPanelModel::volumePath() const {
  return session_ ? QString::fromStdString(session_->device().volumeURL.string()) : QString();
}

void StartPanelModel::start() {
  if (offersCheck()) session_->start();
}

}  // namespace tessorin
