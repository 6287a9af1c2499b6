// Community.sqlite is the user's own: where another user may have put it there or may
// change it (a folder on the way, a link at its name, a file at its log's), nothing there is
// read or written, the records are kept until the application quits and the user is told
// once what to mend; no link at a log's name is followed; the user's private group is the
// user's own; and what the store makes is the user's alone.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <string>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "../session/FileOwners.hpp"
#include "AwaitTask.hpp"
#include "LocalInstallation.hpp"
#include "community/store/SqliteDatabase.hpp"

namespace tessorin {
namespace {

using Kind = CommunityStore::State::Kind;
using testing::boughtAt;
using testing::fakeCheck;
using testing::Installation;

// The stores of the reports an installation lists.
std::vector<QString> storesListed(Installation& installation) {
  awaitTask(installation.store.load());
  std::vector<QString> stores;
  for (const StoreReport& report : installation.store.reports()) stores.push_back(report.store);
  return stores;
}

// A user's records in a home of their own: Community.sqlite in its data folder, the
// settings in a folder of their own beside the home.
struct RecordsHome : testing::UsersHome {
  RecordsHome() { testing::madeFolder(settings, 0700); }
  QString path = data + QStringLiteral("/Community.sqlite");
  QString settings = base.filePath(QStringLiteral("settings"));
};

TEST(LocalRecordOwners, WhatOtherUsersMayChangeIsNeitherReadNorWrittenAndTheRecordsAreKeptForTheRun) {
  const struct {
    const char* what;
    // Arranges the home, where their records are at the name; what the notice is to name.
    std::function<QString(const RecordsHome&)> arrange;
  } cases[] = {
      {"a folder on the way open to a group another user is in",
       [](const RecordsHome& home) {
         testing::setMode(home.home, 0770);
         testing::giveToASharedGroup(home.home);
         return home.home;
       }},
      {"the records' folder with an ACL entry that lets another user write",
       [](const RecordsHome& home) {
         EXPECT_TRUE(testing::addToAcl(home.data, "u:65534:rwx"));
         return home.data;
       }},
      {"the records' folder sticky and open to everyone",
       [](const RecordsHome& home) {
         testing::setMode(home.data, 01777);
         return home.data;
       }},
      {"another user's link at the name to a file of the user's",
       [](const RecordsHome& home) {
         QFile::remove(home.path);
         testing::link(home.bashrc, home.path);
         testing::giveToNobody(home.path);
         return home.path;
       }},
      {"another user's file at the log's name",
       [](const RecordsHome& home) {
         testing::writeText(home.path + QStringLiteral("-wal"), QByteArray(4096, '\x5A'));
         testing::setMode(home.path + QStringLiteral("-wal"), 0666);
         testing::giveToNobody(home.path + QStringLiteral("-wal"));
         return home.path + QStringLiteral("-wal");
       }},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.what);
    RecordsHome home;
    {
      Installation theirs(home.settings, home.data);
      awaitTask(theirs.store.share(fakeCheck(), boughtAt("Theirs")));
    }
    const QString named = test.arrange(home);
    const QByteArray file = testing::textOf(home.path);
    const QByteArray bashrc = testing::textOf(home.bashrc);
    const QStringList inData = home.inData();
    {
      Installation here(home.settings, home.data);
      EXPECT_TRUE(here.store.isAvailable());
      EXPECT_FALSE(here.store.notice().isEmpty());
      EXPECT_EQ(here.store.noticeFile().toStdString(), QDir::toNativeSeparators(named).toStdString());
      EXPECT_TRUE(storesListed(here).empty()) << "their records were listed";
      awaitTask(here.store.share(fakeCheck(), boughtAt("Mine")));
      EXPECT_EQ(storesListed(here), std::vector<QString>{QStringLiteral("Mine")}) << "not kept for the run";
      EXPECT_EQ(here.store.state().kind, Kind::loaded) << here.store.state().message.toStdString();
    }
    EXPECT_EQ(testing::textOf(home.path), file) << "what stood at the name was written";
    EXPECT_EQ(testing::textOf(home.bashrc), bashrc) << "a file of the user's was written";
    EXPECT_EQ(home.inData(), inData) << "something was made or set aside where others may change it";
  }
}

// A link at the log's name is followed by nothing, even the user's: the records cannot be
// used, which the user is told, and the file it leads to is left as it is.
TEST(LocalRecordOwners, NoLinkAtTheLogsNameIsFollowedEvenTheUsers) {
  RecordsHome home;
  {
    Installation before(home.settings, home.data);
    awaitTask(before.store.share(fakeCheck(), boughtAt("Mine")));
  }
  ASSERT_TRUE(testing::link(home.bashrc, home.path + QStringLiteral("-wal")));
  const QByteArray bashrc = testing::textOf(home.bashrc);
  {
    Installation here(home.settings, home.data);
    EXPECT_EQ(here.store.noticeFile().toStdString(),
              QDir::toNativeSeparators(home.path + QStringLiteral("-wal")).toStdString());
    awaitTask(here.store.load());
    EXPECT_EQ(here.store.state().kind, Kind::failed);
  }
  EXPECT_EQ(testing::textOf(home.bashrc), bashrc) << "written through the user's link at the log's name";
  EXPECT_EQ(testing::linkTarget(home.path + QStringLiteral("-wal")), home.bashrc);
}

// Debian gives each user a group of their own, and umask 002 lets it write: folders and a
// file so made are the user's, and the records are read and kept there. What the store
// makes itself is the user's alone, whatever the umask.
TEST(LocalRecordOwners, WhatOnlyTheUsersPrivateGroupMayWriteInIsTheUsersAndWhatIsMadeIsTheUsersAlone) {
  RecordsHome home;
  const mode_t umaskBefore = ::umask(002);
  {
    Installation first(home.settings, home.data);
    awaitTask(first.store.share(fakeCheck(), boughtAt("First")));
    EXPECT_EQ(testing::statusAt(home.path).st_mode & 0777, 0600u);
    EXPECT_EQ(testing::statusAt(home.path + QStringLiteral("-wal")).st_mode & 0777, 0600u);
  }
  ::umask(umaskBefore);
  for (const auto& [made, mode] : {std::pair{home.home, 0770}, std::pair{home.data, 0770}, std::pair{home.path, 0660}}) {
    ASSERT_TRUE(testing::setMode(made, mode) && testing::giveToTheUsersPrivateGroup(made));
  }
  {
    Installation here(home.settings, home.data);
    EXPECT_TRUE(here.store.notice().isEmpty()) << here.store.notice().toStdString();
    awaitTask(here.store.share(fakeCheck(), boughtAt("Second")));
  }
  Installation later(home.settings, home.data);
  EXPECT_EQ(storesListed(later).size(), 2u);
}

// SQLite makes a log when a write first needs it, long after the store looked at its name:
// what stands there by then is never written into when it is another user's file, nor
// through a link.
TEST(LocalRecordOwners, NoConnectionWritesIntoAnotherUsersFileOrThroughALinkAtALogsName) {
  QTemporaryDir folder;
  const QString path = folder.filePath(QStringLiteral("records.sqlite"));
  const QString log = path + QStringLiteral("-wal");
  const QString target = folder.filePath(QStringLiteral("target"));
  const QByteArray text(4096, '\x5A');
  const struct {
    const char* what;
    std::function<void()> plant;
  } cases[] = {
      {"another user's file",
       [&] {
         testing::writeText(log, text);
         testing::setMode(log, 0666);
         testing::giveToNobody(log);
       }},
      {"a link", [&] { testing::link(target, log); }},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.what);
    QFile::remove(path);
    {
      SqliteDatabase database(path);
      database.execute("PRAGMA journal_mode = WAL; CREATE TABLE kept (value); INSERT INTO kept VALUES (1);");
    }
    ASSERT_FALSE(QFile::exists(log)) << "the log outlived its connection";
    testing::writeText(target, text);
    test.plant();
    try {
      SqliteDatabase database(path);
      database.execute("INSERT INTO kept VALUES (2)");
      ADD_FAILURE() << "a write went through";
    } catch (const SqliteError&) {
    }
    EXPECT_EQ(testing::textOf(log), text) << "written into";
    EXPECT_EQ(testing::textOf(target), text) << "written through";
    QFile::remove(log);
  }
}

}  // namespace
}  // namespace tessorin
