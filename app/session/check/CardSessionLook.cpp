#include "session/check/CardSession.hpp"

#include <utility>

#include "session/check/Attempt.hpp"
#include "session/check/CardSessionSupport.hpp"
#include "session/check/WorkerAwaiter.hpp"
#include "session/errors/ErrorWording.hpp"

namespace tessorin {

namespace fs = std::filesystem;
using namespace session_support;

QCoro::Task<> CardSession::lookBeforeStarting(std::shared_ptr<VolumeAccess> access) {
  RunningCoroutine running(this);
  auto task = std::make_shared<SessionTask>();
  setTask(task);
  const fs::path folder = access ? access->url() : device_.volumeURL;
  struct Looked {
    CardLook look;
    std::shared_ptr<VolumeAccess> opened;
  };
  // The folder is opened beside the look, on the worker: a card that stops answering holds
  // the worker, never the window.
  auto looking = attempt(onBackground(
      "Tessorin card look", [folder, node = deviceNodeOf(device_), uuid = fileSystemUUIDOf(device_),
                             candidates = access ? std::optional<VolumeAccess::Candidates>()
                                                 : std::optional(VolumeAccess::candidates(device_, settings_))] {
        Looked looked{CardLook::take(folder, node, uuid), nullptr};
        if (candidates && looked.look.onCard()) looked.opened = VolumeAccess::openFrom(*candidates);
        return looked;
      }));
  const Attempt<Looked> looked = co_await looking;
  if (task_ == task) setTask(nullptr);
  const bool onCard = looked.value && looked.value->look.onCard();
  if (task->isCancelled() || !onCard) {
    if (access) access->stop();
    if (!task->isCancelled()) refuseStart(looked.value ? looked.value->look : CardLook{});
    co_return;
  }
  applyFigures(looked.value->look.figures);
  if (access) {
    startCheck(std::move(access));
    co_return;
  }
  switch (startAnswer()) {
    case StartAnswer::askToErase:
      setConfirmingErase(true);
      co_return;
    case StartAnswer::offerToErase:
      setOfferingErase(true);
      co_return;
    case StartAnswer::check:
      break;
  }
  if (auto opened = looked.value->opened) {
    startCheck(std::move(opened));
  } else {
    setPermissionRequest(PermissionRequest::fresh(PermissionRequest::Action::check));
  }
}

void CardSession::refuseStart(const CardLook& look) {
  if (look.place == CardLook::Place::unreadable) {
    return setError(ErrorWording::doesNotAnswer(QString::fromStdString(device_.volumeName),
                                                QString::fromStdString(look.failure), isUSBDrive()));
  }
  setErrorMessage(QStringLiteral("“%1” is no longer mounted at %2, so there is nothing of the card there to check. "
                                 "Put the card back in, then check it again.")
                      .arg(QString::fromStdString(device_.volumeName), QString::fromStdString(device_.volumeURL.string())));
}

void CardSession::applyFigures(const std::optional<VolumeStats>& figures) {
  // The file system and its driver are the mount's, which stands as long as the card is
  // the same card; only the space changes under it.
  if (!figures) return;
  VolumeStats next = device_.volume;
  next.blockSize = figures->blockSize;
  next.totalBytes = figures->totalBytes;
  next.availableBytes = figures->availableBytes;
  if (next == device_.volume) return;
  device_.volume = std::move(next);
  Q_EMIT deviceChanged();
}

void CardSession::refreshFigures() {
  if (stage_.isBusy() || task_) return;
  refreshFiguresOf(QPointer<CardSession>(this), device_.volumeURL, deviceNodeOf(device_), fileSystemUUIDOf(device_),
                   false);
}

void CardSession::refreshVolumeStats() {
  refreshFiguresOf(QPointer<CardSession>(this), device_.volumeURL, deviceNodeOf(device_), fileSystemUUIDOf(device_),
                   true);
}

QCoro::Task<> CardSession::refreshFiguresOf(QPointer<CardSession> session, fs::path volume, std::string deviceNode,
                                            std::string fileSystemUUID, bool settle) {
  auto reading = attempt(onBackground("Tessorin figures", [volume, deviceNode, fileSystemUUID, settle] {
    CardLook look = CardLook::take(volume, deviceNode, fileSystemUUID);
    if (look.onCard() && settle) look.figures = settledStats(volume);
    return look.figures;
  }));
  const Attempt<std::optional<VolumeStats>> read = co_await reading;
  // A check begun meanwhile keeps the figures it started with.
  if (!session || !read.value || session->stage_.isBusy()) co_return;
  session->applyFigures(*read.value);
}

}  // namespace tessorin
