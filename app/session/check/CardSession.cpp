#include "session/CardSession.hpp"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <exception>
#include <utility>

#include <QLocale>
#include <QTextBoundaryFinder>
#include <qcoro/qcorotimer.h>

#include "session/AppSettings.hpp"
#include "session/Attempt.hpp"
#include "session/BrandSettings.hpp"
#include "session/CardEjector.hpp"
#include "session/CardFiles.hpp"
#include "session/OutcomeVerdict.hpp"
#include "session/ReaderBestRead.hpp"
#include "session/UserAttention.hpp"
#include "session/WorkerAwaiter.hpp"
#include "tessorin/FileDescriptor.hpp"
#include "tessorin/MountTable.hpp"
#include "tessorin/SpeedRating.hpp"
#include "tessorin/VolumeStats.hpp"
#include "tessorin/XRay.hpp"

namespace tessorin {

namespace fs = std::filesystem;
using Phase = FullTest::Progress::Phase;

namespace {

constexpr std::uint64_t smallCardLimit = 64ull << 20;
constexpr std::uint64_t freeSpaceFloor = 1ull << 30;
constexpr double shareOfTheCard = 0.1;
constexpr std::uint64_t largeCardLimit = 640ull << 20;
constexpr double settleSeconds = 5;
constexpr std::size_t brandNameCharacters = 30;

const std::set<std::string> ignoredRootItems = {".Spotlight-V100", ".fseventsd", ".TemporaryItems",
                                                ".DocumentRevisions-V100"};

QString removedText() { return QStringLiteral("The card was removed during the test."); }

QString describe(const std::exception& error) { return QString::fromStdString(error.what()); }

std::string deviceNodeOf(const CardDevice& device) {
  if (!device.volume.deviceNode.empty()) return device.volume.deviceNode;
  return device.bsdName.empty() ? std::string() : "/dev/" + device.bsdName;
}

// The scanner names a card by its file system's UUID where it could read one, else by
// its device node; empty when unknown.
std::string fileSystemUUIDOf(const CardDevice& device) { return device.id != device.bsdName ? device.id : std::string(); }

// The first `count` user-perceived characters of text.
QString firstCharacters(const QString& text, std::size_t count) {
  QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
  std::size_t seen = 0;
  while (finder.toNextBoundary() != -1) {
    if (++seen == count) return text.left(finder.position());
  }
  return text;
}

std::optional<VolumeStats> settledStats(const fs::path& volume) {
  try {
    return VolumeStats::settled(volume.string(), settleSeconds);
  } catch (...) {
    return std::nullopt;
  }
}

bool isCancellation(const std::exception_ptr& failure) {
  if (!failure) return false;
  try {
    std::rethrow_exception(failure);
  } catch (const CancelledError&) {
    return true;
  } catch (...) {
    return false;
  }
}

bool isUnsupported(const std::exception_ptr& failure) {
  if (!failure) return false;
  try {
    std::rethrow_exception(failure);
  } catch (const QuickProbe::Unsupported&) {
    return true;
  } catch (...) {
    return false;
  }
}

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

}  // namespace

// Counts a session's coroutines while they run, so that a disposed session is deleted
// only once none of them can resume into it.
class RunningCoroutine {
 public:
  explicit RunningCoroutine(CardSession* session) : session_(session) { ++session_->runningCoroutines_; }
  ~RunningCoroutine() {
    if (--session_->runningCoroutines_ == 0 && session_->disposeWhenIdle_) session_->deleteLater();
  }
  RunningCoroutine(const RunningCoroutine&) = delete;
  RunningCoroutine& operator=(const RunningCoroutine&) = delete;

 private:
  CardSession* session_;
};

CardSession::CardSession(CardDevice device, History* history, QSettings& settings, Environment environment,
                         QObject* parent)
    : QObject(parent),
      id_(device.id),
      device_(std::move(device)),
      history_(history),
      settings_(settings),
      environment_(std::move(environment)) {
  BrandSettings brands(settings_);
  claimedBrand_ = brands.loadClaimedBrand(id_);
  customBrandName_ = brands.loadCustomBrand(id_);
}

CardSession::~CardSession() = default;

void CardSession::dispose() {
  if (runningCoroutines_ == 0) {
    deleteLater();
  } else {
    disposeWhenIdle_ = true;
  }
}

// ----- setters

void CardSession::setDevice(CardDevice device) { assign(device_, std::move(device), &CardSession::deviceChanged); }

void CardSession::setClaimedBrand(std::optional<Brand> brand) {
  assign(claimedBrand_, brand, &CardSession::claimedBrandChanged);
  BrandSettings(settings_).storeClaimedBrand(brand, id_);
}

void CardSession::setCustomBrandName(std::string name) {
  assign(customBrandName_, name, &CardSession::customBrandNameChanged);
  BrandSettings(settings_).storeCustomBrand(name, id_);
}

void CardSession::setConfirmingErase(bool shown) {
  assign(confirmingErase_, shown, &CardSession::confirmingEraseChanged);
}
void CardSession::setOfferingErase(bool shown) { assign(offeringErase_, shown, &CardSession::offeringEraseChanged); }
void CardSession::setShowingDiskUtilityGuide(bool shown) {
  assign(showingDiskUtilityGuide_, shown, &CardSession::showingDiskUtilityGuideChanged);
}
void CardSession::setErrorMessage(std::optional<QString> message) {
  assign(errorMessage_, std::move(message), &CardSession::errorMessageChanged);
}
void CardSession::setPermissionRequest(std::optional<PermissionRequest> request) {
  assign(permissionRequest_, request, &CardSession::permissionRequestChanged);
}

// ----- derived values

std::optional<std::string> CardSession::customBrandTrimmed() const {
  const QString trimmed = QString::fromStdString(customBrandName_).trimmed();
  if (trimmed.isEmpty()) return std::nullopt;
  return firstCharacters(trimmed, brandNameCharacters).toStdString();
}

std::optional<std::string> CardSession::brandName() const {
  if (!claimedBrand_) return std::nullopt;
  if (*claimedBrand_ == Brand::other) return customBrandTrimmed().value_or(claimedBrand_->label());
  return claimedBrand_->label();
}

std::optional<ZoneResult> CardSession::quickZoneResult() const {
  if (quickResult_ && quickResult_->zone) return quickResult_->zone;
  return zoneResult_;
}

std::optional<double> CardSession::fullRemainingSeconds() const {
  if (stage_.kind != Stage::Kind::full || full_.bytesPerSecond <= 0 || full_.bytesTotal == 0) return std::nullopt;
  const double total = static_cast<double>(full_.bytesTotal);
  const double remaining = static_cast<double>(full_.bytesTotal - std::min(full_.bytesDone, full_.bytesTotal));
  const double speed = full_.bytesPerSecond;
  if (stage_.phase == Phase::writing) return remaining / speed + total / (3 * speed);
  if (stage_.phase == Phase::verifying) return remaining / speed;
  return std::nullopt;
}

bool CardSession::tooLittleFreeSpace() const {
  const std::uint64_t total = device_.volume.totalBytes;
  const std::uint64_t available = device_.volume.availableBytes;
  if (device_.hasLeftoverTestFiles) return false;
  if (total <= available) return false;
  if (total - available <= smallCardLimit) return false;
  if (available < freeSpaceFloor) return true;
  return static_cast<double>(available) < shareOfTheCard * static_cast<double>(total);
}

bool CardSession::hasFiles() const {
  const std::uint64_t total = device_.volume.totalBytes;
  if (device_.hasLeftoverTestFiles || total == 0) return false;
  const std::uint64_t used = device_.volume.usedBytes();
  const std::uint64_t threshold = total < largeCardLimit ? smallCardLimit : total / 10;
  return used > threshold;
}

// ----- starting

void CardSession::start() {
  if (task_ || stage_.isBusy()) return;
  if (tooLittleFreeSpace()) return setConfirmingErase(true);
  if (hasFiles()) return setOfferingErase(true);
  check();
}

void CardSession::check() {
  if (task_ || stage_.isBusy()) return;
  if (auto access = VolumeAccess::open(device_, settings_)) return startCheck(std::move(access));
  setPermissionRequest(PermissionRequest::fresh(PermissionRequest::Action::check));
}

void CardSession::eraseAndCheck() {
  if (task_ || stage_.isBusy()) return;
  auto access = VolumeAccess::open(device_, settings_);
  if (!access) return setPermissionRequest(PermissionRequest::fresh(PermissionRequest::Action::eraseAndCheck));
  setStage(Stage::erasing());
  startEraseTask(std::move(access));
}

void CardSession::startEraseTask(std::shared_ptr<VolumeAccess> access) {
  auto task = std::make_shared<SessionTask>();
  // Stored before the coroutine starts, so that its end can release it.
  setTask(task);
  cleanUpCard(std::move(access), task);
}

void CardSession::handlePermissionGrant() {
  if (!permissionRequest_) return;
  const PermissionRequest pending = *permissionRequest_;
  QPointer<CardSession> self(this);
  VolumeAccess::request(device_, settings_, environment_.folderPicker,
                        [self, pending](VolumeAccess::RequestOutcome answer) {
                          // While the dialog was open the session may have gone, or its
                          // request may have been withdrawn or replaced.
                          if (!self || self->permissionRequest_ != pending) {
                            if (answer.access) answer.access->stop();
                            return;
                          }
                          switch (answer.outcome) {
                            case VolumeAccess::Outcome::wrongFolder:
                              self->setPermissionRequest(PermissionRequest{pending.id, pending.action, true});
                              return;
                            case VolumeAccess::Outcome::cancelled:
                              return;
                            case VolumeAccess::Outcome::granted:
                              self->setPermissionRequest(std::nullopt);
                              self->carryOut(pending, std::move(answer.access));
                              return;
                          }
                        });
}

void CardSession::carryOut(const PermissionRequest& request, std::shared_ptr<VolumeAccess> access) {
  switch (request.action) {
    case PermissionRequest::Action::check:
      return startCheck(std::move(access));
    case PermissionRequest::Action::removeLeftovers:
      return removeLeftovers(access);
    case PermissionRequest::Action::resumeAfterReinsert: {
      const fs::path url = access->url();
      setAccess(std::move(access));
      return resumeReinsertion(url);
    }
    case PermissionRequest::Action::eraseAndCheck:
      setStage(Stage::erasing());
      return startEraseTask(std::move(access));
  }
}

void CardSession::resetForCheck() {
  assign(quickResult_, std::optional<QuickProbeResult>(), &CardSession::quickResultChanged);
  assign(quickSkipped_, std::optional<QuickProbe::Unsupported>(), &CardSession::quickSkippedChanged);
  assign(zoneResult_, std::optional<ZoneResult>(), &CardSession::zoneResultChanged);
  assignAlways(zoneTrace_, ZoneTrace{}, &CardSession::zoneTraceChanged);
  assign(liveProbes_, std::vector<ProbeCell>{}, &CardSession::liveProbesChanged);
  assign(readerBestBefore_, ReaderBestRead(settings_).readerBestRead(device_), &CardSession::readerBestBeforeChanged);
  assignAlways(fullResult_, std::optional<FullTestResult>(), &CardSession::fullResultChanged);
  assign(fullStopped_, false, &CardSession::fullStoppedChanged);
  assignAlways(outcome_, std::optional<CheckOutcome>(), &CardSession::outcomeChanged);
  assign(record_, std::optional<CheckRecord>(), &CardSession::recordChanged);
  assignAlways(full_, FullLive{}, &CardSession::fullChanged);
  assign(cardRemoved_, false, &CardSession::cardRemovedChanged);
}

void CardSession::startCheck(std::shared_ptr<VolumeAccess> access) {
  const fs::path url = access->url();
  setAccess(std::move(access));
  resetForCheck();
  assignAlways(activity_, ProcessActivity::begin(QStringLiteral("Testing a memory card")), &CardSession::activityChanged);
  auto task = std::make_shared<SessionTask>();
  setTask(task);
  runQuickCheck(url, task);
}

QCoro::Task<> CardSession::cleanUpCard(std::shared_ptr<VolumeAccess> access, std::shared_ptr<SessionTask> task) {
  RunningCoroutine running(this);
  auto deleting = attempt(onBackground("Tessorin erase", [url = access->url(), node = deviceNodeOf(device_),
                                                          uuid = fileSystemUUIDOf(device_)] {
    try {
      CardFiles::open(url, node, uuid).deleteAllExcept(ignoredRootItems);
    } catch (...) {
      // A card that cannot be pinned is not touched; the used space then decides.
    }
    return settledStats(url);
  }));
  const Attempt<std::optional<VolumeStats>> deleted = co_await deleting;
  afterCleanUp(access, task, deleted.value.value_or(std::nullopt));
}

void CardSession::afterCleanUp(const std::shared_ptr<VolumeAccess>& access, const std::shared_ptr<SessionTask>& task,
                               const std::optional<VolumeStats>& figures) {
  setTask(nullptr);
  if (figures) {
    device_.volume = *figures;
    device_.hasLeftoverTestFiles = false;
    Q_EMIT deviceChanged();
  }
  // A stop while the files were being deleted: the deletion has ended; no check follows.
  if (task->isCancelled()) {
    access->stop();
    return setStage(Stage::idle());
  }
  const std::uint64_t total = device_.volume.totalBytes;
  const std::uint64_t used = device_.volume.usedBytes();
  if (total == 0 || static_cast<double>(used) <= shareOfTheCard * static_cast<double>(total)) {
    return startCheck(access);
  }
  access->stop();
  setStage(Stage::idle());
  const QString inUse = QLocale::system().formattedDataSize(
      static_cast<qint64>(std::min<std::uint64_t>(used, std::numeric_limits<qint64>::max())), 1,
      QLocale::DataSizeSIFormat);
  setErrorMessage(QStringLiteral("Tessorin deleted the files, but the card still reports %1 in use. Either its file "
                                 "system is damaged or the card doesn’t keep changes. Erase it in the Disks utility and "
                                 "check it again; if that doesn’t free it either, the card is broken.")
                      .arg(inUse));
  setShowingDiskUtilityGuide(true);
}

void CardSession::removeLeftovers(const std::shared_ptr<VolumeAccess>& access) {
  try {
    CardFiles::open(access->url(), deviceNodeOf(device_), fileSystemUUIDOf(device_)).removeTestFolder();
    device_.hasLeftoverTestFiles = false;
    Q_EMIT deviceChanged();
  } catch (const std::exception& error) {
    setErrorMessage(describe(error));
  }
  access->stop();
}

void CardSession::updateDevice(CardDevice device) {
  if (!(stage_.kind == Stage::Kind::reinsert && stage_.cardOut)) return;
  // The test folder on it is this check's own.
  device.hasLeftoverTestFiles = false;
  setDevice(std::move(device));
  setStage(Stage::reinsert(false));
  auto access = VolumeAccess::open(device_, settings_);
  if (!access) return setPermissionRequest(PermissionRequest::fresh(PermissionRequest::Action::resumeAfterReinsert));
  const fs::path url = access->url();
  setAccess(std::move(access));
  resumeReinsertion(url);
}

void CardSession::close() {
  switch (stage_.kind) {
    case Stage::Kind::reinsert:
      if (access_) access_->stop();
      setAccess(nullptr);
      setPermissionRequest(std::nullopt);
      setStage(Stage::reinsert(true));
      return;
    case Stage::Kind::quick:
    case Stage::Kind::full:
    case Stage::Kind::decision:
    case Stage::Kind::erasing:
      assign(cardRemoved_, true, &CardSession::cardRemovedChanged);
      stop();
      return;
    case Stage::Kind::idle:
    case Stage::Kind::finished:
      return;
  }
}

void CardSession::stop() {
  switch (stage_.kind) {
    case Stage::Kind::decision:
      return finish();
    case Stage::Kind::reinsert:
      // The wait may have been ended already, its resumption posted but not yet run: the
      // road must still learn of the stop.
      if (task_) task_->cancel();
      return resumeReinsertion(std::nullopt);
    default:
      if (task_) task_->cancel();
  }
}

// ----- the quick-check road

QuickProbe::ProgressHandler CardSession::probeProgressHandler() {
  return [self = QPointer<CardSession>(this)](const QuickProbeProgress& progress) {
    postToMainThread([self, progress] {
      if (self) self->applyProbeProgress(progress);
    });
  };
}

QuickProbe::PartialHandler CardSession::partialQuickResultHandler() {
  return [self = QPointer<CardSession>(this)](const QuickProbeResult& result) {
    postToMainThread([self, result] {
      if (self) self->applyPartialQuickResult(result);
    });
  };
}

FullTest::ProgressHandler CardSession::fullProgressHandler() {
  return [self = QPointer<CardSession>(this)](const FullTest::Progress& progress) {
    postToMainThread([self, progress] {
      if (self) self->applyFullProgress(progress);
    });
  };
}

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

QCoro::Task<> CardSession::runQuickCheck(fs::path url, std::shared_ptr<SessionTask> task) {
  RunningCoroutine running(this);
  setStage(Stage::quick(QuickProbeProgress{}));
  touchProgress();

  const bool hadLeftovers = device_.hasLeftoverTestFiles;
  Attempt<std::optional<VolumeStats>> cleaned;
  if (hadLeftovers) {
    auto cleaning = attempt(onBackground("Tessorin clean-up", [url, node = deviceNodeOf(device_),
                                                              uuid = fileSystemUUIDOf(device_)] {
      try {
        CardFiles::open(url, node, uuid).removeTestFolder();
      } catch (...) {
        // The test's own preparation removes the folder again.
      }
      return settledStats(url);
    }));
    cleaned = co_await cleaning;
    if (cleaned.value && *cleaned.value) device_.volume = **cleaned.value;
    device_.hasLeftoverTestFiles = false;
    Q_EMIT deviceChanged();
  }
  if (task->isCancelled()) {
    finish();
    co_return;
  }

  const bool exFAT = device_.volume.fileSystem == "exfat";
  Attempt<QuickProbeResult> probed;
  Attempt<ZoneResult> measured;
  if (exFAT) {
    auto probing = attempt(onRun<QuickProbeResult>(
        task, [url, options = environment_.quickOptions, progress = probeProgressHandler(),
               partial = partialQuickResultHandler()](std::function<void()> onFinished,
                                                      std::shared_ptr<CancellationFlag> flag) {
          return QuickProbe(url, options).run(progress, partial, {}, std::move(onFinished), std::move(flag));
        }));
    probed = co_await probing;
  } else {
    assign(quickSkipped_,
           std::optional<QuickProbe::Unsupported>(QuickProbe::Unsupported::fileSystem(device_.volume.fileSystem)),
           &CardSession::quickSkippedChanged);
    auto measuring = attempt(onRun<ZoneResult>(
        task, [url, options = environment_.zoneOptions, progress = probeProgressHandler()](
                  std::function<void()> onFinished, std::shared_ptr<CancellationFlag> flag) {
          return ZoneTest(url, options).run(progress, std::move(onFinished), std::move(flag));
        }));
    measured = co_await measuring;
  }
  // Results that a pulled card would also give are trusted only while the card is there.
  const std::exception_ptr failure = exFAT ? probed.failure : measured.failure;
  bool suspicious = failure && !isUnsupported(failure);
  if (exFAT && probed.value) {
    const QuickProbeResult::Verdict verdict = probed.value->verdict();
    suspicious = verdict == QuickProbeResult::Verdict::fake || verdict == QuickProbeResult::Verdict::damaged;
  }
  if (!exFAT && measured.value) suspicious = !measured.value->isClean();
  bool present = true;
  if (suspicious) {
    QCoro::Task<bool> asking = cardStillThere(!isCancellation(failure));
    present = co_await asking;
  }
  const bool goOn = exFAT ? afterQuickProbe(probed, present) : afterZoneTest(measured, present);
  if (goOn) {
    QCoro::Task<> advancedTest = runFullTest(url, task);
    co_await advancedTest;
  }
}

bool CardSession::afterQuickProbe(const Attempt<QuickProbeResult>& probed, bool present) {
  try {
    if (probed.failure) std::rethrow_exception(probed.failure);
    const QuickProbeResult& result = *probed.value;
    const QuickProbeResult::Verdict verdict = result.verdict();
    const bool judged = verdict == QuickProbeResult::Verdict::fake || verdict == QuickProbeResult::Verdict::damaged;
    // A card pulled out reads back as failed probes: only a card still there is judged.
    if (judged && !present) {
      assign(quickResult_, std::optional<QuickProbeResult>(), &CardSession::quickResultChanged);
      finishAsRemoved();
      return false;
    }
    applyPartialQuickResult(result);
    if (!judged) return true;
    setStage(Stage::decision());
    setTask(nullptr);
    UserAttention::request(UserAttention::Kind::informational);
    return false;
  } catch (const QuickProbe::Unsupported& reason) {
    assign(quickSkipped_, std::optional<QuickProbe::Unsupported>(reason), &CardSession::quickSkippedChanged);
    return true;
  } catch (const CancelledError&) {
    // A vanishing card's failed reads may have arrived as a partial verdict before the
    // rescan's stop: that is the pull, not the card.
    if (cardRemoved_ || !present) {
      const bool judged = quickResult_ && (quickResult_->verdict() == QuickProbeResult::Verdict::fake ||
                                           quickResult_->verdict() == QuickProbeResult::Verdict::damaged);
      if (judged) assign(quickResult_, std::optional<QuickProbeResult>(), &CardSession::quickResultChanged);
      finishAsRemoved();
    } else {
      finish();
    }
  } catch (const std::exception& error) {
    if (!present) {
      assign(quickResult_, std::optional<QuickProbeResult>(), &CardSession::quickResultChanged);
      finishAsRemoved();
    } else {
      reportTestError(describe(error));
    }
  } catch (...) {
    reportTestError(QStringLiteral("unknown error"));
  }
  return false;
}

bool CardSession::afterZoneTest(const Attempt<ZoneResult>& measured, bool present) {
  try {
    if (measured.failure) std::rethrow_exception(measured.failure);
    if (!measured.value->isClean() && !present) {
      finishAsRemoved();
      return false;
    }
    assign(zoneResult_, measured.value, &CardSession::zoneResultChanged);
    ReaderBestRead(settings_).recordReaderRead(device_, measured.value->maximumReadSegment());
    return true;
  } catch (const CancelledError&) {
    finish();
    return false;
  } catch (...) {
    // A failed measurement is not reported, unless the card itself has gone.
    if (present) return true;
    finishAsRemoved();
    return false;
  }
}

void CardSession::startAdvancedTest() {
  if (stage_.kind != Stage::Kind::decision || !access_) return;
  auto task = std::make_shared<SessionTask>();
  setTask(task);
  runFullTest(access_->url(), task);
}

// ----- the advanced-test road

QCoro::Task<> CardSession::runFullTest(fs::path url, std::shared_ptr<SessionTask> task) {
  RunningCoroutine running(this);
  setStage(Stage::full(Phase::preparing));
  touchProgress();
  assignAlways(full_, FullLive{}, &CardSession::fullChanged);

  auto writing = attempt(onRun<TestManifest>(
      task, [url, options = environment_.fullOptions, progress = fullProgressHandler()](
                std::function<void()> onFinished, std::shared_ptr<CancellationFlag> flag) {
        return FullTest(url, options).write(progress, std::move(onFinished), std::move(flag));
      }));
  const Attempt<TestManifest> written = co_await writing;
  bool present = true;
  if ((written.failure && !isCancellation(written.failure)) || (written.value && written.value->writeStop.isIOError())) {
    QCoro::Task<bool> asking = cardStillThere(true);
    present = co_await asking;
  }
  if (!afterWriting(written, present)) co_return;

  std::optional<fs::path> readFrom = url;
  if (AppSettings(settings_).reinsertBeforeVerify()) {
    QCoro::Task<std::optional<fs::path>> waiting = waitForReinsertion();
    readFrom = co_await waiting;
  }
  if (!readFrom || task->isCancelled()) {
    QCoro::Task<> ending = finishWithoutReadBack();
    co_await ending;
    co_return;
  }

  setStage(Stage::full(Phase::verifying));
  full_.phaseStarted = QDateTime::currentDateTimeUtc();
  Q_EMIT fullChanged();
  touchProgress();
  auto verifying = attempt(onRun<FullTestResult>(
      task, [manifest = *written.value, volume = *readFrom, progress = fullProgressHandler()](
                std::function<void()> onFinished, std::shared_ptr<CancellationFlag> flag) {
        return FullTest::verify(manifest, volume, false, progress, std::move(onFinished), std::move(flag));
      }));
  const Attempt<FullTestResult> verified = co_await verifying;
  present = true;
  if ((verified.failure && !isCancellation(verified.failure)) ||
      (verified.value && verified.value->verdict() != FullTestResult::Verdict::passed)) {
    QCoro::Task<bool> asking = cardStillThere(true);
    present = co_await asking;
  }
  afterVerifying(verified, present);
}

bool CardSession::afterWriting(const Attempt<TestManifest>& written, bool present) {
  if (written.failure) {
    handleFullTestFailure(written.failure, present);
    return false;
  }
  if (written.value->writeStop.isIOError() && !present) {
    finishAsRemoved();
    return false;
  }
  return true;
}

void CardSession::afterVerifying(const Attempt<FullTestResult>& verified, bool present) {
  if (verified.failure) return handleFullTestFailure(verified.failure, present);
  if (verified.value->verdict() != FullTestResult::Verdict::passed && !present) return finishAsRemoved();
  assignAlways(fullResult_, verified.value, &CardSession::fullResultChanged);
  finish();
}

void CardSession::handleFullTestFailure(std::exception_ptr failure, bool present) {
  try {
    std::rethrow_exception(failure);
  } catch (const CancelledError&) {
    assign(fullStopped_, true, &CardSession::fullStoppedChanged);
    finish();
  } catch (const QuickProbe::Unsupported& reason) {
    if (reason.kind() != QuickProbe::Unsupported::Kind::notEnoughFreeSpace) return reportTestError(describe(reason));
    assign(fullStopped_, true, &CardSession::fullStoppedChanged);
    finish();
    setConfirmingErase(true);
  } catch (const std::exception& error) {
    if (!present) return finishAsRemoved();
    reportTestError(describe(error));
  } catch (...) {
    reportTestError(QStringLiteral("unknown error"));
  }
}

QCoro::Task<std::optional<fs::path>> CardSession::waitForReinsertion() {
  RunningCoroutine running(this);
  const std::shared_ptr<ReinsertWait> wait = std::make_shared<ReinsertWait>();
  setStage(Stage::reinsert(false));
  UserAttention::request(UserAttention::Kind::critical);
  assignAlways(reinsertWait_, wait, &CardSession::reinsertWaitChanged);
  const std::optional<fs::path> volume = co_await *wait;
  co_return volume;
}

QCoro::Task<> CardSession::finishWithoutReadBack() {
  RunningCoroutine running(this);
  assign(fullStopped_, true, &CardSession::fullStoppedChanged);
  if (access_) {
    auto removing = attempt(onBackground("Tessorin clean-up", [folder = access_->url(), node = deviceNodeOf(device_),
                                                               uuid = fileSystemUUIDOf(device_)] {
      try {
        CardFiles::open(folder, node, uuid).removeTestFolder();
      } catch (...) {
      }
      return true;
    }));
    co_await removing;
  } else {
    device_.hasLeftoverTestFiles = true;
    Q_EMIT deviceChanged();
  }
  finish();
}

void CardSession::continueAfterReinsert() {
  if (!(stage_.kind == Stage::Kind::reinsert && !stage_.cardOut)) return;
  if (access_) return resumeReinsertion(access_->url());
  auto access = VolumeAccess::open(device_, settings_);
  if (!access) return setPermissionRequest(PermissionRequest::fresh(PermissionRequest::Action::resumeAfterReinsert));
  const fs::path url = access->url();
  setAccess(std::move(access));
  resumeReinsertion(url);
}

void CardSession::resumeReinsertion(std::optional<fs::path> url) {
  if (!reinsertWait_) return;
  std::shared_ptr<ReinsertWait> wait = reinsertWait_;
  assignAlways(reinsertWait_, std::shared_ptr<ReinsertWait>(), &CardSession::reinsertWaitChanged);
  wait->resume(std::move(url));
}

// ----- finishing

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
  if (outcome.zone) outcome.speed = SpeedRating::rate(*outcome.zone, readerBestBefore_);
  outcome.fullStopped = fullStopped_;
  outcome.advertisedBytes = device_.mediaBytes;
  outcome.date = QDateTime::currentDateTimeUtc();
  const OutcomeVerdict decided = OutcomeVerdict::decide(quickResult_, fullResult_, outcome.zone);
  outcome.verdict = decided.verdict;
  outcome.method = decided.method;
  outcome.realBytes = decided.realBytes;
  outcome.brandLooksFake =
      outcome.verdict != CheckOutcome::Verdict::fake && report.verdict() == XRayReport::Verdict::likelyFake;

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
    record.readSpeed = fullResult_->readSpeed.average;
  } else if (outcome.zone) {
    record.writeSpeed = outcome.zone->writeSpeed();
    record.readSpeed = outcome.zone->readSpeed();
  }

  assignAlways(outcome_, std::optional<CheckOutcome>(std::move(outcome)), &CardSession::outcomeChanged);
  assign(record_, std::optional<CheckRecord>(record), &CardSession::recordChanged);
  if (history_) history_->add(record);
  if (cardRemoved_) setErrorMessage(removedText());
  setStage(Stage::finished());
  releaseCard();
  refreshVolumeStats();
  UserAttention::request(UserAttention::Kind::informational);
}

void CardSession::reportTestError(const QString& description) {
  setErrorMessage(cardRemoved_ ? removedText() : QStringLiteral("The test stopped: %1").arg(description));
  finish();
}

void CardSession::releaseCard() {
  if (task_) setTask(nullptr);
  if (access_) access_->stop();
  setAccess(nullptr);
  // A request the check posted (the folder again after reinsertion) has nothing left to
  // serve: granted later, it would hand a resting session access to the card.
  setPermissionRequest(std::nullopt);
  if (activity_) activity_->end();
  assignAlways(activity_, std::shared_ptr<ProcessActivity>(), &CardSession::activityChanged);
}

void CardSession::refreshVolumeStats() { refreshVolumeStatsOf(QPointer<CardSession>(this), device_.volumeURL); }

QCoro::Task<> CardSession::refreshVolumeStatsOf(QPointer<CardSession> session, fs::path volume) {
  auto reading = attempt(onBackground("Tessorin figures", [volume] { return settledStats(volume); }));
  const Attempt<std::optional<VolumeStats>> read = co_await reading;
  if (!session || !read.value || !*read.value || session->stage_.isBusy()) co_return;
  session->device_.volume = **read.value;
  Q_EMIT session->deviceChanged();
}

// ----- progress

void CardSession::applyProbeProgress(const QuickProbeProgress& progress) {
  if (stage_.kind != Stage::Kind::quick) return;
  setStage(Stage::quick(progress));
  touchProgress();
  if (!progress.cells.empty()) assign(liveProbes_, progress.cells, &CardSession::liveProbesChanged);
  if (progress.phase == QuickProbeProgress::Phase::zone && progress.bytesPerSecond > 0) {
    const SpeedSample sample{static_cast<std::uint64_t>(progress.completed) * 1'048'576, progress.bytesPerSecond};
    if (progress.step == QuickProbeProgress::Step::writing) {
      zoneTrace_.write.push_back(sample);
      Q_EMIT zoneTraceChanged();
    } else if (progress.step == QuickProbeProgress::Step::verifying) {
      zoneTrace_.read.push_back(sample);
      Q_EMIT zoneTraceChanged();
    }
  }
}

void CardSession::applyPartialQuickResult(const QuickProbeResult& result) {
  if (quickResult_ && quickResult_->completed > result.completed) return;
  assign(quickResult_, std::optional<QuickProbeResult>(result), &CardSession::quickResultChanged);
  if (result.zone) ReaderBestRead(settings_).recordReaderRead(device_, result.zone->maximumReadSegment());
}

void CardSession::applyFullProgress(const FullTest::Progress& progress) {
  if (stage_.kind != Stage::Kind::full) return;
  if (stage_.phase == Phase::verifying && progress.phase == Phase::writing) return;
  touchProgress();
  if (progress.phase != stage_.phase) {
    setStage(Stage::full(progress.phase));
    full_.phaseStarted = QDateTime::currentDateTimeUtc();
    Q_EMIT fullChanged();
  }
  full_.bytesDone = progress.bytesDone;
  Q_EMIT fullChanged();
  full_.bytesTotal = progress.bytesTotal;
  Q_EMIT fullChanged();
  full_.bytesPerSecond = progress.bytesPerSecond;
  Q_EMIT fullChanged();
  full_.map = progress.map;
  Q_EMIT fullChanged();
  full_.tally = progress.tally;
  Q_EMIT fullChanged();
  if (progress.phase == Phase::writing) {
    full_.writeSamples.insert(full_.writeSamples.end(), progress.newSamples.begin(), progress.newSamples.end());
    Q_EMIT fullChanged();
  } else if (progress.phase == Phase::verifying) {
    full_.readSamples.insert(full_.readSamples.end(), progress.newSamples.begin(), progress.newSamples.end());
    Q_EMIT fullChanged();
  }
}

// ----- after a check

QCoro::Task<> CardSession::eject(fs::path volume) {
  RunningCoroutine running(this);
  ExpectedCard card = ExpectedCard::of(device_);
  card.volume = std::move(volume);
  auto ejecting = attempt(onBackground("Tessorin eject", [card] { return CardEjector::eject(card); }));
  const Attempt<std::optional<std::string>> ejected = co_await ejecting;
  if (ejected.value && *ejected.value) reportEjectFailure(QString::fromStdString(**ejected.value));
}

void CardSession::reportEjectFailure(const QString& description) {
  setErrorMessage(QStringLiteral("The card couldn’t be ejected (%1). Eject it in the file manager instead.").arg(description));
}

void CardSession::discardOutcome() {
  if (stage_.isBusy()) return;
  setStage(Stage::idle());
  assignAlways(outcome_, std::optional<CheckOutcome>(), &CardSession::outcomeChanged);
  assign(record_, std::optional<CheckRecord>(), &CardSession::recordChanged);
}

void CardSession::savePurchase(const Purchase& purchase) {
  if (!record_) return;
  CheckRecord copy = *record_;
  copy.purchase = purchase;
  copy.brand = claimedBrand_;
  copy.brandName = claimedBrand_ == Brand::other ? customBrandTrimmed() : std::nullopt;
  assign(record_, std::optional<CheckRecord>(copy), &CardSession::recordChanged);
  if (history_) history_->update(copy);
}

void CardSession::updateRecord(const QUuid& recordID, const std::string& sharedRecordName) {
  // The answer may come back after a newer check replaced the session's record: the
  // history entry of the shared record is updated, the session's only when it is that one.
  if (history_) {
    for (const CheckRecord& stored : history_->records()) {
      if (stored.id != recordID) continue;
      CheckRecord copy = stored;
      copy.sharedRecordName = sharedRecordName;
      history_->update(copy);
      break;
    }
  }
  if (record_ && record_->id == recordID) {
    CheckRecord copy = *record_;
    copy.sharedRecordName = sharedRecordName;
    assign(record_, std::optional<CheckRecord>(copy), &CardSession::recordChanged);
  }
}

void CardSession::deleteTestFiles() {
  if (stage_.isBusy()) return;
  if (auto access = VolumeAccess::open(device_, settings_)) return removeLeftovers(access);
  setPermissionRequest(PermissionRequest::fresh(PermissionRequest::Action::removeLeftovers));
}

}  // namespace tessorin
