#include "session/check/CardSession.hpp"

#include <exception>
#include <limits>
#include <set>
#include <string>

#include <QLocale>

#include "session/check/Attempt.hpp"
#include "session/check/CardSessionSupport.hpp"
#include "session/check/WorkerAwaiter.hpp"
#include "session/errors/ErrorWording.hpp"
#include "session/system/CardFiles.hpp"
#include "tessorin/posix/TestFolder.hpp"
#include "tessorin/posix/VolumeStats.hpp"

namespace tessorin {

using namespace session_support;

namespace {

const std::set<std::string> ignoredRootItems = {".Spotlight-V100", ".fseventsd", ".TemporaryItems",
                                                ".DocumentRevisions-V100"};

}  // namespace

QCoro::Task<> CardSession::cleanUpCard(std::shared_ptr<VolumeAccess> access, std::shared_ptr<SessionTask> task) {
  RunningCoroutine running(this);
  struct Deleted {
    CardLook look;
    std::optional<VolumeStats> figures;
    bool cardRefusesWrites = false;
  };
  auto deleting = attempt(onBackground("Tessorin erase", [url = access->url(), node = deviceNodeOf(device_),
                                                          uuid = fileSystemUUIDOf(device_)] {
    Deleted deleted;
    // Nothing is deleted, and nothing checked after, in a folder that is not the card's.
    deleted.look = CardLook::take(url, node, uuid);
    if (!deleted.look.onCard()) return deleted;
    try {
      deleted.cardRefusesWrites = !CardFiles::open(url, node, uuid).deleteAllExcept(ignoredRootItems);
    } catch (...) {
      // Pulled out between the look and the deletion.
      deleted.look.place = CardLook::Place::elsewhere;
      return deleted;
    }
    deleted.figures = settledStats(url);
    return deleted;
  }));
  const Attempt<Deleted> deleted = co_await deleting;
  if (!deleted.value || !deleted.value->look.onCard()) {
    setTask(nullptr);
    access->stop();
    setStage(Stage::idle());
    if (!task->isCancelled()) refuseStart(deleted.value ? deleted.value->look : CardLook{});
    co_return;
  }
  afterCleanUp(access, task, deleted.value->figures, deleted.value->cardRefusesWrites);
}

void CardSession::afterCleanUp(const std::shared_ptr<VolumeAccess>& access, const std::shared_ptr<SessionTask>& task,
                               const std::optional<VolumeStats>& figures, bool cardRefusesWrites) {
  setTask(nullptr);
  if (figures) {
    device_.volume = *figures;
    // A card that refuses writes keeps its test folder, whatever the volume shows.
    if (!cardRefusesWrites) device_.hasLeftoverTestFiles = false;
    Q_EMIT deviceChanged();
  }
  // A stop while the files were being deleted: the deletion has ended; no check follows.
  if (task->isCancelled()) {
    access->stop();
    return setStage(Stage::idle());
  }
  const std::uint64_t total = device_.volume.totalBytes;
  const std::uint64_t used = device_.volume.usedBytes();
  // A card that refuses writes kept its files, and erasing cannot help it: the check
  // gives it its verdict and the advice to copy the files off it.
  if (cardRefusesWrites || total == 0 || static_cast<double>(used) <= shareOfTheCard * static_cast<double>(total)) {
    return startCheck(access);
  }
  access->stop();
  setStage(Stage::idle());
  // With a no-break space, as every other figure on screen: the alert must not split "12.3 MB".
  const QString inUse = QLocale::system()
                            .formattedDataSize(static_cast<qint64>(std::min<std::uint64_t>(
                                                   used, std::numeric_limits<qint64>::max())),
                                               1, QLocale::DataSizeSIFormat)
                            .replace(u' ', u'\u00A0');
  setErrorMessage(QStringLiteral("Tessorin deleted the files, but the card still reports %1 in use. Either its file "
                                 "system is damaged or the card doesn’t keep changes. Erase it in the Disks utility and "
                                 "check it again; if that doesn’t free it either, the card is broken.")
                      .arg(inUse));
  setShowingDiskUtilityGuide(true);
}

QCoro::Task<> CardSession::removeLeftovers(std::shared_ptr<VolumeAccess> access) {
  RunningCoroutine running(this);
  // What the worker saw; worded on the main thread, where the device's kind is known.
  struct Refusal {
    QString systemWords;
    SystemReason reason = SystemReason::other;
    bool cardRefusesWrites = false;
  };
  // Deleting and reading the medium's UUID block; a slow card must not freeze the window.
  auto removing = attempt(onBackground("Tessorin clean-up", [url = access->url(), node = deviceNodeOf(device_),
                                                             uuid = fileSystemUUIDOf(device_)] {
    try {
      CardFiles::open(url, node, uuid).removeTestFolder();
      return std::optional<Refusal>();
    } catch (const TestFolderNotRemovable& error) {
      return std::optional<Refusal>(Refusal{describe(error), systemReasonOf(error), error.cardRefusesWrites()});
    } catch (const std::exception& error) {
      return std::optional<Refusal>(Refusal{describe(error), systemReasonOf(error)});
    }
  }));
  const Attempt<std::optional<Refusal>> removed = co_await removing;
  access->stop();
  if (removed.value && !*removed.value) {
    device_.hasLeftoverTestFiles = false;
    Q_EMIT deviceChanged();
    co_return;
  }
  const Refusal refusal = removed.value ? **removed.value : Refusal{};
  const QString folder = QString::fromStdString(TestFolder::path(device_.volumeURL).string());
  if (refusal.cardRefusesWrites) {
    setErrorMessage(QStringLiteral("The card is read-only, so the test folder “%1” stays on it. "
                                   "Copy your files off it first, while it still reads them.")
                        .arg(QString::fromUtf8(TestFolder::name)));
  } else {
    setError(ErrorWording::testFolderNotRemoved(folder, refusal.systemWords, refusal.reason, isUSBDrive()));
  }
}

}  // namespace tessorin
