#include "shell/core/SingleInstance.hpp"

#include <QDir>
#include <QFile>
#include <QSysInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "SessionFixture.hpp"

namespace tessorin {
namespace {

using namespace std::chrono_literals;

TEST(SingleInstance, ASecondStartIsRefusedAndAsksTheFirstToRaiseItsWindow) {
  QTemporaryDir folder;
  SingleInstance first(folder.path());
  int raises = 0;
  QObject::connect(&first, &SingleInstance::raiseRequested, [&raises] { ++raises; });
  ASSERT_TRUE(first.claim());

  SingleInstance second(folder.path());
  EXPECT_FALSE(second.claim());
  EXPECT_TRUE(testing::turnLoopUntil([&raises] { return raises == 1; }, 5s));
}

TEST(SingleInstance, TheLockOfAProcessThatDiedIsTakenOver) {
  QTemporaryDir folder;
  QProcess gone;
  gone.start("/bin/sh", {"-c", "echo $$"});
  ASSERT_TRUE(gone.waitForFinished());
  const QByteArray pid = gone.readAllStandardOutput().trimmed();
  QFile lock(QDir(folder.path()).filePath("tessorin.lock"));
  ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
  lock.write(pid + "\nsh\n" + QSysInfo::machineHostName().toUtf8() + "\n");
  lock.close();

  SingleInstance instance(folder.path());
  EXPECT_TRUE(instance.claim());
}

TEST(SingleInstance, AFifoAtTheLocksNameIsReplacedInsteadOfWaitedOn) {
  QTemporaryDir folder;
  const QString lockPath = QDir(folder.path()).filePath("tessorin.lock");
  ASSERT_EQ(::mkfifo(QFile::encodeName(lockPath).constData(), 0600), 0);

  SingleInstance instance(folder.path());
  EXPECT_TRUE(instance.claim());
  struct stat status {};
  ASSERT_EQ(::lstat(QFile::encodeName(lockPath).constData(), &status), 0);
  EXPECT_TRUE(S_ISREG(status.st_mode));

  SingleInstance second(folder.path());
  EXPECT_FALSE(second.claim());
}

}  // namespace
}  // namespace tessorin
