#include "shell/core/AppSettingsFile.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "SessionFixture.hpp"

namespace tessorin {
namespace {

using namespace std::chrono_literals;

QByteArray textOf(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeText(const QString& path, const QByteArray& text) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(text);
}

struct stat statusAt(const QString& path) {
  struct stat status {};
  ::lstat(QFile::encodeName(path).constData(), &status);
  return status;
}

// Ends the test program when the work it watches has not ended long after it should
// have: a hang is a failure, however slow the machine.
class Watchdog {
 public:
  explicit Watchdog(const char* what)
      : thread_([this, what] {
          std::unique_lock lock(mutex_);
          if (!ended_.wait_for(lock, 120s, [this] { return done_; })) {
            std::fprintf(stderr, "hung: %s\n", what);
            std::abort();
          }
        }) {}
  ~Watchdog() {
    {
      std::lock_guard lock(mutex_);
      done_ = true;
    }
    ended_.notify_one();
    thread_.join();
  }

 private:
  std::mutex mutex_;
  std::condition_variable ended_;
  bool done_ = false;
  std::thread thread_;
};

TEST(AppSettingsFile, AUsersFileIsReadAndItsChangesSavedByReplacingIt) {
  QTemporaryDir home;
  const QString path = home.filePath(QStringLiteral("Tessorin/Tessorin.conf"));
  {
    // A file as QSettings itself wrote it before.
    QSettings before(path, QSettings::IniFormat);
    before.setValue(QStringLiteral("ShowDiskImages"), true);
    before.setValue(QStringLiteral("DeviceKinds"), QVariantMap{{QStringLiteral("card-1"), QStringLiteral("drive")}});
  }
  // Held open, the first file keeps its inode and shows whether it was written in place.
  QFile first(path);
  ASSERT_TRUE(first.open(QIODevice::ReadOnly));
  const QByteArray firstText = first.readAll();
  {
    AppSettingsFile file(path);
    EXPECT_TRUE(file.notice().isEmpty());
    EXPECT_TRUE(file.settings().value(QStringLiteral("ShowDiskImages")).toBool());
    EXPECT_EQ(file.settings().value(QStringLiteral("DeviceKinds")).toMap().value(QStringLiteral("card-1")),
              QStringLiteral("drive"));
    // Saved as the event loop comes round, as the application's changes are.
    file.settings().setValue(QStringLiteral("ReinsertBeforeVerify"), true);
    EXPECT_TRUE(testing::turnLoopUntil(
        [&] { return QSettings(path, QSettings::IniFormat).value(QStringLiteral("ReinsertBeforeVerify")).toBool(); },
        10s));
    file.settings().setValue(QStringLiteral("ShowDiskImages"), false);
  }
  const QSettings after(path, QSettings::IniFormat);
  EXPECT_FALSE(after.value(QStringLiteral("ShowDiskImages")).toBool()) << "the last change was not saved at the end";
  EXPECT_TRUE(after.value(QStringLiteral("ReinsertBeforeVerify")).toBool());
  EXPECT_EQ(after.value(QStringLiteral("DeviceKinds")).toMap().value(QStringLiteral("card-1")), QStringLiteral("drive"));
  const struct stat saved = statusAt(path);
  EXPECT_TRUE(S_ISREG(saved.st_mode));
  EXPECT_TRUE(first.seek(0));
  EXPECT_EQ(first.readAll(), firstText) << "written in place rather than replaced";
  EXPECT_EQ(saved.st_mode & 0777, 0600u) << "the settings hold the community's token";
  EXPECT_EQ(QDir(home.filePath(QStringLiteral("Tessorin"))).entryList(QDir::Files | QDir::Hidden),
            QStringList{QStringLiteral("Tessorin.conf")})
      << "a file of the save was left behind";
}

TEST(AppSettingsFile, AnotherProgramsChangeIsKeptUnlessThisRunChangedTheSameKey) {
  QTemporaryDir home;
  const QString path = home.filePath(QStringLiteral("Tessorin.conf"));
  writeText(path, "[General]\nShowDiskImages=false\nCustomName=a\n[ReaderBestRead]\nreader-1=10\n");
  AppSettingsFile file(path);
  ASSERT_EQ(file.settings().value(QStringLiteral("CustomName")), QStringLiteral("a"));

  writeText(path, "[General]\nShowDiskImages=true\nOtherKey=b\n[ReaderBestRead]\nreader-1=20\n");
  file.settings().setValue(QStringLiteral("ReaderBestRead/reader-1"), 30);
  file.save();

  const QSettings saved(path, QSettings::IniFormat);
  EXPECT_EQ(saved.value(QStringLiteral("ShowDiskImages")), QStringLiteral("true"));
  EXPECT_EQ(saved.value(QStringLiteral("ReaderBestRead/reader-1")).toInt(), 30) << "this run's change lost";
  EXPECT_EQ(saved.value(QStringLiteral("OtherKey")), QStringLiteral("b"));
  EXPECT_FALSE(saved.contains(QStringLiteral("CustomName"))) << "a key the other program removed came back";
  EXPECT_EQ(file.settings().value(QStringLiteral("ShowDiskImages")), QStringLiteral("true"));
}

TEST(AppSettingsFile, ALinkAtTheNameIsNeitherFollowedNorReplaced) {
  QTemporaryDir home;
  const QString path = home.filePath(QStringLiteral("Tessorin.conf"));
  const QString elsewhere = home.filePath(QStringLiteral("elsewhere.conf"));
  writeText(elsewhere, "[General]\nShowDiskImages=true\n");
  ASSERT_TRUE(QFile::link(elsewhere, path));
  {
    AppSettingsFile file(path);
    EXPECT_FALSE(file.notice().isEmpty());
    EXPECT_EQ(file.noticeFile(), QDir::toNativeSeparators(path));
    EXPECT_FALSE(file.settings().contains(QStringLiteral("ShowDiskImages"))) << "read through the link";
    file.settings().setValue(QStringLiteral("ReinsertBeforeVerify"), true);
    file.save();
    EXPECT_TRUE(file.settings().value(QStringLiteral("ReinsertBeforeVerify")).toBool()) << "not kept for the run";
  }
  EXPECT_TRUE(S_ISLNK(statusAt(path).st_mode)) << "the link was replaced";
  EXPECT_EQ(textOf(elsewhere), QByteArray("[General]\nShowDiskImages=true\n")) << "written through the link";
}

// Whatever another program puts at the name, at any moment, no load and no save waits on
// it, follows it, or writes into it; once a file stands there again, it is saved to.
TEST(AppSettingsFile, NothingSwappedInAtTheNameHoldsALoadOrASaveOrIsWrittenThrough) {
  QTemporaryDir home;
  const QString path = home.filePath(QStringLiteral("Tessorin.conf"));
  const QByteArray name = QFile::encodeName(path);
  const QByteArray spare = QFile::encodeName(home.filePath(QStringLiteral("spare")));
  const QString elsewhere = home.filePath(QStringLiteral("elsewhere.conf"));
  const QByteArray linked = "[General]\nShowDiskImages=true\n";
  writeText(elsewhere, linked);

  std::atomic<bool> stop = false;
  std::atomic<int> swaps = 0;
  std::thread swapper([&] {
    for (int turn = 0; !stop; ++turn) {
      ::unlink(spare.constData());
      if (turn % 3 == 0) {
        ::mkfifo(spare.constData(), 0600);
      } else if (turn % 3 == 1) {
        [[maybe_unused]] const int made = ::symlink(QFile::encodeName(elsewhere).constData(), spare.constData());
      } else {
        QFile file(QFile::decodeName(spare));
        if (file.open(QIODevice::WriteOnly)) file.write("[General]\nSwapped=1\n");
      }
      if (::rename(spare.constData(), name.constData()) == 0) ++swaps;
    }
  });

  int passedOver = 0;
  int read = 0;
  {
    const Watchdog watchdog("a load or save of the settings with things swapped in at their name");
    for (int round = 0; round < 300; ++round) {
      AppSettingsFile file(path);
      (file.notice().isEmpty() ? read : passedOver) += 1;
      file.settings().setValue(QStringLiteral("Round"), round);
      file.save();
    }
    stop = true;
    swapper.join();
  }
  // Each kind of thing stood at the name as the settings were read.
  ASSERT_GT(swaps, 300);
  EXPECT_GT(read, 0);
  EXPECT_GT(passedOver, 0);
  EXPECT_EQ(textOf(elsewhere), linked) << "written through the link";

  // Whatever the swaps left there goes; a file takes its place.
  ::unlink(name.constData());
  writeText(path, "[General]\nShowDiskImages=true\n");
  {
    AppSettingsFile file(path);
    file.settings().setValue(QStringLiteral("Round"), 300);
  }
  const QSettings saved(path, QSettings::IniFormat);
  EXPECT_EQ(saved.value(QStringLiteral("Round")).toInt(), 300);
  EXPECT_TRUE(saved.value(QStringLiteral("ShowDiskImages")).toBool());
}

}  // namespace
}  // namespace tessorin
