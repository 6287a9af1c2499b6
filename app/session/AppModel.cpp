#include "session/AppModel.hpp"

#include <algorithm>
#include <chrono>
#include <filesystem>

#include <QDateTime>
#include <QFileInfo>
#include <QPointer>
#include <qcoro/qcorotimer.h>

#include "community/store/RecordStoreChoice.hpp"
#include "tessorin/identity/DeviceScanner.hpp"
#include "tessorin/posix/MountTable.hpp"

namespace tessorin {

namespace {

using namespace std::chrono_literals;

constexpr auto delayedRescan = 1500ms;
constexpr auto pollPeriod = 2000ms;
constexpr auto quitPollPeriod = 200ms;
constexpr qint64 quitLimitMilliseconds = 30'000;

std::set<std::string> mountedBlockVolumes() {
  std::set<std::string> volumes;
  try {
    const MountTable table = MountTable::read();
    for (const MountEntry& entry : table.entries()) {
      if (entry.sourceIsDeviceNode()) volumes.insert(entry.mountPoint);
    }
  } catch (...) {
    // No answer counts as no volumes.
  }
  return volumes;
}

}  // namespace

AppModel::Sources AppModel::Sources::system() {
  auto scan = std::make_shared<ParallelDeviceScan>();
  return {[scan](bool includeDiskImages) { return scan->scan(includeDiskImages); }, mountedBlockVolumes, true, {}, {},
          scan};
}

AppModel::AppModel(QSettings& settings, QUrl historyUrl, CardSession::Environment environment, Sources sources,
                   QObject* parent)
    : QObject(parent), settings_(settings), environment_(std::move(environment)), sources_(std::move(sources)) {
  community_ = new CommunityStore(
      settings_,
      sources_.communityRecords ? sources_.communityRecords()
                                : makeRecordStore(settings_, QFileInfo(historyUrl.toLocalFile()).absolutePath()),
      this);
  includeDiskImages_ = settings_.value(QStringLiteral("ShowDiskImages"), false).toBool();
  history_ = new History(std::move(historyUrl), this);
  CardEraseJob::Erase erase = sources_.erase;
  if (!erase) erase = &CardFormatter::erase;
  eraseJob_ = new CardEraseJob(std::move(erase), this);
  if (sources_.systemScan && sources_.scan) {
    scanWorker_ = std::make_unique<ScanWorker>(
        [scan = sources_.scan, includeDiskImages = includeDiskImages_] { return scan(includeDiskImages); });
    connect(scanWorker_.get(), &ScanWorker::scanned, this, &AppModel::takeIn);
    sources_.systemScan->setLateAnswerHandler([worker = scanWorker_.get()] { worker->request(); });
  }
  rescan();
  if (sources_.watchMountTable) {
    watcher_ = std::make_unique<MountInfoWatcher>();
    connect(watcher_.get(), &MountInfoWatcher::mountsChanged, this, &AppModel::mountsChanged);
  }
  mounted_ = sources_.mountedVolumes ? sources_.mountedVolumes() : std::set<std::string>();
  connect(&watch_, &QTimer::timeout, this, &AppModel::checkMountedVolumes);
  watch_.start(pollPeriod);
}

AppModel::~AppModel() {
  // The worker goes with the model; a description answering late must not reach it.
  if (sources_.systemScan) sources_.systemScan->setLateAnswerHandler({});
  // Qt would delete the child sessions right after this, also one whose coroutine is
  // suspended (a quit that gave up after 30 s, a deletion still on its worker), and the
  // next turn of an event loop would resume that coroutine into freed memory. Every
  // session is stopped, since nothing can show or drive it any more; one whose coroutine
  // is still suspended is taken off the model and disposed, which deletes it only once
  // its last coroutine has ended. Dropped sessions waiting for that are children too.
  for (CardSession* child : findChildren<CardSession*>(Qt::FindDirectChildrenOnly)) {
    child->stop();
    if (!child->hasSuspendedCoroutine()) continue;
    child->setParent(nullptr);
    child->dispose();
  }
}

void AppModel::setShowingHowItWorks(bool shown) {
  if (showingHowItWorks_ == shown) return;
  showingHowItWorks_ = shown;
  Q_EMIT showingHowItWorksChanged();
}

CardSession* AppModel::makeSession(const CardDevice& device) {
  return new CardSession(device, history_, settings_, environment_, this);
}

CardSession* AppModel::session(const std::string& id) const {
  for (CardSession* candidate : sessions_) {
    if (candidate->id() == id) return candidate;
  }
  return nullptr;
}

bool AppModel::isVolumePresent(const CardSession* session) const {
  return session != nullptr && removed_.count(session->id()) == 0;
}

bool AppModel::sameCard(const CardDevice& known, const CardDevice& scanned) {
  if (known.id != scanned.id) return false;
  if (!known.fileSystemUUID.empty() || !scanned.fileSystemUUID.empty()) {
    return known.fileSystemUUID == scanned.fileSystemUUID;
  }
  const auto serial = [](const CardDevice& device) {
    return device.registers ? device.registers->serialHex() : std::nullopt;
  };
  return known.mediaBytes == scanned.mediaBytes && serial(known) == serial(scanned);
}

void AppModel::removeFromRemoved(const std::string& id) {
  if (removed_.erase(id) > 0) Q_EMIT removedChanged();
}

std::vector<CardDevice> AppModel::withKnownIDs(std::vector<CardDevice> devices) const {
  std::set<std::string> kept;
  std::vector<bool> keeps(devices.size(), false);
  for (std::size_t i = 0; i < devices.size(); ++i) {
    CardDevice& device = devices[i];
    if (device.fileSystemUUID.empty()) continue;
    for (const CardSession* known : sessions_) {
      const CardDevice& before = known->device();
      if (before.fileSystemUUID == device.fileSystemUUID && before.bsdName == device.bsdName &&
          kept.insert(known->id()).second) {
        device.id = known->id();
        keeps[i] = true;
        break;
      }
    }
  }
  // A twin whose scanned id went to a card that kept its own is told apart again.
  std::set<std::string> seen = kept;
  for (std::size_t i = 0; i < devices.size(); ++i) {
    if (keeps[i]) continue;
    if (!seen.insert(devices[i].id).second) {
      devices[i].id += "-" + devices[i].bsdName;
      seen.insert(devices[i].id);
    }
  }
  return devices;
}

void AppModel::mountsChanged() {
  // Reading the table waits on no device; a mount that went is forgotten before the scan
  // that may run long after, and a volume mounted again meanwhile is read afresh.
  if (sources_.systemScan) {
    try {
      sources_.systemScan->noteMountTable(MountTable::read());
    } catch (...) {
      // The scan reads the table itself.
    }
  }
  rescan();
  // The timer dies with the model, so a late rescan never reaches a model that is gone.
  QTimer::singleShot(delayedRescan, this, &AppModel::rescan);
}

void AppModel::rescan() {
  if (scanWorker_) {
    scanWorker_->request();
    return;
  }
  takeIn(sources_.scan ? sources_.scan(includeDiskImages_) : std::vector<CardDevice>());
}

void AppModel::takeIn(const std::vector<CardDevice>& scanned) {
  const std::vector<CardDevice> devices = withKnownIDs(scanned);
  std::vector<CardSession*> next;
  std::vector<std::string> added;
  std::vector<CardSession*> replaced;

  for (const CardDevice& device : devices) {
    CardSession* known = session(device.id);
    if (known != nullptr && !sameCard(known->device(), device)) {
      // Another card under a reused device name: the old session's card is gone.
      if (removed_.count(device.id) == 0) known->close();
      if (known->stage().isBusy()) {
        // A busy session keeps its place until it comes to rest; the new card waits.
        next.push_back(known);
        continue;
      }
      removeFromRemoved(device.id);
      replaced.push_back(known);
      known = nullptr;
    }
    if (known == nullptr) {
      next.push_back(makeSession(device));
      added.push_back(device.id);
      continue;
    }
    if (removed_.count(device.id) == 0) {
      if (known->stage().isAtRest()) known->setDevice(device);
      next.push_back(known);
      continue;
    }
    removeFromRemoved(device.id);
    if (known->stage() == CardSessionStage::reinsert(true)) {
      known->updateDevice(device);
      next.push_back(known);
    } else if (known->stage().isAtRest()) {
      replaced.push_back(known);
      next.push_back(makeSession(device));
      added.push_back(device.id);
    } else {
      next.push_back(known);
    }
  }

  const auto contains = [](const std::vector<CardSession*>& list, const CardSession* candidate) {
    return std::find(list.begin(), list.end(), candidate) != list.end();
  };
  for (CardSession* old : sessions_) {
    if (contains(replaced, old) || contains(next, old)) continue;
    if (removed_.count(old->id()) == 0) old->close();
    if (old->stage().isBusy() || (selection_ && selection_->isCard(old->id()))) {
      if (removed_.insert(old->id()).second) Q_EMIT removedChanged();
      next.push_back(old);
    } else {
      removeFromRemoved(old->id());
      replaced.push_back(old);
    }
  }

  const bool changed = sessions_ != next;
  sessions_ = std::move(next);
  if (changed) Q_EMIT sessionsChanged();
  for (CardSession* gone : replaced) gone->dispose();

  if (!added.empty()) {
    const std::string& newest = added.back();
    bool stale = false;
    if (selection_ && selection_->kind == Selection::Kind::card && removed_.count(selection_->cardID) > 0) {
      const CardSession* selected = session(selection_->cardID);
      stale = selected != nullptr && !(selected->stage() == CardSessionStage::reinsert(true));
    }
    if (!selection_ || stale) setSelection(Selection::card(newest));
  }
  if (selection_ && selection_->kind == Selection::Kind::card && session(selection_->cardID) == nullptr) {
    setSelection(std::nullopt);
  }
  if (!selection_ && !sessions_.empty()) setSelection(Selection::card(sessions_.front()->id()));
}

void AppModel::checkMountedVolumes() {
  std::set<std::string> now = sources_.mountedVolumes ? sources_.mountedVolumes() : std::set<std::string>();
  if (now == mounted_) return;
  mounted_ = std::move(now);
  Q_EMIT mountedChanged();
  rescan();
}

void AppModel::setSelection(std::optional<Selection> selection) {
  if (selection_ == selection) return;
  selection_ = std::move(selection);
  prune();
  Q_EMIT selectionChanged();
}

void AppModel::prune() {
  std::vector<CardSession*> collected;
  for (CardSession* candidate : sessions_) {
    if (removed_.count(candidate->id()) == 0 || candidate->stage().isBusy()) continue;
    if (selection_ && selection_->isCard(candidate->id())) continue;
    collected.push_back(candidate);
  }
  if (collected.empty()) return;
  for (CardSession* gone : collected) removeFromRemoved(gone->id());
  std::erase_if(sessions_, [&collected](CardSession* s) {
    return std::find(collected.begin(), collected.end(), s) != collected.end();
  });
  Q_EMIT sessionsChanged();
  for (CardSession* gone : collected) gone->dispose();
}

std::set<std::string> AppModel::busyDisks() const {
  std::set<std::string> disks;
  for (const CardSession* candidate : sessions_) {
    if (candidate->stage().isBusy() || candidate->task()) disks.insert(candidate->device().wholeDiskBSDName);
  }
  return disks;
}

QCoro::Task<> AppModel::stopAllAndWait() {
  QPointer<AppModel> self(this);
  for (CardSession* candidate : std::vector<CardSession*>(sessions_)) {
    switch (candidate->stage().kind) {
      case CardSessionStage::Kind::decision:
        candidate->finish();
        break;
      case CardSessionStage::Kind::reinsert:
        if (candidate->task()) candidate->task()->cancel();
        candidate->resumeReinsertion(std::nullopt);
        break;
      case CardSessionStage::Kind::quick:
      case CardSessionStage::Kind::full:
      case CardSessionStage::Kind::erasing:
        if (candidate->task()) candidate->task()->cancel();
        break;
      case CardSessionStage::Kind::idle:
      case CardSessionStage::Kind::finished:
        break;
    }
  }
  const qint64 deadline = QDateTime::currentMSecsSinceEpoch() + quitLimitMilliseconds;
  for (;;) {
    if (!self) co_return;
    const bool anyBusy = self->eraseJob_->running() ||
                         std::any_of(self->sessions_.begin(), self->sessions_.end(),
                                     [](const CardSession* s) { return s->stage().isBusy(); });
    if (!anyBusy || QDateTime::currentMSecsSinceEpoch() >= deadline) co_return;
    QCoro::Task<> pause = QCoro::sleepFor(quitPollPeriod);
    co_await pause;
  }
}

}  // namespace tessorin
