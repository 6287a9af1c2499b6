#include "session/check/CardSession.hpp"

#include <unistd.h>

#include <utility>

#include <QTextBoundaryFinder>

#include "session/check/Attempt.hpp"
#include "session/check/CardSessionSupport.hpp"
#include "session/check/WorkerAwaiter.hpp"
#include "session/settings/BrandSettings.hpp"
#include "session/settings/DeviceKinds.hpp"
#include "session/settings/DeviceLabels.hpp"
#include "session/settings/ReaderBestRead.hpp"

namespace tessorin {

namespace fs = std::filesystem;
using Phase = FullTest::Progress::Phase;
using namespace session_support;

namespace {

constexpr std::uint64_t smallCardLimit = 64ull << 20;
constexpr std::uint64_t freeSpaceFloor = 1ull << 30;
constexpr std::uint64_t largeCardLimit = 640ull << 20;
constexpr std::size_t brandNameCharacters = 30;

// The first `count` user-perceived characters of text.
QString firstCharacters(const QString& text, std::size_t count) {
  QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
  std::size_t seen = 0;
  while (finder.toNextBoundary() != -1) {
    if (++seen == count) return text.left(finder.position());
  }
  return text;
}

}  // namespace

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
  if (message) return setError({std::move(*message), {}});
  if (!errorMessage_) return;
  errorMessage_.reset();
  errorDetail_.clear();
  Q_EMIT errorMessageChanged();
}

void CardSession::setError(ErrorNotice notice) {
  if (errorMessage_ == notice.message && errorDetail_ == notice.detail) return;
  errorMessage_ = std::move(notice.message);
  errorDetail_ = std::move(notice.detail);
  Q_EMIT errorMessageChanged();
}

void CardSession::setPermissionRequest(std::optional<PermissionRequest> request) {
  assign(permissionRequest_, request, &CardSession::permissionRequestChanged);
}

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

std::optional<double> CardSession::readerBestRead() const { return ReaderBestRead(settings_).readerBestRead(device_); }

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

bool CardSession::isUSBDrive() const { return DeviceKinds(settings_).isUSBDrive(device_); }

QString CardSession::kindLabel() const { return DeviceLabels::kindLabel(device_, DeviceKinds(settings_)); }

QString CardSession::fileSystemLabel() const { return DeviceLabels::fileSystemLabel(device_); }

void CardSession::chooseDeviceKind(bool isDrive) {
  if (stage_.isBusy()) return;
  DeviceKinds(settings_).store(isDrive, id_);
  Q_EMIT deviceChanged();
}

bool CardSession::hasFiles() const {
  const std::uint64_t total = device_.volume.totalBytes;
  if (device_.hasLeftoverTestFiles || total == 0) return false;
  const std::uint64_t used = device_.volume.usedBytes();
  const std::uint64_t threshold = total < largeCardLimit ? smallCardLimit : total / 10;
  return used > threshold;
}

QuickCheckReach CardSession::quickCheckReach() const {
  return tessorin::quickCheckReach(device_.volume, environment_.host);
}

bool CardSession::exFATWouldGiveQuickCheck() const { return tessorin::exFATWouldGiveQuickCheck(environment_.host); }

CardSession::StartAnswer CardSession::startAnswer() const {
  if (tooLittleFreeSpace()) return StartAnswer::askToErase;
  if (hasFiles()) return StartAnswer::offerToErase;
  return StartAnswer::check;
}

void CardSession::start() {
  if (task_ || stage_.isBusy()) return;
  lookBeforeStarting(nullptr);
}

void CardSession::check() {
  if (task_ || stage_.isBusy()) return;
  withVolumeAccess([this](std::shared_ptr<VolumeAccess> access) {
    if (!access) return setPermissionRequest(PermissionRequest::fresh(PermissionRequest::Action::check));
    lookBeforeStarting(std::move(access));
  });
}

void CardSession::eraseAndCheck() {
  if (task_ || stage_.isBusy()) return;
  withVolumeAccess([this](std::shared_ptr<VolumeAccess> access) {
    if (!access) return setPermissionRequest(PermissionRequest::fresh(PermissionRequest::Action::eraseAndCheck));
    setStage(Stage::erasing());
    startEraseTask(std::move(access));
  });
}

QCoro::Task<> CardSession::withVolumeAccess(std::function<void(std::shared_ptr<VolumeAccess>)> then) {
  RunningCoroutine running(this);
  std::shared_ptr<SessionTask> own;
  if (!task_) {
    own = std::make_shared<SessionTask>();
    setTask(own);
  }
  auto opening = attempt(onBackground("Tessorin card folder", [candidates = VolumeAccess::candidates(device_, settings_)] {
    return VolumeAccess::openFrom(candidates);
  }));
  const Attempt<std::shared_ptr<VolumeAccess>> opened = co_await opening;
  std::shared_ptr<VolumeAccess> access = opened.value ? *opened.value : nullptr;
  if (own && task_ == own) setTask(nullptr);
  if ((own && own->isCancelled()) || disposeWhenIdle_) {
    if (access) access->stop();
    co_return;
  }
  then(std::move(access));
}

void CardSession::startEraseTask(std::shared_ptr<VolumeAccess> access) {
  auto task = std::make_shared<SessionTask>();
  // Stored before the coroutine starts, so that its end can release it.
  setTask(task);
  cleanUpCard(std::move(access), task);
}

void CardSession::handlePermissionGrant() {
  if (!permissionRequest_ || choosingFolder_) return;
  const PermissionRequest pending = *permissionRequest_;
  QPointer<CardSession> self(this);
  assign(choosingFolder_, true, &CardSession::choosingFolderChanged);
  VolumeAccess::request(device_, settings_, environment_.folderPicker,
                        [self, pending](VolumeAccess::RequestOutcome answer) {
                          if (self) self->assign(self->choosingFolder_, false, &CardSession::choosingFolderChanged);
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
      lookBeforeStarting(std::move(access));
      return;
    case PermissionRequest::Action::removeLeftovers:
      removeLeftovers(std::move(access));
      return;
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
  setQuickSkipped(std::nullopt);
  setZoneResult(std::nullopt);
  assignAlways(zoneTrace_, ZoneTrace{}, &CardSession::zoneTraceChanged);
  assign(liveProbes_, std::vector<ProbeCell>{}, &CardSession::liveProbesChanged);
  assign(readerBestBefore_, ReaderBestRead(settings_).readerBestRead(device_), &CardSession::readerBestBeforeChanged);
  assignAlways(fullResult_, std::optional<FullTestResult>(), &CardSession::fullResultChanged);
  assign(fullStopped_, false, &CardSession::fullStoppedChanged);
  assignAlways(outcome_, std::optional<CheckOutcome>(), &CardSession::outcomeChanged);
  assign(record_, std::optional<CheckRecord>(), &CardSession::recordChanged);
  assignAlways(full_, FullLive{}, &CardSession::fullChanged);
  assign(cardRemoved_, false, &CardSession::cardRemovedChanged);
  fileSystemDamaged_ = false;
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

void CardSession::updateDevice(CardDevice device) {
  if (!(stage_.kind == Stage::Kind::reinsert && stage_.cardOut)) return;
  // The test folder on it is this check's own.
  device.hasLeftoverTestFiles = false;
  setDevice(std::move(device));
  if (reinsertWait_) reinsertWait_->noteCardPutBack();
  setStage(Stage::reinsert(false));
  withVolumeAccess([this](std::shared_ptr<VolumeAccess> access) { resumeWithAccess(std::move(access)); });
}

void CardSession::resumeWithAccess(std::shared_ptr<VolumeAccess> access) {
  // While the folder was opened the card may have gone again, the wait been stopped, or
  // another opening have gone on already.
  if (!(stage_.kind == Stage::Kind::reinsert && !stage_.cardOut) || access_) {
    if (access) access->stop();
    return;
  }
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

}  // namespace tessorin
