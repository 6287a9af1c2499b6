#include "session/check/CardSession.hpp"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <utility>

#include <qcoro/qcorotimer.h>

#include "session/check/Attempt.hpp"
#include "session/check/CardSessionSupport.hpp"
#include "session/check/WorkerAwaiter.hpp"
#include "session/errors/ErrorWording.hpp"
#include "session/records/OutcomeVerdict.hpp"
#include "session/system/UserAttention.hpp"
#include "tessorin/identity/SpeedRating.hpp"
#include "tessorin/identity/XRay.hpp"
#include "tessorin/posix/FileDescriptor.hpp"
#include "tessorin/posix/MountTable.hpp"
#include "tessorin/posix/TestFolder.hpp"
#include "tessorin/posix/VolumeStats.hpp"

namespace tessorin {

namespace fs = std::filesystem;
using namespace session_support;

namespace {

QString removedText() { return QStringLiteral("The card was removed during the test."); }

// The medium answers at its node. A node that cannot be opened for want of rights says
// nothing either way; the mount table then decides alone.
bool mediumAnswers(const std::string& node) {
  FileDescriptor device(::open(node.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (!device) return !(errno == ENOMEDIUM || errno == ENODEV || errno == ENXIO || errno == ENOENT);
  std::uint64_t bytes = 0;
  if (::ioctl(device.get(), BLKGETSIZE64, &bytes) != 0) return !(errno == ENOMEDIUM || errno == ENODEV || errno == ENXIO);
  return bytes > 0;
}

bool cardStillMountedAt(const std::string& node, const fs::path& volumeURL) {
  try {
    struct stat status {};
    if (node.empty() || ::stat(node.c_str(), &status) != 0) return false;
    const std::string volume = volumeURL.lexically_normal().string();
    bool mounted = false;
    const MountTable table = MountTable::read();
    for (const MountEntry& entry : table.entries()) {
      if (entry.mountPoint == volume && entry.source == node) mounted = true;
    }
    return mounted && mediumAnswers(node);
  } catch (...) {
    return false;
  }
}

// Whether the test folder survived the check's clean-up. Every road has removed it by
// the time a check finishes, so one that is still there is one the card kept.
bool testFolderLeftOn(const fs::path& volumeURL) {
  try {
    return TestFolder::exists(volumeURL);
  } catch (...) {
    return false;
  }
}

}  // namespace

QCoro::Task<bool> CardSession::cardStillThere(bool settle) {
  RunningCoroutine running(this);
  // A USB reader keeps a pulled card's node and mount entry for a second or two.
  if (settle && environment_.removalSettle.count() > 0) {
    QCoro::Task<> settling = QCoro::sleepFor(environment_.removalSettle);
    co_await settling;
  }
  if (cardRemoved_) co_return false;
  auto asking = attempt(onBackground("Tessorin card present", [node = deviceNodeOf(device_), volume = device_.volumeURL] {
    return cardStillMountedAt(node, volume);
  }));
  const Attempt<bool> answered = co_await asking;
  co_return answered.value.value_or(false);
}

void CardSession::finishAsRemoved() {
  assign(cardRemoved_, true, &CardSession::cardRemovedChanged);
  setErrorMessage(removedText());
  finish();
}

void CardSession::finish() {
  if (!quickResult_ && !fullResult_ && !zoneResult_) {
    if (cardRemoved_) setErrorMessage(removedText());
    setStage(Stage::idle());
    releaseCard();
    return;
  }
  const auto now = std::chrono::system_clock::now();
  const XRayReport report = XRay::analyze(device_, claimedBrand_, XRay::localDate(now));

  CheckOutcome outcome;
  outcome.quick = quickResult_;
  outcome.full = fullResult_;
  outcome.zone = quickZoneResult();
  outcome.fullStopped = fullStopped_;
  outcome.advertisedBytes = device_.mediaBytes;
  outcome.date = QDateTime::currentDateTimeUtc();
  const OutcomeVerdict decided = OutcomeVerdict::decide(quickResult_, fullResult_, outcome.zone);
  outcome.verdict = decided.verdict;
  // Whatever the samples said, a card that cannot remove its own test files is at fault.
  if (fileSystemDamaged_ && outcome.verdict != CheckOutcome::Verdict::fake) {
    outcome.verdict = CheckOutcome::Verdict::damaged;
  }
  // Told apart from a file system the check found damaged, which has its own message.
  const bool lookForTestFolder = !cardRemoved_ && !fileSystemDamaged_;
  // A removal the card did not take is known without a look at the card, whose file
  // system may show that folder gone until the card is mounted again.
  outcome.testFolderLeft = lookForTestFolder && testFolderClaim_ && testFolderClaim_->leftOnCard();
  outcome.method = decided.method;
  outcome.realBytes = decided.realBytes;
  outcome.brandLooksFake =
      outcome.verdict != CheckOutcome::Verdict::fake && report.verdict() == XRayReport::Verdict::likelyFake;
  // A zone read back through this computer's copy hid whatever the card lost of it: its
  // writes earn markings only where the advanced test read the card itself back whole.
  const bool zoneKeptUnknown = outcome.zone && !outcome.zone->readBackReachedCard &&
                               outcome.verdict != CheckOutcome::Verdict::genuine;
  if (outcome.zone && !outcome.readBackMayBeFromMemory() && !zoneKeptUnknown) {
    outcome.speed = SpeedRating::rate(*outcome.zone, readerBestBefore_);
  }

  CheckRecord record;
  record.date = outcome.date;
  record.cardName = device_.volumeName;
  record.advertisedBytes = outcome.advertisedBytes;
  record.realBytes = outcome.realBytes;
  record.verdict = outcome.verdict;
  record.method = outcome.method;
  record.brand = claimedBrand_;
  if (claimedBrand_ == Brand::other) record.brandName = customBrandTrimmed();
  if (device_.registers) {
    record.manufacturerID = device_.registers->manufacturerID;
    record.oemID = device_.registers->oemID;
    record.productName = device_.registers->productName;
    record.serial = device_.registers->serialHex();
  }
  if (fullResult_) {
    record.testedBytes = fullResult_->manifest.writtenBytes();
    record.writeSpeed = fullResult_->manifest.writeSpeed.average;
    record.readSpeed = fullResult_->cardReadSpeed();
  } else if (outcome.zone) {
    record.writeSpeed = outcome.zone->writeSpeed();
    if (outcome.zone->readBackReachedCard) record.readSpeed = outcome.zone->readSpeed();
  }

  assignAlways(outcome_, std::optional<CheckOutcome>(std::move(outcome)), &CardSession::outcomeChanged);
  assign(record_, std::optional<CheckRecord>(record), &CardSession::recordChanged);
  if (history_) history_->add(record);
  if (cardRemoved_) setErrorMessage(removedText());
  setStage(Stage::finished());
  releaseCard();
  refreshVolumeStats();
  if (lookForTestFolder && !outcome_->testFolderLeft) {
    noteTestFolderLeftOf(QPointer<CardSession>(this), device_.volumeURL, outcome_->date);
  }
  UserAttention::request(UserAttention::Kind::informational);
}

// Only for a file system that cannot follow the test folder: a card that refuses writes
// keeps its folder too, but its test turns that into the read-only verdict, whose advice
// is to copy the files off it, since erasing cannot help it.
void CardSession::finishWithDamagedFileSystem() {
  // A card that stopped answering keeps its test files because nothing reaches it any more:
  // its file system is not known to be damaged, and erasing it could not reach it either.
  const std::optional<ZoneResult> zone = quickZoneResult();
  if (zone && zone->cardStoppedAnswering) {
    setErrorMessage(isUSBDrive()
                        ? QStringLiteral("The drive stopped answering, so the test files on it could not be removed.")
                        : QStringLiteral("The card stopped answering, so the test files on it could not be removed."));
    return finish();
  }
  fileSystemDamaged_ = true;
  setErrorMessage(QStringLiteral(
      "The card's file system is damaged: the test files on it cannot be removed. Erase the card, then check it again."));
  finish();
  setShowingDiskUtilityGuide(true);
}

void CardSession::reportTestError(const std::exception& error) {
  if (!cardRemoved_ && dynamic_cast<const TestFolder::NotATestFolder*>(&error) != nullptr) {
    setErrorMessage(QString::fromUtf8(error.what()));
    return finish();
  }
  reportTestError(QString::fromUtf8(error.what()), systemReasonOf(error));
}

void CardSession::reportTestError(const QString& systemWords, SystemReason reason) {
  if (cardRemoved_) {
    setErrorMessage(removedText());
  } else {
    setError(ErrorWording::testStopped(systemWords, reason, isUSBDrive()));
  }
  finish();
}

void CardSession::releaseCard() {
  if (task_) setTask(nullptr);
  if (access_) access_->stop();
  setAccess(nullptr);
  releaseTestFolderClaim();
  // A request the check posted (the folder again after reinsertion) has nothing left to
  // serve: granted later, it would hand a resting session access to the card.
  setPermissionRequest(std::nullopt);
  if (activity_) activity_->end();
  assignAlways(activity_, std::shared_ptr<ProcessActivity>(), &CardSession::activityChanged);
}

void CardSession::releaseTestFolderClaim() {
  if (testFolderClaim_) testFolderClaim_->release();
  testFolderClaim_.reset();
}

QCoro::Task<> CardSession::noteTestFolderLeftOf(QPointer<CardSession> session, fs::path volume, QDateTime finished) {
  auto looking = attempt(onBackground("Tessorin leftovers", [volume] { return testFolderLeftOn(volume); }));
  const Attempt<bool> left = co_await looking;
  // A newer check may have replaced the outcome meanwhile.
  if (!session || !left.value.value_or(false) || !session->outcome_ || session->outcome_->date != finished) co_return;
  CheckOutcome outcome = *session->outcome_;
  outcome.testFolderLeft = true;
  session->assignAlways(session->outcome_, std::optional<CheckOutcome>(std::move(outcome)), &CardSession::outcomeChanged);
}

}  // namespace tessorin
