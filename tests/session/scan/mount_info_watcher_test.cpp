#include "session/scan/MountInfoWatcher.hpp"

#include <unistd.h>

#include <chrono>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>

#include "Command.hpp"
#include "LoopVolume.hpp"

namespace tessorin {
namespace {

using testing::runCommand;

// Turns the event loop until the watcher has fired `wanted` times or two seconds pass.
int waitForChanges(MountInfoWatcher& watcher, int wanted) {
  int seen = 0;
  QObject::connect(&watcher, &MountInfoWatcher::mountsChanged, [&seen] { ++seen; });
  QElapsedTimer clock;
  clock.start();
  while (seen < wanted && clock.elapsed() < 2000) {
    QEventLoop loop;
    QTimer::singleShot(20, &loop, &QEventLoop::quit);
    loop.exec();
  }
  return seen;
}

TEST(MountInfoWatcher, MountAndUnmountEachWakeTheMainLoop) {
  if (::geteuid() != 0) GTEST_SKIP() << "mounting needs root";
  testing::TemporaryFolder folder;
  MountInfoWatcher watcher;
  ASSERT_TRUE(watcher.isWatching());

  ASSERT_TRUE(runCommand({"/usr/bin/mount", "-t", "tmpfs", "-o", "size=1m", "tessorin-test", folder.path()}).ok());
  EXPECT_GE(waitForChanges(watcher, 1), 1);
  ASSERT_TRUE(runCommand({"/usr/bin/umount", folder.path()}).ok());
  EXPECT_GE(waitForChanges(watcher, 1), 1);
}

}  // namespace
}  // namespace tessorin
