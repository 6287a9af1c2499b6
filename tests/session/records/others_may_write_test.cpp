#include "session/records/OthersMayWrite.hpp"

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <thread>

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "../FileOwners.hpp"
#include "tessorin/posix/FileDescriptor.hpp"

namespace tessorin {
namespace {

// The accounts a test wants, read by the system's own look-ups: /etc/passwd and /etc/group
// are replaced by files of the test's own for one thread alone, in a mount namespace of
// that thread's own, which goes with it. Needs root.
template <class Check>
void withAccounts(const QByteArray& passwd, const QByteArray& group, Check check) {
  ASSERT_EQ(::geteuid(), 0u) << "replacing the account files for a thread needs root";
  QTemporaryDir folder;
  for (const auto& [name, text] : {std::pair{"passwd", passwd}, std::pair{"group", group}}) {
    QFile file(folder.filePath(QString::fromLatin1(name)));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
  }
  const QByteArray passwdFile = QFile::encodeName(folder.filePath(QStringLiteral("passwd")));
  const QByteArray groupFile = QFile::encodeName(folder.filePath(QStringLiteral("group")));
  std::string failed;
  std::thread([&] {
    if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount(passwdFile.constData(), "/etc/passwd", nullptr, MS_BIND, nullptr) != 0 ||
        ::mount(groupFile.constData(), "/etc/group", nullptr, MS_BIND, nullptr) != 0) {
      failed = "the account files could not be replaced for the test";
      return;
    }
    check();
  }).join();
  ASSERT_TRUE(failed.empty()) << failed;
}

constexpr uid_t alice = 1001;

const QByteArray accounts =
    "root:x:0:0:root:/root:/bin/sh\n"
    "alice:x:1001:1001::/home/alice:/bin/sh\n"
    "bob:x:1002:1002::/home/bob:/bin/sh\n"
    "carol:x:1003:1010::/home/carol:/bin/sh\n"
    "nobody:x:65534:65534::/nonexistent:/usr/sbin/nologin\n";
const QByteArray groups =
    "root:x:0:\n"
    "alice:x:1001:\n"
    "bob:x:1002:alice\n"
    "shared:x:1010:alice\n"
    "listed:x:1020:alice\n"
    "team:x:1030:alice,bob\n"
    "unlisted:x:1040:\n"
    "stranger:x:1050:alice,ghost\n"
    "nogroup:x:65534:\n";

TEST(OthersMayWrite, AGroupIsTheUsersOwnOnlyWhenTheUserIsItsOnlyMember) {
  const struct {
    const char* what;
    gid_t group;
    bool privateGroup;
  } cases[] = {
      {"the user's primary group, no one listed", 1001, true},
      {"listed with the user alone, no one's primary group", 1020, true},
      {"another user's primary group the user is listed in", 1002, false},
      {"the user listed in a group another user has as primary", 1010, false},
      {"listed with another user", 1030, false},
      {"no members at all", 1040, false},
      {"listed with a name that is no account", 1050, false},
      {"no such group", 1060, false},
  };
  withAccounts(accounts, groups, [&] {
    for (const auto& test : cases) EXPECT_EQ(isPrivateGroup(test.group, alice), test.privateGroup) << test.what;
  });
}

// groupadd -o gives a second group the id of another: its members share the first's files.
TEST(OthersMayWrite, EveryGroupWithTheIdIsRead) {
  const struct {
    const char* what;
    QByteArray more;
    bool privateGroup;
  } cases[] = {
      {"a second group with the user's group id lists another user", "alice2:x:1001:bob\n", false},
      {"a third group with the id, after one that lists no one", "alice2:x:1001:\nalice3:x:1001:bob\n", false},
      {"a second group with the id lists the user alone", "alice2:x:1001:alice\n", true},
      {"a second group with the id lists a name that is no account", "alice2:x:1001:ghost\n", false},
  };
  for (const auto& test : cases) {
    withAccounts(accounts, groups + test.more,
                 [&] { EXPECT_EQ(isPrivateGroup(1001, alice), test.privateGroup) << test.what; });
  }
  // Another account whose primary group it is, though no entry lists it.
  withAccounts(accounts + "dave:x:1004:1001::/home/dave:/bin/sh\n", groups,
               [&] { EXPECT_FALSE(isPrivateGroup(1001, alice)); });
}

// A file of alice's with the mode and group given, in a folder of the test's own.
struct Judged {
  QTemporaryDir folder;
  QString path = folder.filePath(QStringLiteral("file"));

  Judged(mode_t mode, gid_t group) {
    testing::writeText(path, "text");
    const QByteArray name = QFile::encodeName(path);
    EXPECT_EQ(::chown(name.constData(), alice, group), 0);
    EXPECT_EQ(::chmod(name.constData(), mode), 0);
  }
  // Judged by what an O_PATH descriptor has open, as the folders on the way are.
  bool othersMay() const {
    const FileDescriptor opened(::open(QFile::encodeName(path).constData(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    struct stat status {};
    if (!opened || ::fstat(opened.get(), &status) != 0) {
      ADD_FAILURE() << "the file could not be opened";
      return false;
    }
    return othersMayWrite(opened.get(), status, alice);
  }
};

TEST(OthersMayWrite, OnlyWriteForEveryoneOrForAGroupWithAnotherUserLetsOthersWrite) {
  const struct {
    const char* what;
    mode_t mode;
    gid_t group;
    bool othersMay;
  } cases[] = {
      {"written by its owner alone", 0755, 1030, false},
      {"written by the user's private group", 0775, 1001, false},
      {"written by a group with another user", 0775, 1030, true},
      {"written by everyone", 0757, 1001, true},
      {"written by everyone, sticky", 01777, 1001, true},
  };
  withAccounts(accounts, groups, [&] {
    for (const auto& test : cases) EXPECT_EQ(Judged(test.mode, test.group).othersMay(), test.othersMay) << test.what;
  });
}

// With an ACL the mode's group bits show the mask: another user's entry hides behind a
// mode that looks the user's, and the file's own group may read only though they show write.
TEST(OthersMayWrite, AnACLEntryThatGrantsWriteUnderTheMaskLetsOthersWrite) {
  const struct {
    const char* what;
    mode_t mode;
    gid_t group;
    QByteArray entries;
    bool othersMay;
  } cases[] = {
      {"another user may write", 0600, 1001, "u:1002:rw-", true},
      {"another user may write, the mask set to write", 0600, 1001, "u:1002:rwx,m::rwx", true},
      {"a group with another user may write", 0600, 1001, "g:1030:rw-", true},
      {"a group of a name that is no account may write", 0600, 1001, "g:1050:rw-", true},
      {"another user may write, but the mask forbids it", 0600, 1001, "u:1002:rw-,m::r--", false},
      {"another user may read alone", 0600, 1001, "u:1002:r--", false},
      {"the user's own entry", 0600, 1030, "u:1001:rwx", false},
      {"root's entry", 0600, 1030, "u:0:rwx", false},
      {"the user's private group", 0600, 1030, "g:1001:rwx", false},
      {"a shared group that reads alone, with a mask of write for the user's entry", 0640, 1030, "u:1001:rw-", false},
      {"a shared group that may write under a mask that forbids it", 0660, 1030, "u:1001:r--,m::r--", false},
      {"a shared group that may write under the mask", 0660, 1030, "u:1001:r--,m::rw-", true},
  };
  withAccounts(accounts, groups, [&] {
    for (const auto& test : cases) {
      SCOPED_TRACE(test.what);
      const Judged judged(test.mode, test.group);
      ASSERT_TRUE(testing::addToAcl(judged.path, test.entries));
      EXPECT_EQ(judged.othersMay(), test.othersMay);
    }
  });
}

// A default ACL only gives what is made in the folder later its access ACL: the folder
// itself, and a file made with a mode that leaves the group nothing, stay the user's.
TEST(OthersMayWrite, AFoldersDefaultACLIsNotItsOwn) {
  withAccounts(accounts, groups, [&] {
    QTemporaryDir folder;
    ASSERT_TRUE(::chmod(QFile::encodeName(folder.path()).constData(), 0700) == 0);
    ASSERT_TRUE(testing::addToAcl(folder.path(), "u::rwx,u:1002:rwx,g::---,m::rwx,o::---", true));
    const FileDescriptor opened(::open(QFile::encodeName(folder.path()).constData(), O_PATH | O_DIRECTORY));
    struct stat status {};
    ASSERT_TRUE(opened && ::fstat(opened.get(), &status) == 0);
    EXPECT_FALSE(othersMayWrite(opened.get(), status, alice));
    const QByteArray made = QFile::encodeName(folder.filePath(QStringLiteral("made")));
    const FileDescriptor closed(::open(made.constData(), O_WRONLY | O_CREAT | O_EXCL, 0600));
    ASSERT_TRUE(closed && ::fstat(closed.get(), &status) == 0);
    EXPECT_FALSE(othersMayWrite(closed.get(), status, alice)) << "a mode of 0600 leaves the mask nothing";
    const QByteArray open = QFile::encodeName(folder.filePath(QStringLiteral("open")));
    const FileDescriptor opens(::open(open.constData(), O_WRONLY | O_CREAT | O_EXCL, 0660));
    ASSERT_TRUE(opens && ::fstat(opens.get(), &status) == 0);
    EXPECT_TRUE(othersMayWrite(opens.get(), status, alice)) << "the default entry came with a mask of write";
  });
}

// The ACL judged is the one of what was opened: a file put at the name since, with another
// ACL, changes nothing.
TEST(OthersMayWrite, TheACLIsReadFromWhatWasOpenedNotByItsName) {
  withAccounts(accounts, groups, [&] {
    const Judged mine(0600, 1001);
    const Judged theirs(0600, 1001);
    ASSERT_TRUE(testing::addToAcl(theirs.path, "u:1002:rw-"));
    const QByteArray name = QFile::encodeName(mine.path);
    const FileDescriptor opened(::open(name.constData(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    struct stat status {};
    ASSERT_TRUE(opened && ::fstat(opened.get(), &status) == 0);
    ASSERT_EQ(::rename(QFile::encodeName(theirs.path).constData(), name.constData()), 0);
    EXPECT_FALSE(othersMayWrite(opened.get(), status, alice));
    const FileDescriptor swapped(::open(name.constData(), O_RDONLY | O_CLOEXEC));
    ASSERT_TRUE(swapped && ::fstat(swapped.get(), &status) == 0);
    EXPECT_TRUE(othersMayWrite(swapped.get(), status, alice));
  });
}

}  // namespace
}  // namespace tessorin
