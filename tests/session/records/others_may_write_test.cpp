#include "session/records/OthersMayWrite.hpp"

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <thread>

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

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
    for (const auto& test : cases) {
      struct stat status {};
      status.st_mode = S_IFDIR | test.mode;
      status.st_gid = test.group;
      status.st_uid = alice;
      EXPECT_EQ(othersMayWrite(status, alice), test.othersMay) << test.what;
    }
  });
}

}  // namespace
}  // namespace tessorin
