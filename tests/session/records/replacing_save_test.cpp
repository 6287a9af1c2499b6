#include "session/records/ReplacingSave.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <thread>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "../FileOwners.hpp"
#include "session/records/SetAside.hpp"

namespace tessorin {
namespace {

using namespace testing;

QStringList unfinishedSavesIn(const QString& folder, const QString& file) {
  return QDir(folder).entryList({QLatin1Char('.') + file + QStringLiteral(".tessorin-save-??????")},
                                QDir::AllEntries | QDir::Hidden | QDir::System);
}

// Saves that are killed, one after another, until one leaves its new file beside path.
QStringList killedSavesBeside(const QString& path, int& kills) {
  const QFileInfo file(path);
  const QByteArray text(4 * 1024 * 1024, 's');
  QStringList left;
  for (kills = 0; left.isEmpty() && kills < 500; ++kills) {
    const pid_t child = ::fork();
    if (child == 0) {
      for (;;) {
        ReplacingSaveError error;
        saveByReplacing(path, text, error);
      }
    }
    std::this_thread::sleep_for(std::chrono::microseconds(kills * 7919 % 30000));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    left = unfinishedSavesIn(file.absolutePath(), file.fileName());
  }
  return left;
}

// The user's own copies beside the file, or beside the file a link of the user's leads
// to, are never taken for what a save left: not by the saves, nor by the clear-up after
// saves that were killed, whichever names they have.
TEST(ReplacingSave, TheUsersOwnFilesBesideTheFileOutliveSavesKilledSavesAndTheClearUp) {
  QTemporaryDir home;
  const QString dotfiles = madeFolder(home.filePath(QStringLiteral("dotfiles")), 0700);
  const QString beside = home.filePath(QStringLiteral("Tessorin.conf"));
  const QString behindLink = dotfiles + QStringLiteral("/tessorin");
  ASSERT_TRUE(link(behindLink, home.filePath(QStringLiteral("linked.conf"))));
  for (const QString& path : {beside, behindLink}) {
    const std::map<QString, QByteArray> copies = usersCopiesBeside(path);
    for (int save = 0; save < 20; ++save) {
      ReplacingSaveError error;
      ASSERT_TRUE(saveByReplacing(path, "[General]\nSave=" + QByteArray::number(save) + '\n', error))
          << error.text.toStdString();
    }
    expectUntouched(copies, "saves");
    int kills = 0;
    const QStringList left = killedSavesBeside(path, kills);
    ASSERT_FALSE(left.isEmpty()) << "no save was killed in its midst in " << kills << " kills";
    expectUntouched(copies, "killed saves");

    removeUnfinishedSaves(path, fileClockPast(QFileInfo(path).absolutePath()));
    EXPECT_TRUE(unfinishedSavesIn(QFileInfo(path).absolutePath(), QFileInfo(path).fileName()).isEmpty())
        << "what the killed saves left was kept";
    expectUntouched(copies, "the clear-up");
  }
}

// Names of a save's form that no save of this user's left, or that may be a save's going
// on, are kept: another user's file, a link (and what it leads to), a second name of a
// file of the user's, a folder, and a file changed since the lock was taken.
TEST(ReplacingSave, TheClearUpRemovesOnlyTheUsersOwnFilesSavesLeftBeforeTheLock) {
  QTemporaryDir home;
  const QString path = home.filePath(QStringLiteral("History.json"));
  writeText(path, "[]\n");
  const QString stem = home.filePath(QStringLiteral(".History.json.tessorin-save-"));
  const QString letter = home.filePath(QStringLiteral("letter.txt"));
  writeText(letter, "Dear reader");
  writeText(stem + QStringLiteral("Left01"), "a killed save's");
  writeText(stem + QStringLiteral("Th3irs"), "another user's");
  ASSERT_TRUE(giveToNobody(stem + QStringLiteral("Th3irs")));
  ASSERT_TRUE(link(letter, stem + QStringLiteral("L1nked")));
  ASSERT_EQ(::link(QFile::encodeName(letter).constData(), QFile::encodeName(stem + QStringLiteral("Hard01")).constData()),
            0);
  ASSERT_TRUE(QDir().mkdir(stem + QStringLiteral("F0lder")));
  const timespec lockedAt = fileClockPast(home.path());
  writeText(stem + QStringLiteral("Going1"), "a save going on without the lock");
  ASSERT_FALSE(laterThan(lockedAt, statusAt(stem + QStringLiteral("Going1")).st_mtim));

  removeUnfinishedSaves(path, lockedAt);
  EXPECT_EQ(unfinishedSavesIn(home.path(), QStringLiteral("History.json")),
            QStringList({QStringLiteral(".History.json.tessorin-save-F0lder"),
                         QStringLiteral(".History.json.tessorin-save-Going1"),
                         QStringLiteral(".History.json.tessorin-save-Hard01"),
                         QStringLiteral(".History.json.tessorin-save-L1nked"),
                         QStringLiteral(".History.json.tessorin-save-Th3irs")}));
  EXPECT_EQ(textOf(letter), QByteArray("Dear reader"));
  EXPECT_EQ(textOf(path), QByteArray("[]\n"));
}

// A file kept aside is a second name of the file, or a copy: the name holds the file all
// along, and only the copy the save made is withdrawn when the save cannot happen.
TEST(SetAside, TheNameKeepsTheFileWhileItIsKeptAsideAndOnlyTheCopyMadeIsWithdrawn) {
  QTemporaryDir home;
  const QString path = home.filePath(QStringLiteral("Tessorin.conf"));
  writeText(path, QByteArray("[General]\nBroken\0", 18));
  ASSERT_TRUE(setMode(path, 0640));
  const std::optional<KeptAside> aside = setAside(path);
  ASSERT_TRUE(aside && aside->path.startsWith(path + QStringLiteral(".unreadable-")));
  EXPECT_EQ(textOf(path), QByteArray("[General]\nBroken\0", 18)) << "the name lost the file";
  EXPECT_EQ(textOf(aside->path), QByteArray("[General]\nBroken\0", 18));
  EXPECT_EQ(statusAt(aside->path).st_mode & 0777, 0640u);
  const std::optional<KeptAside> again = setAside(path);
  ASSERT_TRUE(again && again->path != aside->path) << "a second copy took the first one's name";

  withdrawAside(*again);
  EXPECT_FALSE(QFile::exists(again->path));
  // The user put a file of their own at the copy's name meanwhile.
  ASSERT_TRUE(QFile::remove(aside->path));
  writeText(aside->path, "the user's");
  withdrawAside(*aside);
  EXPECT_EQ(textOf(aside->path), QByteArray("the user's"));
  EXPECT_EQ(textOf(path), QByteArray("[General]\nBroken\0", 18));

  const std::optional<KeptAside> nothing = setAside(home.filePath(QStringLiteral("missing")));
  ASSERT_TRUE(nothing);
  EXPECT_TRUE(nothing->path.isEmpty());
  ASSERT_EQ(::mkfifo(QFile::encodeName(home.filePath(QStringLiteral("fifo"))).constData(), 0600), 0);
  EXPECT_FALSE(setAside(home.filePath(QStringLiteral("fifo"))));
}

}  // namespace
}  // namespace tessorin
