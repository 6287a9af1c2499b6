#include "shell/core/AppSettingsFile.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "FileOwners.hpp"
#include "OrdinaryUser.hpp"
#include "SessionFixture.hpp"
#include "TmpfsMount.hpp"
#include "tessorin/posix/FileDescriptor.hpp"

namespace tessorin {
namespace {

using namespace std::chrono_literals;
using namespace testing;

// The working folders of runs that are in folder.
QStringList workingFoldersIn(const QString& folder) {
  return QDir(folder).entryList({QStringLiteral(".tessorin-working-*")},
                                QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// An environment variable as a test wants it, put back as it was when the test ends.
class EnvironmentVariable {
 public:
  EnvironmentVariable(const char* name, const std::optional<QString>& value)
      : name_(name), had_(qEnvironmentVariableIsSet(name)), before_(qgetenv(name)) {
    if (value) {
      qputenv(name, QFile::encodeName(*value));
    } else {
      qunsetenv(name);
    }
  }
  ~EnvironmentVariable() {
    if (had_) {
      qputenv(name_, before_);
    } else {
      qunsetenv(name_);
    }
  }
  EnvironmentVariable(const EnvironmentVariable&) = delete;
  EnvironmentVariable& operator=(const EnvironmentVariable&) = delete;

 private:
  const char* name_;
  bool had_;
  QByteArray before_;
};

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

// Dotfile managers keep a program's settings file elsewhere and put a link (or a chain of
// them, relative) at its name: the settings are read through it, and saved by replacing
// the file it leads to, the link kept.
TEST(AppSettingsFile, ALinkAtTheNameToAFileOfTheUsersIsReadAndSavedThroughAndKept) {
  QTemporaryDir home;
  const QString kept = home.filePath(QStringLiteral("dotfiles/tessorin"));
  const QString config = home.filePath(QStringLiteral("config/Tessorin"));
  ASSERT_TRUE(QDir().mkpath(kept) && QDir().mkpath(config));
  const QString real = kept + QStringLiteral("/Tessorin.conf");
  const QString between = home.filePath(QStringLiteral("dotfiles/current.conf"));
  const QString path = config + QStringLiteral("/Tessorin.conf");
  writeText(real, "[General]\nShowDiskImages=true\n");
  // The mode the user gave the file it keeps.
  ASSERT_TRUE(setMode(real, 0640));
  ASSERT_TRUE(link(QStringLiteral("tessorin/Tessorin.conf"), between));
  ASSERT_TRUE(link(QStringLiteral("../../dotfiles/current.conf"), path));
  {
    AppSettingsFile file(path);
    EXPECT_TRUE(file.notice().isEmpty()) << file.notice().toStdString();
    EXPECT_TRUE(file.settings().value(QStringLiteral("ShowDiskImages")).toBool()) << "not read through the link";
    file.settings().setValue(QStringLiteral("ReinsertBeforeVerify"), true);
    file.save();
    EXPECT_TRUE(QSettings(real, QSettings::IniFormat).value(QStringLiteral("ReinsertBeforeVerify")).toBool())
        << "not saved through the link";
    // Another program changes the file the link leads to.
    writeText(real, textOf(real) + "OtherKey=b\n");
    file.settings().setValue(QStringLiteral("CustomName"), QStringLiteral("a"));
    file.save();
    EXPECT_EQ(file.settings().value(QStringLiteral("OtherKey")), QStringLiteral("b"));
    EXPECT_TRUE(file.saveError().isEmpty()) << file.saveError().toStdString();
  }
  EXPECT_EQ(linkTarget(path), QStringLiteral("../../dotfiles/current.conf")) << "the link was replaced";
  EXPECT_EQ(linkTarget(between), QStringLiteral("tessorin/Tessorin.conf")) << "the link was replaced";
  const struct stat saved = statusAt(real);
  EXPECT_TRUE(S_ISREG(saved.st_mode));
  EXPECT_EQ(saved.st_mode & 0777, 0640u) << "the file behind the link lost its mode";
  const QSettings after(real, QSettings::IniFormat);
  EXPECT_TRUE(after.value(QStringLiteral("ShowDiskImages")).toBool());
  EXPECT_TRUE(after.value(QStringLiteral("ReinsertBeforeVerify")).toBool());
  EXPECT_EQ(after.value(QStringLiteral("OtherKey")), QStringLiteral("b"));
  EXPECT_EQ(after.value(QStringLiteral("CustomName")), QStringLiteral("a"));
  EXPECT_EQ(QDir(kept).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList{QStringLiteral("Tessorin.conf")})
      << "a file of the save was left behind";
}

// A link that leads to no regular file of the user's is neither read, nor waited on, nor
// replaced: the settings are kept for the run, and the user is told.
TEST(AppSettingsFile, ALinkToAFifoADeviceAFolderOrAnotherUsersFileIsLeftAsItIsWithoutWaiting) {
  const struct {
    const char* what;
    std::function<QString(const QString& folder)> make;
  } cases[] = {
      {"a FIFO",
       [](const QString& folder) {
         const QString fifo = folder + QStringLiteral("/fifo");
         ::mkfifo(QFile::encodeName(fifo).constData(), 0600);
         return fifo;
       }},
      {"a device", [](const QString&) { return QStringLiteral("/dev/zero"); }},
      {"a folder",
       [](const QString& folder) {
         QDir().mkpath(folder + QStringLiteral("/folder"));
         return folder + QStringLiteral("/folder");
       }},
      {"another user's file",
       [](const QString& folder) {
         const QString theirs = folder + QStringLiteral("/theirs.conf");
         writeText(theirs, "[General]\nCommunityServer=https://elsewhere.example\n");
         giveToNobody(theirs);
         return theirs;
       }},
      {"links that go round",
       [](const QString& folder) {
         link(folder + QStringLiteral("/round-b"), folder + QStringLiteral("/round-a"));
         link(folder + QStringLiteral("/round-a"), folder + QStringLiteral("/round-b"));
         return folder + QStringLiteral("/round-a");
       }},
  };
  for (const auto& test : cases) {
    QTemporaryDir home;
    const QString path = home.filePath(QStringLiteral("Tessorin.conf"));
    const QString target = test.make(home.path());
    ASSERT_TRUE(link(target, path)) << test.what;
    // Only a regular file is read here: a FIFO or a device would hold the test.
    const bool regular = S_ISREG(statusAt(target).st_mode);
    const QByteArray before = regular ? textOf(target) : QByteArray();
    {
      const Watchdog watchdog(test.what);
      AppSettingsFile file(path);
      EXPECT_FALSE(file.notice().isEmpty()) << test.what;
      EXPECT_EQ(file.noticeFile(), QDir::toNativeSeparators(path)) << test.what;
      EXPECT_FALSE(file.settings().contains(QStringLiteral("CommunityServer"))) << test.what;
      file.settings().setValue(QStringLiteral("ReinsertBeforeVerify"), true);
      file.save();
      EXPECT_TRUE(file.settings().value(QStringLiteral("ReinsertBeforeVerify")).toBool()) << "not kept for the run";
    }
    EXPECT_EQ(linkTarget(path), target) << test.what << ": the link was replaced";
    if (regular) {
      EXPECT_EQ(textOf(target), before) << test.what << ": written through the link";
    }
  }
}

// Whatever another program puts at the name, at any moment, no load and no save waits on
// it, follows it, or writes into it; once a file stands there again, it is saved to.
TEST(AppSettingsFile, NothingSwappedInAtTheNameHoldsALoadOrASaveOrIsWrittenThrough) {
  QTemporaryDir home;
  const QString path = home.filePath(QStringLiteral("Tessorin.conf"));
  const QByteArray name = QFile::encodeName(path);
  const QByteArray spare = QFile::encodeName(home.filePath(QStringLiteral("spare")));
  // A link to a file of the user's is read and saved through; one to a FIFO is not.
  const QString elsewhere = home.filePath(QStringLiteral("elsewhere.fifo"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(elsewhere).constData(), 0600), 0);

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

// Run in the other user's child, which may call nothing that takes a lock another thread
// of the test held at the fork: every entry of folder is renamed aside and a link to
// target put at its name; the links put there before are pointed at target instead.
int turnEverythingIn(const std::string& folder, const std::string& target) {
  std::vector<std::string> names;
  if (DIR* entries = ::opendir(folder.c_str())) {
    while (const dirent* entry = ::readdir(entries)) {
      const std::string name = entry->d_name;
      if (name != "." && name != ".." && name.rfind("aside-", 0) != 0) names.push_back(name);
    }
    ::closedir(entries);
  }
  int turned = 0;
  for (const std::string& name : names) {
    const std::string at = folder + "/" + name;
    struct stat status {};
    if (::lstat(at.c_str(), &status) != 0) continue;
    if (S_ISLNK(status.st_mode) ? ::unlink(at.c_str()) != 0 : ::rename(at.c_str(), (folder + "/aside-" + name).c_str()) != 0) {
      continue;
    }
    if (::symlink(target.c_str(), at.c_str()) == 0) ++turned;
  }
  return turned;
}

// Another user who may write in a shared temporary folder without the sticky bit renames
// what the user has there aside and puts a link to a folder of theirs at its name. None of
// the settings' files is there to be turned: no line of theirs reaches the user's
// settings, and the end of the run removes nothing where a link points.
TEST(AppSettingsFile, ASharedTemporaryFolderWithoutTheStickyBitCannotTurnTheSettingsAgainstTheUser) {
  QTemporaryDir base;
  ASSERT_TRUE(base.isValid() && setMode(base.path(), 0755));
  const QString shared = base.filePath(QStringLiteral("shared"));
  const QString documents = base.filePath(QStringLiteral("documents"));
  const QString planted = base.filePath(QStringLiteral("planted"));
  const QString home = base.filePath(QStringLiteral("home"));
  for (const QString& folder : {shared, documents, planted, home + QStringLiteral("/Tessorin")}) {
    ASSERT_TRUE(QDir().mkpath(folder));
  }
  ASSERT_TRUE(setMode(shared, 0777) && setMode(home, 0700));
  writeText(documents + QStringLiteral("/letter.txt"), "Dear reader");
  writeText(planted + QStringLiteral("/Tessorin.conf"), "[General]\nCommunityServer=https://attacker.example\n");
  ASSERT_TRUE(giveToNobody(planted) && giveToNobody(planted + QStringLiteral("/Tessorin.conf")));
  const QString path = home + QStringLiteral("/Tessorin/Tessorin.conf");
  writeText(path, "[General]\nShowDiskImages=true\n");
  const EnvironmentVariable runtime("XDG_RUNTIME_DIR", std::nullopt);
  const EnvironmentVariable temporary("TMPDIR", shared);

  const std::string sharedName = QFile::encodeName(shared).toStdString();
  const std::string plantedName = QFile::encodeName(planted).toStdString();
  const std::string documentsName = QFile::encodeName(documents).toStdString();
  testing::OrdinaryUser attacker([&](testing::OrdinaryUser::Line& line) {
    line.awaitAnswer();
    line.say(std::to_string(turnEverythingIn(sharedName, plantedName)));
    line.awaitAnswer();
    line.say(std::to_string(turnEverythingIn(sharedName, documentsName)));
    return std::string("done");
  });
  std::optional<std::string> turnedAtStart;
  std::optional<std::string> turnedBeforeTheEnd;
  {
    AppSettingsFile file(path);
    attacker.answer("turn");
    turnedAtStart = attacker.heard();
    // Another program's change, so that the save takes it in key by key.
    writeText(path, "[General]\nShowDiskImages=true\nOtherKey=b\n");
    file.settings().setValue(QStringLiteral("ReinsertBeforeVerify"), true);
    file.save();
    attacker.answer("turn again");
    turnedBeforeTheEnd = attacker.heard();
  }
  ASSERT_EQ(attacker.result(), "done");
  ASSERT_TRUE(turnedAtStart && turnedBeforeTheEnd) << "the other user's part did not run";
  EXPECT_EQ(*turnedAtStart, "0") << "the settings were worked on in the shared folder";
  const QSettings saved(path, QSettings::IniFormat);
  EXPECT_FALSE(saved.contains(QStringLiteral("CommunityServer"))) << "the other user's line reached the settings";
  EXPECT_TRUE(saved.value(QStringLiteral("ReinsertBeforeVerify")).toBool());
  EXPECT_EQ(saved.value(QStringLiteral("OtherKey")), QStringLiteral("b"));
  EXPECT_EQ(textOf(documents + QStringLiteral("/letter.txt")), QByteArray("Dear reader"))
      << "the end of the run removed what a link pointed at";
}

// The working folder goes to the user's runtime folder only where no other user can rename
// or replace anything on the way to it; otherwise beside the settings file.
TEST(AppSettingsFile, TheWorkingFolderIsMadeOnlyWhereNoOtherUserCanRenameOrReplaceAnythingOnTheWay) {
  struct Made {
    QString runtime;
    // Where the working folder is to be made; "" for beside the settings.
    QString expected;
  };
  const struct {
    const char* what;
    std::function<Made(const QString& base)> make;
  } cases[] = {
      {"the user's own, 0700", [](const QString& base) { return Made{madeFolder(base + "/run", 0700), base + "/run"}; }},
      {"open to everyone", [](const QString& base) { return Made{madeFolder(base + "/run", 0777), {}}; }},
      {"open to a group another user is in",
       [](const QString& base) {
         giveToASharedGroup(madeFolder(base + "/run", 0770));
         return Made{base + "/run", {}};
       }},
      {"open to the user's private group, and on the way",
       [](const QString& base) {
         giveToTheUsersPrivateGroup(madeFolder(base + "/private", 0770));
         giveToTheUsersPrivateGroup(madeFolder(base + "/private/run", 0770));
         return Made{base + "/private/run", base + "/private/run"};
       }},
      {"another user's", [](const QString& base) { return Made{madeFolder(base + "/run", 0700, true), {}}; }},
      {"in a shared folder without the sticky bit",
       [](const QString& base) {
         madeFolder(base + "/shared", 0777);
         return Made{madeFolder(base + "/shared/run", 0700), {}};
       }},
      {"a link another user put in a shared folder with the sticky bit",
       [](const QString& base) {
         link(madeFolder(base + "/private", 0700), madeFolder(base + "/sticky", 01777) + "/run");
         giveToNobody(base + "/sticky/run");
         return Made{base + "/sticky/run", {}};
       }},
      {"a link to another user's folder",
       [](const QString& base) {
         link(madeFolder(base + "/theirs", 0700, true), base + "/run");
         return Made{base + "/run", {}};
       }},
      {"a link of the user's own to a folder of the user's",
       [](const QString& base) {
         link(QStringLiteral("../private"), madeFolder(base + "/links", 0755) + "/run");
         return Made{base + "/links/run", madeFolder(base + "/private", 0700)};
       }},
      {"not a whole path", [](const QString&) { return Made{QStringLiteral("run"), {}}; }},
  };
  for (const auto& test : cases) {
    QTemporaryDir base;
    ASSERT_TRUE(base.isValid() && setMode(base.path(), 0755));
    const Made made = test.make(base.path());
    const QString settingsFolder = base.filePath(QStringLiteral("home/Tessorin"));
    ASSERT_TRUE(QDir().mkpath(settingsFolder));
    const QString path = settingsFolder + QStringLiteral("/Tessorin.conf");
    const QString expected = made.expected.isEmpty() ? settingsFolder : made.expected;
    const QString other = made.expected.isEmpty() ? made.runtime : settingsFolder;
    const EnvironmentVariable runtime("XDG_RUNTIME_DIR", made.runtime);
    {
      AppSettingsFile file(path);
      EXPECT_TRUE(file.notice().isEmpty()) << test.what;
      const QStringList working = workingFoldersIn(expected);
      ASSERT_EQ(working.size(), 1) << test.what;
      EXPECT_EQ(statusAt(expected + QLatin1Char('/') + working.front()).st_mode & 0777, 0700u) << test.what;
      EXPECT_TRUE(workingFoldersIn(other).isEmpty()) << test.what;
      file.settings().setValue(QStringLiteral("ReinsertBeforeVerify"), true);
      file.save();
    }
    EXPECT_TRUE(QSettings(path, QSettings::IniFormat).value(QStringLiteral("ReinsertBeforeVerify")).toBool())
        << test.what;
    EXPECT_TRUE(workingFoldersIn(expected).isEmpty()) << test.what << ": the working folder was left behind";
  }
}

// With neither place fit for a working folder, nothing is read into one or saved from one:
// the settings are kept for the run, and the user is told.
TEST(AppSettingsFile, WithNoFolderOfItsOwnTheSettingsAreKeptForTheRunAndTheFileLeftAlone) {
  QTemporaryDir base;
  ASSERT_TRUE(base.isValid());
  const QString open = base.filePath(QStringLiteral("open"));
  ASSERT_TRUE(QDir().mkpath(open) && setMode(open, 0777));
  const QString path = open + QStringLiteral("/Tessorin.conf");
  const QByteArray before = "[General]\nShowDiskImages=true\n";
  writeText(path, before);
  const EnvironmentVariable runtime("XDG_RUNTIME_DIR", std::nullopt);
  {
    AppSettingsFile file(path);
    EXPECT_FALSE(file.notice().isEmpty());
    file.settings().setValue(QStringLiteral("ReinsertBeforeVerify"), true);
    file.save();
    EXPECT_TRUE(file.settings().value(QStringLiteral("ReinsertBeforeVerify")).toBool()) << "not kept for the run";
    EXPECT_TRUE(workingFoldersIn(open).isEmpty());
  }
  EXPECT_EQ(textOf(path), before);
}

// A run that is killed leaves its working folder; the next start removes it, however it
// was left (a link put in it is removed as a link), and keeps the folder of a run that is
// still going.
TEST(AppSettingsFile, WhatAKilledRunLeftIsRemovedAtTheNextStartWithoutFollowingItsLinks) {
  QTemporaryDir base;
  const QString run = base.filePath(QStringLiteral("run"));
  const QString documents = base.filePath(QStringLiteral("documents"));
  ASSERT_TRUE(QDir().mkpath(run) && setMode(run, 0700) && QDir().mkpath(documents));
  writeText(documents + QStringLiteral("/letter.txt"), "Dear reader");
  const QString path = base.filePath(QStringLiteral("Tessorin.conf"));
  writeText(path, "[General]\nShowDiskImages=true\n");
  const EnvironmentVariable runtime("XDG_RUNTIME_DIR", run);

  const auto start = [&](QProcess& process) {
    process.start(QStringLiteral(TESSORIN_SETTINGS_NEIGHBOUR), {QStringLiteral("tessorin"), path});
    return process.waitForReadyRead(60'000) && process.readLine() == "ready\n";
  };
  QProcess killed;
  ASSERT_TRUE(start(killed));
  const QStringList killedFolders = workingFoldersIn(run);
  ASSERT_EQ(killedFolders.size(), 1);
  QProcess alive;
  ASSERT_TRUE(start(alive));
  QStringList aliveFolders = workingFoldersIn(run);
  aliveFolders.removeAll(killedFolders.front());
  ASSERT_EQ(aliveFolders.size(), 1);
  ::kill(static_cast<pid_t>(killed.processId()), SIGKILL);
  ASSERT_TRUE(killed.waitForFinished(60'000));
  ASSERT_TRUE(link(documents, run + QLatin1Char('/') + killedFolders.front() + QStringLiteral("/documents")));

  {
    AppSettingsFile file(path);
    const QStringList now = workingFoldersIn(run);
    EXPECT_FALSE(now.contains(killedFolders.front())) << "the killed run's folder was kept";
    EXPECT_TRUE(now.contains(aliveFolders.front())) << "a running one's folder was removed";
    EXPECT_EQ(now.size(), 2);
  }
  EXPECT_EQ(textOf(documents + QStringLiteral("/letter.txt")), QByteArray("Dear reader"))
      << "the removal followed a link";
  ::kill(static_cast<pid_t>(alive.processId()), SIGKILL);
  alive.waitForFinished(60'000);
}

// A file QSettings cannot read in full would never be saved again: it is set aside beside
// itself, the user is told where, and the settings go on in a new file with what could
// be read.
TEST(AppSettingsFile, AMalformedFileIsSetAsideToldOfAndSavedAfresh) {
  const struct {
    const char* what;
    QByteArray text;
    bool keepsWhatCameFirst;
  } cases[] = {
      {"a NUL byte", QByteArray("[General]\nShowDiskImages=true\n\0Broken=1\n", 40), false},
      {"a line without =", "[General]\nShowDiskImages=true\nBroken\n", true},
      {"a group's name left open", "[General\nShowDiskImages=true\n", true},
  };
  for (const auto& test : cases) {
    QTemporaryDir home;
    const QString path = home.filePath(QStringLiteral("Tessorin.conf"));
    writeText(path, test.text);
    {
      AppSettingsFile file(path);
      EXPECT_FALSE(file.notice().isEmpty()) << test.what;
      const QString aside = QDir::fromNativeSeparators(file.noticeFile());
      EXPECT_TRUE(aside.startsWith(path + QStringLiteral(".unreadable-"))) << test.what;
      EXPECT_EQ(textOf(aside), test.text) << test.what << ": not set aside whole";
      const QSettings fresh(path, QSettings::IniFormat);
      EXPECT_EQ(fresh.status(), QSettings::NoError) << test.what << ": no new file saved";
      if (test.keepsWhatCameFirst) {
        EXPECT_TRUE(fresh.value(QStringLiteral("ShowDiskImages")).toBool()) << test.what;
        EXPECT_TRUE(file.settings().value(QStringLiteral("ShowDiskImages")).toBool()) << test.what;
      }
      file.settings().setValue(QStringLiteral("ReinsertBeforeVerify"), true);
    }
    AppSettingsFile next(path);
    EXPECT_TRUE(next.notice().isEmpty()) << test.what;
    EXPECT_TRUE(next.settings().value(QStringLiteral("ReinsertBeforeVerify")).toBool())
        << test.what << ": the change did not come back at the next start";
  }
}

// A malformed file stays at its name until the new file has been saved: while the disk
// has no room for the new one, the name keeps the old file, no copy of it is left behind,
// and nothing says it was kept aside; once there is room, the next save keeps it aside,
// says where, and saves the new file.
TEST(AppSettingsFile, AMalformedFileStaysAtItsNameUntilTheNewOneIsSaved) {
  QTemporaryDir home;
  const EnvironmentVariable runtime("XDG_RUNTIME_DIR", madeFolder(home.filePath(QStringLiteral("run")), 0700));
  const TmpfsMount disk(256 * 1024);
  const QString folder = QString::fromStdString(disk.path());
  ASSERT_TRUE(setMode(folder, 0700));
  const QString path = folder + QStringLiteral("/Tessorin.conf");
  const QByteArray malformed("[General]\nShowDiskImages=true\nBroken\n");
  writeText(path, malformed);
  const auto keptAside = [&] {
    return QDir(folder).entryList({QStringLiteral("Tessorin.conf.unreadable-*")}, QDir::Files);
  };
  const QString filler = folder + QStringLiteral("/filler");
  fillDisk(folder);
  AppSettingsFile file(path);
  ASSERT_FALSE(file.saveError().isEmpty()) << "the new file was saved on a full disk";
  EXPECT_EQ(textOf(path), malformed) << "the name lost the file";
  EXPECT_TRUE(keptAside().isEmpty()) << "a copy kept aside for a save that did not happen";
  EXPECT_TRUE(file.notice().isEmpty()) << file.notice().toStdString();

  ASSERT_TRUE(QFile::remove(filler));
  file.settings().setValue(QStringLiteral("ReinsertBeforeVerify"), true);
  file.save();
  EXPECT_TRUE(file.saveError().isEmpty()) << file.saveError().toStdString();
  ASSERT_EQ(keptAside().size(), 1);
  EXPECT_EQ(textOf(folder + QLatin1Char('/') + keptAside().front()), malformed);
  EXPECT_EQ(QDir::fromNativeSeparators(file.noticeFile()), folder + QLatin1Char('/') + keptAside().front());
  const QSettings fresh(path, QSettings::IniFormat);
  EXPECT_EQ(fresh.status(), QSettings::NoError);
  EXPECT_TRUE(fresh.value(QStringLiteral("ShowDiskImages")).toBool());
  EXPECT_TRUE(fresh.value(QStringLiteral("ReinsertBeforeVerify")).toBool());
}

// Another program saves the same file with QSettings many times a second while this run
// saves its own changes: under the lock both take each other's changes in, and no save
// of either is lost.
TEST(AppSettingsFile, AnotherProgramSavingManyTimesASecondLosesNoSaveAndNorDoesThisRun) {
  QTemporaryDir home;
  const QString path = home.filePath(QStringLiteral("Tessorin.conf"));
  writeText(path, "[General]\nShowDiskImages=true\n");
  constexpr int theirSaves = 1000;
  constexpr int ourMostSaves = 100;
  int ourSaves = 0;
  int theirExit = -1;
  {
    AppSettingsFile file(path);
    QProcess other;
    other.start(QStringLiteral(TESSORIN_SETTINGS_NEIGHBOUR),
                {QStringLiteral("qsettings"), path, QString::number(theirSaves), QStringLiteral("Theirs")});
    ASSERT_TRUE(other.waitForStarted(60'000));
    const Watchdog watchdog("saves beside another program's");
    // Far more often than a person changes a setting, while the other program saves.
    while (!other.waitForFinished(20)) {
      if (ourSaves == ourMostSaves) continue;
      ++ourSaves;
      file.settings().setValue(QStringLiteral("Ours/%1").arg(ourSaves), ourSaves);
      file.save();
      QCoreApplication::processEvents();
    }
    theirExit = other.exitCode();
  }
  ASSERT_EQ(theirExit, 0) << "the other program could not save";
  ASSERT_GT(ourSaves, 10) << "the two did not save at the same time";
  const QSettings saved(path, QSettings::IniFormat);
  int theirsKept = 0;
  for (int save = 1; save <= theirSaves; ++save) theirsKept += saved.contains(QStringLiteral("Theirs/%1").arg(save));
  int oursKept = 0;
  for (int save = 1; save <= ourSaves; ++save) oursKept += saved.contains(QStringLiteral("Ours/%1").arg(save));
  EXPECT_EQ(theirsKept, theirSaves) << theirSaves - theirsKept << " of the other program's saves were lost";
  EXPECT_EQ(oursKept, ourSaves) << ourSaves - oursKept << " of " << ourSaves << " saves of this run were lost";
  EXPECT_TRUE(saved.value(QStringLiteral("ShowDiskImages")).toBool());
}

// A program that rewrites the file in place has it half written when a save comes: the
// keys it has not reached yet are not taken as removed, and the save waits for it.
TEST(AppSettingsFile, AFileBeingRewrittenInPlaceIsWaitedForAndNoKeyIsTakenAsRemoved) {
  QTemporaryDir home;
  const QString path = home.filePath(QStringLiteral("Tessorin.conf"));
  writeText(path, "[General]\nShowDiskImages=true\nCustomName=a\n[ReaderBestRead]\nreader-1=10\n");
  AppSettingsFile file(path);
  ASSERT_EQ(file.settings().value(QStringLiteral("CustomName")), QStringLiteral("a"));

  const QByteArray rewritten = "[General]\nShowDiskImages=true\nCustomName=b\n[ReaderBestRead]\nreader-1=10\n";
  const qsizetype part = rewritten.indexOf("CustomName");
  FileDescriptor writer(::open(QFile::encodeName(path).constData(), O_WRONLY | O_TRUNC | O_CLOEXEC));
  ASSERT_TRUE(writer);
  ASSERT_EQ(::write(writer.get(), rewritten.constData(), static_cast<size_t>(part)), part);
  file.settings().setValue(QStringLiteral("ReinsertBeforeVerify"), true);
  file.save();
  EXPECT_EQ(textOf(path), rewritten.left(part)) << "saved over a file being written";
  EXPECT_TRUE(file.settings().contains(QStringLiteral("ReaderBestRead/reader-1")))
      << "a key the rewrite had not reached yet was taken as removed";
  EXPECT_EQ(file.settings().value(QStringLiteral("CustomName")), QStringLiteral("a"));

  const qsizetype rest = rewritten.size() - part;
  ASSERT_EQ(::write(writer.get(), rewritten.constData() + part, static_cast<size_t>(rest)), rest);
  writer.reset();
  EXPECT_TRUE(testing::turnLoopUntil(
      [&] { return QSettings(path, QSettings::IniFormat).value(QStringLiteral("ReinsertBeforeVerify")).toBool(); },
      60s))
      << "the save that waited never came";
  const QSettings saved(path, QSettings::IniFormat);
  EXPECT_EQ(saved.value(QStringLiteral("CustomName")), QStringLiteral("b"));
  EXPECT_EQ(saved.value(QStringLiteral("ReaderBestRead/reader-1")).toInt(), 10);
  EXPECT_TRUE(saved.value(QStringLiteral("ShowDiskImages")).toBool());
  EXPECT_EQ(file.settings().value(QStringLiteral("CustomName")), QStringLiteral("b"));
}

// A save that cannot happen is said (for the window), not only on standard error, and the
// word goes once a save has happened.
TEST(AppSettingsFile, ASaveThatCannotHappenIsToldUntilOneDoes) {
  QTemporaryDir home;
  const QString path = home.filePath(QStringLiteral("Tessorin.conf"));
  writeText(path, "[General]\nShowDiskImages=true\n");
  AppSettingsFile file(path);
  ASSERT_TRUE(file.saveError().isEmpty());

  // A folder put in the file's place.
  ASSERT_TRUE(QFile::remove(path) && QDir().mkdir(path));
  file.settings().setValue(QStringLiteral("First"), 1);
  file.save();
  EXPECT_FALSE(file.saveError().isEmpty());
  ASSERT_TRUE(QDir().rmdir(path));
  file.settings().setValue(QStringLiteral("Second"), 2);
  file.save();
  EXPECT_TRUE(file.saveError().isEmpty()) << file.saveError().toStdString();

  // Another program holds the lock: a moment's wait is not told, a long one is.
  {
    QLockFile held(path + QStringLiteral(".lock"));
    ASSERT_TRUE(held.tryLock(0));
    file.settings().setValue(QStringLiteral("Third"), 3);
    file.save();
    EXPECT_TRUE(file.saveError().isEmpty()) << "a lock held for a moment was told of";
    EXPECT_TRUE(testing::turnLoopUntil([&] { return !file.saveError().isEmpty(); }, 60s));
  }
  file.settings().setValue(QStringLiteral("Fourth"), 4);
  file.save();
  EXPECT_TRUE(file.saveError().isEmpty()) << file.saveError().toStdString();
  const QSettings saved(path, QSettings::IniFormat);
  for (const char* key : {"First", "Second", "Third", "Fourth"}) {
    EXPECT_TRUE(saved.contains(QString::fromLatin1(key))) << key;
  }
}

// Where another user may change the settings (a shared group's umask 002, a careless
// chmod), what stands there may be theirs: a file naming their community server, or a
// link that has the next save overwrite a file of the user's. Nothing there is read or
// written; the settings are kept for the run, and the window is told what to mend.
TEST(AppSettingsFile, WhatOtherUsersMayChangeIsNeitherReadNorSavedAndTheNoticeNamesIt) {
  struct World {
    QString home;
    QString config;
    QString path;
    QString gitconfig;
  };
  const QByteArray theirs = "[General]\nCommunityServer=http://evil.example\n";
  const QByteArray gitconfig = "[user]\n\tname = A. User\n";
  const struct {
    const char* what;
    // Arranges the world; what the notice is to name.
    std::function<QString(const World&)> arrange;
  } cases[] = {
      {"a folder on the way open to a group another user is in",
       [&](const World& world) {
         writeText(world.path, theirs);
         setMode(world.config, 0770);
         giveToASharedGroup(world.config);
         return world.config;
       }},
      {"the settings' folder open to everyone",
       [&](const World& world) {
         writeText(world.path, theirs);
         setMode(world.config + QStringLiteral("/Tessorin"), 0777);
         return world.config + QStringLiteral("/Tessorin");
       }},
      {"another user's file at the name",
       [&](const World& world) {
         writeText(world.path, theirs);
         giveToNobody(world.path);
         return world.path;
       }},
      {"a folder on the way with an ACL entry that lets another user write",
       [&](const World& world) {
         writeText(world.path, theirs);
         EXPECT_TRUE(addToAcl(world.config, "u:65534:rwx"));
         return world.config;
       }},
      {"the settings with an ACL entry that lets another user write",
       [&](const World& world) {
         writeText(world.path, theirs);
         EXPECT_TRUE(addToAcl(world.path, "u:65534:rw-"));
         return world.path;
       }},
      {"the user's link to a file with an ACL entry that lets another user write",
       [&](const World& world) {
         const QString target = world.home + QStringLiteral("/tessorin.conf");
         writeText(target, theirs);
         EXPECT_TRUE(setMode(target, 0600) && addToAcl(target, "u:65534:rw-"));
         link(target, world.path);
         return target;
       }},
      {"the settings' folder sticky and open to everyone",
       [&](const World& world) {
         writeText(world.path, theirs);
         setMode(world.config + QStringLiteral("/Tessorin"), 01777);
         return world.config + QStringLiteral("/Tessorin");
       }},
      {"a file of the user's that others may write",
       [&](const World& world) {
         writeText(world.path, theirs);
         setMode(world.path, 0666);
         return world.path;
       }},
      {"another user's link at the name to a file of the user's",
       [&](const World& world) {
         link(world.gitconfig, world.path);
         giveToNobody(world.path);
         return world.path;
       }},
      {"the user's link to a file in a folder others may write",
       [&](const World& world) {
         const QString open = madeFolder(world.home + QStringLiteral("/open"), 0777);
         writeText(open + QStringLiteral("/Tessorin.conf"), theirs);
         link(open + QStringLiteral("/Tessorin.conf"), world.path);
         return open;
       }},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.what);
    QTemporaryDir base;
    ASSERT_TRUE(base.isValid() && setMode(base.path(), 0755));
    const World world{madeFolder(base.filePath(QStringLiteral("home")), 0755), base.filePath(QStringLiteral("home/config")),
                      base.filePath(QStringLiteral("home/config/Tessorin/Tessorin.conf")),
                      base.filePath(QStringLiteral("home/.gitconfig"))};
    madeFolder(world.config, 0700);
    madeFolder(world.config + QStringLiteral("/Tessorin"), 0700);
    writeText(world.gitconfig, gitconfig);
    const EnvironmentVariable runtime("XDG_RUNTIME_DIR", madeFolder(base.filePath(QStringLiteral("run")), 0700));
    const QString named = test.arrange(world);
    const QDir settingsFolder(world.config + QStringLiteral("/Tessorin"));
    const auto everything = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    const QStringList inFolder = settingsFolder.entryList(everything);
    const struct stat before = statusAt(world.path);
    const QByteArray textBefore = textOf(world.path);
    ASSERT_FALSE(textBefore.isEmpty());
    {
      AppSettingsFile file(world.path);
      EXPECT_FALSE(file.notice().isEmpty());
      EXPECT_EQ(file.noticeFile(), QDir::toNativeSeparators(named));
      EXPECT_FALSE(file.settings().contains(QStringLiteral("CommunityServer"))) << "their line was taken";
      file.settings().setValue(QStringLiteral("ReinsertBeforeVerify"), true);
      file.save();
      EXPECT_TRUE(file.settings().value(QStringLiteral("ReinsertBeforeVerify")).toBool()) << "not kept for the run";
    }
    const struct stat after = statusAt(world.path);
    EXPECT_EQ(after.st_ino, before.st_ino) << "what stood at the name was replaced";
    EXPECT_EQ(textOf(world.path), textBefore) << "written to";
    EXPECT_EQ(textOf(world.gitconfig), gitconfig) << "a file of the user's was overwritten";
    EXPECT_EQ(settingsFolder.entryList(everything), inFolder)
        << "something was made where others may put things first";
  }
}

// An ACL that lets no one else write (entries for the user and the user's private group, or
// another user's under a mask that forbids write) leaves the settings the user's.
TEST(AppSettingsFile, ACLsThatLetNoOneElseWriteLeaveTheSettingsTheUsers) {
  QTemporaryDir base;
  ASSERT_TRUE(base.isValid() && setMode(base.path(), 0755));
  const QString config = madeFolder(base.filePath(QStringLiteral("config")), 0700);
  const QString folder = madeFolder(config + QStringLiteral("/Tessorin"), 0700);
  const QString path = folder + QStringLiteral("/Tessorin.conf");
  writeText(path, "[General]\nShowDiskImages=true\n");
  ASSERT_TRUE(setMode(path, 0600));
  const QByteArray privateGroup = QByteArray::number(::getpwuid(::geteuid())->pw_gid);
  ASSERT_TRUE(addToAcl(config, "u:65534:rwx,m::r-x"));
  ASSERT_TRUE(addToAcl(folder, "g:" + privateGroup + ":rwx,u:" + QByteArray::number(::geteuid()) + ":rwx"));
  ASSERT_TRUE(addToAcl(path, "g:" + privateGroup + ":rw-,u:65534:rw-,m::r--"));
  const EnvironmentVariable runtime("XDG_RUNTIME_DIR", madeFolder(base.filePath(QStringLiteral("run")), 0700));
  {
    AppSettingsFile file(path);
    EXPECT_TRUE(file.notice().isEmpty()) << file.notice().toStdString();
    EXPECT_TRUE(file.settings().value(QStringLiteral("ShowDiskImages")).toBool());
    file.settings().setValue(QStringLiteral("ReinsertBeforeVerify"), true);
  }
  EXPECT_TRUE(QSettings(path, QSettings::IniFormat).value(QStringLiteral("ReinsertBeforeVerify")).toBool());
}

// Debian gives each user a group of their own, and umask 002 lets it write: folders so
// made are the user's, and the settings are read and saved there, the working folder
// beside them where there is no runtime folder.
TEST(AppSettingsFile, FoldersOnlyTheUsersPrivateGroupMayWriteInAreTheUsers) {
  QTemporaryDir base;
  ASSERT_TRUE(base.isValid() && setMode(base.path(), 0755));
  const QString config = madeFolder(base.filePath(QStringLiteral("config")), 0770);
  const QString folder = madeFolder(config + QStringLiteral("/Tessorin"), 0770);
  ASSERT_TRUE(giveToTheUsersPrivateGroup(config) && giveToTheUsersPrivateGroup(folder));
  const QString path = folder + QStringLiteral("/Tessorin.conf");
  writeText(path, "[General]\nShowDiskImages=true\n");
  ASSERT_TRUE(setMode(path, 0660) && giveToTheUsersPrivateGroup(path));
  const EnvironmentVariable runtime("XDG_RUNTIME_DIR", std::nullopt);
  {
    AppSettingsFile file(path);
    EXPECT_TRUE(file.notice().isEmpty()) << file.notice().toStdString();
    EXPECT_TRUE(file.settings().value(QStringLiteral("ShowDiskImages")).toBool());
    EXPECT_EQ(workingFoldersIn(folder).size(), 1);
    file.settings().setValue(QStringLiteral("ReinsertBeforeVerify"), true);
  }
  EXPECT_TRUE(QSettings(path, QSettings::IniFormat).value(QStringLiteral("ReinsertBeforeVerify")).toBool());
}

QStringList unfinishedSavesIn(const QString& folder, const QString& file = QStringLiteral("Tessorin.conf")) {
  return QDir(folder).entryList({QLatin1Char('.') + file + QStringLiteral(".tessorin-save-??????")},
                                QDir::AllEntries | QDir::Hidden | QDir::System);
}

// Runs of Tessorin saving the settings at path, killed one after another until one leaves
// its new file in folder; the kills it took.
int killSavesUntilOneIsLeftIn(const QString& path, const QString& folder, const QString& file) {
  const Watchdog watchdog("saves killed until one leaves its file");
  int kills = 0;
  for (; unfinishedSavesIn(folder, file).isEmpty() && kills < 500; ++kills) {
    QProcess saving;
    saving.start(QStringLiteral(TESSORIN_SETTINGS_NEIGHBOUR), {QStringLiteral("saving"), path});
    if (!saving.waitForReadyRead(60'000) || saving.readLine() != "ready\n") return kills;
    // Anywhere within the first saves, each of which takes a few milliseconds.
    std::this_thread::sleep_for(std::chrono::microseconds(kills * 7919 % 60000));
    ::kill(static_cast<pid_t>(saving.processId()), SIGKILL);
    saving.waitForFinished(60'000);
    // A run killed as it made its lock leaves it empty, which holds every save for
    // QLockFile's half a minute; this is about the new files.
    QFile::remove(path + QStringLiteral(".lock"));
  }
  return kills;
}

// A run killed in the midst of a save leaves its new file beside the settings: the next
// start removes it, though only when no save holds the settings' lock, and never another
// user's file, a link, or a file of another name.
TEST(AppSettingsFile, NewFilesOfSavesThatWereKilledAreRemovedAtTheNextStart) {
  QTemporaryDir home;
  const QString path = home.filePath(QStringLiteral("Tessorin.conf"));
  writeText(path, "[General]\nShowDiskImages=true\n");
  const EnvironmentVariable runtime("XDG_RUNTIME_DIR", madeFolder(home.filePath(QStringLiteral("run")), 0700));
  const int kills = killSavesUntilOneIsLeftIn(path, home.path(), QStringLiteral("Tessorin.conf"));
  const QStringList left = unfinishedSavesIn(home.path());
  ASSERT_FALSE(left.isEmpty()) << "no save was killed in its midst in " << kills << " kills";

  const QString theirs = home.filePath(QStringLiteral(".Tessorin.conf.tessorin-save-Th3irs"));
  const QString linked = home.filePath(QStringLiteral(".Tessorin.conf.tessorin-save-L1nked"));
  const QString notes = home.filePath(QStringLiteral(".Tessorin.conf.tessorin-save-notes.txt"));
  writeText(theirs, "theirs");
  ASSERT_TRUE(giveToNobody(theirs));
  ASSERT_TRUE(link(path, linked));
  writeText(notes, "notes");
  {
    // A save going on holds the lock: what looks left over may be its file.
    QLockFile saving(path + QStringLiteral(".lock"));
    ASSERT_TRUE(saving.tryLock(0));
    AppSettingsFile file(path);
    for (const QString& name : left) EXPECT_TRUE(QFile::exists(home.filePath(name))) << "removed under a save's lock";
  }
  fileClockPast(home.path());
  {
    AppSettingsFile file(path);
    EXPECT_TRUE(file.notice().isEmpty()) << file.notice().toStdString();
    EXPECT_TRUE(file.settings().value(QStringLiteral("ShowDiskImages")).toBool()) << "a killed save cost the settings";
  }
  EXPECT_EQ(unfinishedSavesIn(home.path()), QStringList({QStringLiteral(".Tessorin.conf.tessorin-save-L1nked"),
                                                         QStringLiteral(".Tessorin.conf.tessorin-save-Th3irs")}));
  EXPECT_TRUE(QFile::exists(notes));
  EXPECT_EQ(linkTarget(linked), path);
}

// The user's own copies beside the settings, or beside the file the user's link at the
// settings' name leads to, are never taken for what a save left, however they are named:
// not at a start, by a save, nor after saves that were killed.
TEST(AppSettingsFile, TheUsersOwnCopiesBesideTheSettingsOrTheLinksTargetOutliveStartsSavesAndKilledSaves) {
  QTemporaryDir home;
  const EnvironmentVariable runtime("XDG_RUNTIME_DIR", madeFolder(home.filePath(QStringLiteral("run")), 0700));
  const QString config = madeFolder(home.filePath(QStringLiteral("config")), 0700);
  const QString dotfiles = madeFolder(home.filePath(QStringLiteral("dotfiles")), 0700);
  const QString path = config + QStringLiteral("/Tessorin.conf");
  const QString target = dotfiles + QStringLiteral("/tessorin");
  writeText(target, "[General]\nShowDiskImages=true\n");
  ASSERT_TRUE(link(target, path));
  std::map<QString, QByteArray> copies = usersCopiesBeside(target);
  copies.merge(usersCopiesBeside(path));

  for (int start = 0; start < 5; ++start) {
    AppSettingsFile file(path);
    file.settings().setValue(QStringLiteral("Start"), start);
    file.save();
    ASSERT_TRUE(file.saveError().isEmpty()) << file.saveError().toStdString();
  }
  expectUntouched(copies, "starts and saves");
  const int kills = killSavesUntilOneIsLeftIn(path, dotfiles, QStringLiteral("tessorin"));
  ASSERT_FALSE(unfinishedSavesIn(dotfiles, QStringLiteral("tessorin")).isEmpty())
      << "no save was killed in its midst in " << kills << " kills";
  expectUntouched(copies, "killed saves");
  fileClockPast(dotfiles);
  {
    AppSettingsFile file(path);
    EXPECT_TRUE(file.settings().value(QStringLiteral("ShowDiskImages")).toBool());
  }
  EXPECT_TRUE(unfinishedSavesIn(dotfiles, QStringLiteral("tessorin")).isEmpty()) << "a killed save's file was kept";
  expectUntouched(copies, "the start after killed saves");
  EXPECT_EQ(linkTarget(path), target);
}

}  // namespace
}  // namespace tessorin
