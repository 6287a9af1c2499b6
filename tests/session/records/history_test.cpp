#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <functional>
#include <csignal>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <thread>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include "../FileOwners.hpp"
#include "PeakMemory.hpp"
#include "TmpfsMount.hpp"
#include "session/records/History.hpp"

namespace tessorin {
namespace {

using nlohmann::json;

// What the next start of the application shows, once it has read the file at url.
CheckRecords readBack(const QUrl& url) {
  History history(url);
  history.waitForSaves();
  return history.records();
}

class HistoryTest : public ::testing::Test {
 protected:
  QString path() const { return folder.filePath(QStringLiteral("History.json")); }
  QUrl url() const { return QUrl::fromLocalFile(path()); }
  static QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
  void writeFile(const QByteArray& bytes) const {
    QFile file(path());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }
  // What the next start of the application would read, once the history's saves are written.
  CheckRecords reread(History& history) const {
    history.waitForSaves();
    return reread();
  }
  CheckRecords reread() const { return readBack(url()); }
  QStringList setAside() const {
    return QDir(folder.path()).entryList({QStringLiteral("History.json.unreadable-*")}, QDir::Files);
  }
  static std::vector<std::string> names(const CheckRecords& records) {
    std::vector<std::string> names;
    for (const CheckRecord& kept : records) names.push_back(kept.cardName);
    return names;
  }
  static CheckRecord record(const std::string& name) {
    CheckRecord record;
    record.date = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);
    record.cardName = name;
    return record;
  }

  QTemporaryDir folder;
};

TEST_F(HistoryTest, KeepsNewestFirstInMemoryAndInTheFile) {
  History history(url());
  EXPECT_TRUE(history.records().empty());
  EXPECT_FALSE(QFile::exists(path())) << "loading without a file wrote one";
  for (const char* name : {"A", "B", "C"}) history.add(record(name));
  EXPECT_EQ(history.records().front().cardName, "C");
  EXPECT_EQ(reread(history), history.records());
}

TEST_F(HistoryTest, SavesStillWaitingAreWrittenWhenTheHistoryGoes) {
  CheckRecords shown;
  {
    History history(url());
    for (int i = 0; i < 50; ++i) history.add(record("check " + std::to_string(i)));
    shown = history.records();
  }
  EXPECT_EQ(reread(), shown) << "quitting lost what the window showed";
}

TEST_F(HistoryTest, UpdateAndRemoveFollowTheIdAndAnnounceOnlyRealChanges) {
  History history(url());
  QSignalSpy changes(&history, &History::recordsChanged);
  CheckRecord twin = record("twin");
  history.add(twin);
  history.add(twin);
  history.add(record("newest"));
  history.update(twin);
  EXPECT_EQ(changes.count(), 3) << "an update to the same value was announced";

  twin.sharedRecordName = "shared";
  history.update(twin);
  EXPECT_EQ(history.records()[1].sharedRecordName, "shared") << "the update moved or missed the record";
  EXPECT_EQ(history.records()[2].sharedRecordName, std::nullopt) << "the update replaced more than one record";
  EXPECT_EQ(reread(history), history.records());

  QFile::remove(path());
  history.update(record("stranger"));
  history.waitForSaves();
  EXPECT_FALSE(QFile::exists(path())) << "an update that matched nothing wrote the file";
  history.remove(QUuid::createUuid());
  EXPECT_EQ(reread(history), history.records()) << "a remove that matched nothing did not rewrite the file";
  EXPECT_EQ(changes.count(), 4);

  history.remove(twin.id);
  ASSERT_EQ(history.records().size(), 1u);
  history.remove(history.records()[0].id);
  history.waitForSaves();
  EXPECT_EQ(changes.count(), 6);
  EXPECT_EQ(json::parse(contents(path()).toStdString()), json::array());
}

TEST_F(HistoryTest, UndecodableFileIsSetAsideBeforeTheNextSaveNotOverwritten) {
  for (const QByteArray& content : {QByteArray("[{\"id\": "), QByteArray("{\"records\": []}"), QByteArray()}) {
    writeFile(content);
    History history(url());
    EXPECT_TRUE(history.records().empty());
    EXPECT_EQ(contents(path()), content) << "loading touched the file";
    history.add(record("new"));
    EXPECT_EQ(reread(history), history.records());
    ASSERT_EQ(setAside().size(), 1) << content.toStdString();
    EXPECT_EQ(contents(folder.filePath(setAside()[0])), content);
    // The user is told in words once the file is out of the way; the name it was kept
    // under goes with the notice, not into its words.
    EXPECT_FALSE(history.notice().isEmpty());
    EXPECT_FALSE(history.notice().contains(QStringLiteral("History.json"))) << history.notice().toStdString();
    EXPECT_EQ(QFileInfo(history.noticeFile()).fileName(), setAside()[0]);
    QFile::remove(folder.filePath(setAside()[0]));
  }
}

TEST_F(HistoryTest, ARecordFromANewerVersionCostsOnlyThatRecord) {
  json content = json::array({record("newer"), record("future"), record("older")});
  content[1]["verdict"] = "counterfeitSuspected";
  const QByteArray original = QByteArray::fromStdString(content.dump());
  writeFile(original);

  History history(url());
  history.waitForSaves();
  ASSERT_EQ(history.records().size(), 2u);
  EXPECT_EQ(history.records()[1].cardName, "older");
  history.add(record("latest"));
  EXPECT_EQ(reread(history).size(), 3u);
  ASSERT_EQ(setAside().size(), 1);
  EXPECT_EQ(contents(folder.filePath(setAside()[0])), original);
}

TEST_F(HistoryTest, ANonFiniteSpeedDoesNotStopLaterSaves) {
  History history(url());
  CheckRecord odd = record("odd");
  odd.writeSpeed = std::nan("");
  history.add(odd);
  history.add(record("after"));
  ASSERT_EQ(reread(history).size(), 2u);
  EXPECT_EQ(reread()[1].writeSpeed, std::nullopt);
}

TEST_F(HistoryTest, ACrashDuringASaveLeavesTheOldFileOrTheNewNeverATornOne) {
  json seed = json::array();
  for (int i = 0; i < 2000; ++i) seed.push_back(record(std::string(200, static_cast<char>('a' + i % 26))));
  writeFile(QByteArray::fromStdString(seed.dump(2)));
  std::mt19937 random(7);
  for (int round = 0; round < 20; ++round) {
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
      History history(url());
      for (;;) history.add(record("while crashing"));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20 + random() % 80));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);

    const json content = json::parse(contents(path()).toStdString(), nullptr, false);
    ASSERT_TRUE(content.is_array()) << "round " << round << ": the file was torn";
    EXPECT_EQ(reread().size(), content.size());
    EXPECT_TRUE(setAside().empty());
  }
}

TEST_F(HistoryTest, ADateWithoutISOTextInUTCIsSetAsideAndNoRecordStopsTheOthersFromBeingSaved) {
  json content = json::array({record("early"), record("late"), record("plain")});
  content[0]["date"] = "0001-01-01T00:00:00+01:00";
  content[1]["date"] = "9999-12-31T23:59:59-01:00";
  writeFile(QByteArray::fromStdString(content.dump()));
  History history(url());
  history.waitForSaves();
  ASSERT_EQ(history.records().size(), 1u);
  EXPECT_EQ(history.records()[0].cardName, "plain");

  CheckRecord undated = record("undated");
  undated.date = QDateTime();
  history.add(undated);
  history.add(record("after"));
  ASSERT_EQ(reread(history).size(), 2u) << "one record that cannot be written stopped the save";
  EXPECT_EQ(reread()[0].cardName, "after");
  EXPECT_EQ(history.records().size(), 3u) << "the record that could not be written is still shown";
  EXPECT_EQ(history.saveError(), QStringLiteral("One check could not be written to the history file."));
  EXPECT_EQ(setAside().size(), 1) << "the records that could not be read are kept aside";
}

TEST_F(HistoryTest, TwoWritersOnOneFileKeepEachOthersRecords) {
  History first(url());
  History second(url());
  const CheckRecord firstA = record("first A");
  // Each history saves on its own thread, as two processes would; what one saved is
  // there before the other's next change.
  first.add(firstA);
  first.waitForSaves();
  second.add(record("second A"));
  second.waitForSaves();
  first.add(record("first B"));
  first.waitForSaves();
  second.remove(firstA.id);
  second.waitForSaves();
  second.add(record("second B"));

  std::set<std::string> names;
  for (const CheckRecord& kept : reread(second)) names.insert(kept.cardName);
  EXPECT_EQ(names, (std::set<std::string>{"first B", "second A", "second B"}));
  EXPECT_EQ(second.records().size(), 3u) << "a save takes in what the other writer saved";
  EXPECT_TRUE(first.saveError().isEmpty());
}

TEST_F(HistoryTest, ALockHeldTooLongIsReportedAndNothingIsWritten) {
  History history(url());
  const pid_t child = fork();
  ASSERT_NE(child, -1);
  if (child == 0) {
    const int lock = ::open(QFile::encodeName(path() + QStringLiteral(".lock")).constData(), O_RDWR | O_CREAT, 0600);
    ::flock(lock, LOCK_EX);
    ::sleep(30);
    _exit(0);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  history.add(record("blocked"));
  EXPECT_TRUE(history.saveError().isEmpty()) << "the window waited for the locked file";
  history.waitForSaves();
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  EXPECT_FALSE(QFile::exists(path()));
  EXPECT_EQ(history.saveError(), QStringLiteral("The history file is locked by another program and was not saved."));
  history.add(record("free again"));
  EXPECT_EQ(reread(history).size(), 2u);
  EXPECT_TRUE(history.saveError().isEmpty());
}

TEST_F(HistoryTest, AnUnreadableFileIsNamedToTheUserOnceAtStartAndAgainWhenSetAside) {
  writeFile("[{\"id\": ");
  History history(url());
  history.waitForSaves();
  QSignalSpy notices(&history, &History::noticeChanged);
  EXPECT_FALSE(history.notice().isEmpty()) << "the history looked empty with no word to the user";
  history.dismissNotice();
  EXPECT_TRUE(history.notice().isEmpty());
  history.add(record("new"));
  history.waitForSaves();
  ASSERT_EQ(setAside().size(), 1);
  EXPECT_EQ(QFileInfo(history.noticeFile()).fileName(), setAside()[0]);
  history.dismissNotice();
  history.add(record("newer"));
  history.waitForSaves();
  EXPECT_TRUE(history.notice().isEmpty()) << "a notice came back after it was read";
  EXPECT_EQ(notices.count(), 3);

  History fine(url());
  fine.waitForSaves();
  EXPECT_TRUE(fine.notice().isEmpty());
}

// An unreadable file stays at its name until the new file has been saved: on a full disk
// the name keeps it and no copy is left behind; with room again, the next save keeps it
// aside, names the copy, and writes the history.
TEST_F(HistoryTest, AnUnreadableFileStaysAtItsNameUntilTheNewOneIsSaved) {
  testing::TmpfsMount disk(256 * 1024);
  const QString folder = QString::fromStdString(disk.path());
  ASSERT_EQ(::chmod(disk.path().c_str(), 0700), 0);
  const QString path = folder + QStringLiteral("/History.json");
  const QByteArray unreadable("[{\"id\": ");
  {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(unreadable) == unreadable.size());
  }
  const auto keptAside = [&] {
    return QDir(folder).entryList({QStringLiteral("History.json.unreadable-*")}, QDir::Files);
  };
  const QString filler = folder + QStringLiteral("/filler");
  testing::fillDisk(folder);
  History history(QUrl::fromLocalFile(path));
  history.add(record("on a full disk"));
  history.waitForSaves();
  ASSERT_FALSE(history.saveError().isEmpty()) << "the new file was saved on a full disk";
  EXPECT_EQ(contents(path), unreadable) << "the name lost the file";
  EXPECT_TRUE(keptAside().isEmpty()) << "a copy kept aside for a save that did not happen";

  ASSERT_TRUE(QFile::remove(filler));
  history.add(record("with room"));
  history.waitForSaves();
  EXPECT_TRUE(history.saveError().isEmpty()) << history.saveError().toStdString();
  ASSERT_EQ(keptAside().size(), 1);
  EXPECT_EQ(contents(folder + QLatin1Char('/') + keptAside().front()), unreadable);
  EXPECT_EQ(QFileInfo(history.noticeFile()).fileName(), keptAside().front());
  EXPECT_EQ(readBack(QUrl::fromLocalFile(path)).size(), 2u);
}

// The disk filled up entirely, and with room for part of the file only: the system
// then takes the first part of the write and refuses the rest.
class HistoryOnAFullDisk : public ::testing::TestWithParam<std::uint64_t> {};

TEST_P(HistoryOnAFullDisk, SaysTheDiskIsFullAndKeepsTheLastFileWhole) {
  const std::uint64_t roomLeft = GetParam();
  testing::TmpfsMount disk(512 * 1024);
  // A new tmpfs is open to everyone, sticky: no place to keep the history in.
  ASSERT_TRUE(testing::setMode(QString::fromStdString(disk.path()), 0755));
  const QString path = QString::fromStdString(disk.path()) + QStringLiteral("/History.json");
  History history(QUrl::fromLocalFile(path));
  CheckRecord kept;
  kept.date = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);
  kept.cardName = "kept";
  history.add(kept);
  history.waitForSaves();
  ASSERT_TRUE(history.saveError().isEmpty()) << history.saveError().toStdString();
  {
    QFile filler(QString::fromStdString(disk.path()) + QStringLiteral("/filler"));
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    struct statvfs space {};
    ASSERT_EQ(::statvfs(disk.path().c_str(), &space), 0);
    const std::uint64_t free = space.f_bavail * space.f_frsize;
    ASSERT_GT(free, roomLeft);
    const QByteArray block(static_cast<qsizetype>(free - roomLeft), 'x');
    filler.write(block);
    while (roomLeft == 0 && filler.write(block.left(4096)) > 0) {
    }
  }
  CheckRecord large = kept;
  large.id = QUuid::createUuid();
  large.cardName = std::string(256 * 1024, 'n');
  history.add(large);
  history.waitForSaves();
  EXPECT_EQ(history.saveError(),
            QStringLiteral("The history could not be saved: the disk is full. Tessorin tries again after the next check."));
  EXPECT_EQ(history.saveErrorDetail(), QStringLiteral("No space left on device"));
  EXPECT_EQ(readBack(QUrl::fromLocalFile(path)), CheckRecords{kept}) << "the last file was not kept whole";
  EXPECT_EQ(history.records().size(), 2u) << "the unsaved check is no longer shown";
  // Put away by the user, the reason comes back with the next save that fails.
  history.dismissSaveError();
  EXPECT_TRUE(history.saveError().isEmpty());
  CheckRecord larger = large;
  larger.id = QUuid::createUuid();
  history.add(larger);
  history.waitForSaves();
  EXPECT_EQ(history.saveErrorDetail(), QStringLiteral("No space left on device"));
}

INSTANTIATE_TEST_SUITE_P(RoomLeft, HistoryOnAFullDisk, ::testing::Values(0, 64 * 1024));

TEST_F(HistoryTest, TheFileIsReadOffTheWindowsThreadAndWhatChangesMeanwhileIsKept) {
  CheckRecords stored;
  {
    History seed(url());
    for (const char* name : {"oldest", "older", "old"}) seed.add(record(name));
    seed.waitForSaves();
    stored = seed.records();
  }
  History history(url());
  EXPECT_TRUE(history.records().empty()) << "the window's thread read the file";
  EXPECT_FALSE(history.loaded());
  history.add(record("meanwhile"));
  history.remove(stored[1].id);
  QSignalSpy loaded(&history, &History::loadedChanged);
  history.waitForSaves();

  EXPECT_TRUE(history.loaded());
  EXPECT_EQ(loaded.count(), 1);
  EXPECT_EQ(names(history.records()), (std::vector<std::string>{"meanwhile", "old", "oldest"}));
  EXPECT_EQ(reread(), history.records());
}

TEST_F(HistoryTest, AnotherWritersRecordIsTakenInWithoutLosingTheChangesMadeWhileItCame) {
  History first(url());
  History second(url());
  const CheckRecord theirs = record("theirs");
  second.add(theirs);
  second.waitForSaves();
  // Sent one after the other without waiting: the saves that take in the other writer's
  // record come back while later changes are still on their way.
  CheckRecord mine = record("mine");
  const CheckRecord gone = record("gone");
  first.add(mine);
  first.add(gone);
  first.remove(gone.id);
  mine.sharedRecordName = "shared";
  first.update(mine);
  first.add(record("last"));
  first.waitForSaves();

  EXPECT_EQ(names(first.records()), (std::vector<std::string>{"last", "mine", "theirs"}));
  EXPECT_EQ(first.records()[1].sharedRecordName, "shared");
  EXPECT_EQ(reread(), first.records());
}

TEST_F(HistoryTest, TheFileIsOnePrettyPrintedArrayWithSortedKeys) {
  History history(url());
  history.save();
  history.waitForSaves();
  EXPECT_EQ(contents(path()), QByteArray("[]\n"));

  CheckRecord bought = record("Bought");
  Purchase purchase;
  purchase.store = "Shop";
  purchase.price = 9.5;
  bought.purchase = purchase;
  bought.sharedRecordName = "report-1";
  CheckRecord oddName = record("\xff\xfeName");
  oddName.brand = Brand::other;
  oddName.brandName = "Noname";
  for (const CheckRecord& added : {bought, oddName, record("plain")}) history.add(added);
  history.waitForSaves();
  json whole = json::array();
  for (const CheckRecord& kept : history.records()) whole.push_back(kept);
  EXPECT_EQ(contents(path()).toStdString(), whole.dump(2, ' ', false, json::error_handler_t::replace) + "\n");
}

// What a start of the application found in a file put in the history's place: run in a
// child process, so that a start that hangs or dies fails the test instead of stopping it.
struct StartFound {
  bool finished = false;  // the history was ready; else it hung or the process died
  std::size_t records = 0;
  bool toldTheUser = false;
  std::int64_t memoryGrowthKiB = 0;
};

// What the process has mapped now, in bytes.
std::int64_t addressSpaceInUse() {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return 0;
  for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
    if (line.startsWith("VmSize:")) return line.mid(7).trimmed().split(' ').front().toLongLong() * 1024;
  }
  return 0;
}

// headroom: when not 0, the start may map only this much more than the process holds,
// as on a machine whose memory runs out.
StartFound startOn(const QUrl& url, std::int64_t headroom = 0) {
  int channel[2];
  if (::pipe(channel) != 0) return {};
  const pid_t child = fork();
  if (child == 0) {
    ::close(channel[0]);
    if (headroom > 0) {
      const auto cap = static_cast<rlim_t>(addressSpaceInUse() + headroom);
      const rlimit limit{cap, cap};
      if (::setrlimit(RLIMIT_AS, &limit) != 0) _exit(1);
    }
    testing::resetPeakMemory(::getpid());
    const std::int64_t before = testing::peakMemoryKiB(::getpid());
    StartFound found;
    {
      History history(url);
      history.waitForSaves();
      found = {true, history.records().size(), !history.notice().isEmpty(), 0};
    }
    found.memoryGrowthKiB = testing::peakMemoryKiB(::getpid()) - before;
    [[maybe_unused]] const ssize_t sent = ::write(channel[1], &found, sizeof found);
    _exit(0);
  }
  ::close(channel[1]);
  StartFound found;
  pollfd ready{channel[0], POLLIN, 0};
  // Far beyond any start that does not hang; how fast it is, is a benchmark's question.
  if (::poll(&ready, 1, 30'000) == 1 && ::read(channel[0], &found, sizeof found) != sizeof found) found = {};
  ::close(channel[0]);
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  return found;
}

TEST_F(HistoryTest, WhatIsNotARegularFileOrTooLargeIsNotReadAndTheHistoryStartsEmpty) {
  const QByteArray name = QFile::encodeName(path());
  const auto sparse = [&](off_t bytes) {
    const int file = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    const bool made = file >= 0 && ::ftruncate(file, bytes) == 0;
    if (file >= 0) ::close(file);
    return made;
  };
  const std::vector<std::pair<const char*, std::function<bool()>>> cases = {
      {"a FIFO", [&] { return ::mkfifo(name.constData(), 0600) == 0; }},
      {"a link to /dev/zero", [&] { return ::symlink("/dev/zero", name.constData()) == 0; }},
      {"a link to a terminal", [&] { return ::symlink("/dev/tty", name.constData()) == 0; }},
      {"a 1 GB file", [&] { return sparse(1LL << 30); }},
      {"a 5 GB file", [&] { return sparse(5LL << 30); }},
  };
  for (const auto& [what, make] : cases) {
    SCOPED_TRACE(what);
    ASSERT_TRUE(make());
    struct stat planted {};
    ASSERT_EQ(::lstat(name.constData(), &planted), 0);
    const StartFound found = startOn(url());
    ASSERT_TRUE(found.finished) << "the history hung or died on it";
    EXPECT_EQ(found.records, 0u);
    EXPECT_TRUE(found.toldTheUser);
    EXPECT_LT(found.memoryGrowthKiB, 64 * 1024) << "it was read";

    History history(url());
    history.add(record("after"));
    history.waitForSaves();
    if (S_ISREG(planted.st_mode)) {
      // A regular file is the history's own, and set aside as one that cannot be read.
      ASSERT_EQ(setAside().size(), 1);
      EXPECT_EQ(QFileInfo(folder.filePath(setAside()[0])).size(), planted.st_size);
      EXPECT_EQ(reread().size(), 1u);
      QFile::remove(folder.filePath(setAside()[0]));
    } else {
      // Anything else is left where it is, and not written over.
      struct stat after {};
      ASSERT_EQ(::lstat(name.constData(), &after), 0);
      EXPECT_EQ(after.st_ino, planted.st_ino);
      EXPECT_TRUE(setAside().empty());
      EXPECT_TRUE(history.saveError().contains(QStringLiteral("is not a file"))) << history.saveError().toStdString();
    }
    QFile::remove(path());
  }
}

TEST_F(HistoryTest, AFileNestedDeeperThanARecordOrTooBigForTheMemoryLeftStartsEmptyAndIsSetAside) {
  constexpr std::int64_t MiB = 1024 * 1024;
  const QByteArray oneRecord = QByteArray::fromStdString(json::array({record("kept")}).dump());
  QByteArray hugeUnknownValue = oneRecord.chopped(1) + R"(,{"comment":[0)";
  hugeUnknownValue += QByteArray(20 * MiB, ',').replace(",", ",0").left(20 * MiB) + "]}]";
  struct Case {
    const char* what;
    std::function<bool()> make;
    std::int64_t fileBytes;
    std::size_t records;
  };
  const std::vector<Case> cases = {
      {"50 MB of [", [&] { writeFile(QByteArray(50 * MiB, '[')); return true; }, 50 * MiB, 0},
      {"a record beside one holding 20 MB of numbers", [&] { writeFile(hugeUnknownValue); return true; },
       hugeUnknownValue.size(), 1},
      {"300 MB, more than the memory left",
       [&] { return ::truncate(QFile::encodeName(path()).constData(), 300 * MiB) == 0; }, 300 * MiB, 0},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.what);
    writeFile({});
    ASSERT_TRUE(test.make());
    // What the history keeps of such a file is at most a small multiple of the text read;
    // the last case has less than the file itself.
    const std::int64_t headroom = std::min<std::int64_t>(4 * test.fileBytes, 160 * MiB);
    const StartFound found = startOn(url(), headroom);
    ASSERT_TRUE(found.finished) << "the history hung or ended the application on it";
    EXPECT_EQ(found.records, test.records);
    EXPECT_TRUE(found.toldTheUser);
    EXPECT_LT(found.memoryGrowthKiB * 1024, 2 * test.fileBytes + 16 * MiB);

    History history(url());
    history.add(record("after"));
    history.waitForSaves();
    ASSERT_EQ(setAside().size(), 1);
    EXPECT_EQ(QFileInfo(folder.filePath(setAside()[0])).size(), test.fileBytes);
    EXPECT_EQ(names(reread()).front(), "after");
    QFile::remove(folder.filePath(setAside()[0]));
    QFile::remove(path());
  }
}

// A user's history in a home of its own: History.json in its data folder.
struct HistoryHome : testing::UsersHome {
  QUrl url() const { return QUrl::fromLocalFile(path); }
  QString path = data + QStringLiteral("/History.json");
};

QByteArray historyOf(const CheckRecords& records) {
  std::size_t skipped = 0;
  return QByteArray::fromStdString(historyfile::encode(records, skipped));
}

// Where another user may change the history (a shared group's umask 002, a careless
// chmod), what stands there may be theirs: records they made up, shown and shared as the
// user's, or a link that has the next save replace a file of the user's. Nothing there is
// read, set aside or written, not even a lock; the checks are kept for the run, and the
// window is told once what to mend.
TEST(HistoryOwners, WhatOtherUsersMayChangeIsNeitherReadNorWrittenAndTheChecksAreKeptForTheRun) {
  CheckRecord made;
  made.date = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);
  made.cardName = "theirs";
  const QByteArray theirs = historyOf({made});
  const struct {
    const char* what;
    // Arranges the home; what the notice is to name.
    std::function<QString(const HistoryHome&)> arrange;
  } cases[] = {
      {"a folder on the way open to a group another user is in",
       [&](const HistoryHome& home) {
         testing::writeText(home.path, theirs);
         testing::setMode(home.home, 0770);
         testing::giveToASharedGroup(home.home);
         return home.home;
       }},
      {"another user's file at the name",
       [&](const HistoryHome& home) {
         testing::writeText(home.path, theirs);
         testing::giveToNobody(home.path);
         return home.path;
       }},
      {"the history with an ACL entry that lets another user write",
       [&](const HistoryHome& home) {
         testing::writeText(home.path, theirs);
         EXPECT_TRUE(testing::addToAcl(home.path, "u:65534:rw-"));
         return home.path;
       }},
      {"a folder on the way with an ACL entry that lets a group with another user write",
       [&](const HistoryHome& home) {
         testing::writeText(home.path, theirs);
         const QByteArray nobodysGroup = QByteArray::number(testing::OrdinaryUser::gid);
         EXPECT_TRUE(testing::addToAcl(home.home, "g:" + nobodysGroup + ":rwx"));
         return home.home;
       }},
      {"the history's folder sticky and open to everyone",
       [&](const HistoryHome& home) {
         testing::writeText(home.path, theirs);
         testing::setMode(home.data, 01777);
         return home.data;
       }},
      {"another user's link at the name to a file of the user's",
       [&](const HistoryHome& home) {
         testing::link(home.bashrc, home.path);
         testing::giveToNobody(home.path);
         return home.path;
       }},
      {"the user's link to a file in a folder others may write",
       [&](const HistoryHome& home) {
         const QString open = testing::madeFolder(home.home + QStringLiteral("/open"), 0777);
         testing::writeText(open + QStringLiteral("/History.json"), theirs);
         testing::link(open + QStringLiteral("/History.json"), home.path);
         return open;
       }},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.what);
    HistoryHome home;
    const QString named = test.arrange(home);
    const struct stat before = testing::statusAt(home.path);
    const QByteArray bashrc = testing::textOf(home.bashrc);
    const QStringList inData = home.inData();
    {
      History history(home.url());
      history.waitForSaves();
      EXPECT_TRUE(history.records().empty()) << "their records were shown";
      EXPECT_FALSE(history.notice().isEmpty());
      EXPECT_EQ(history.noticeFile().toStdString(), QDir::toNativeSeparators(named).toStdString());
      CheckRecord mine = made;
      mine.id = QUuid::createUuid();
      mine.cardName = "mine";
      history.add(mine);
      history.waitForSaves();
      EXPECT_EQ(history.records(), CheckRecords{mine}) << "the check was not kept for the run";
      EXPECT_TRUE(history.saveError().isEmpty()) << "told again: " << history.saveError().toStdString();
    }
    const struct stat after = testing::statusAt(home.path);
    EXPECT_EQ(after.st_ino, before.st_ino) << "what stood at the name was replaced";
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec) << "what stood at the name was written";
    EXPECT_EQ(testing::textOf(home.bashrc), bashrc) << "a file of the user's was overwritten";
    EXPECT_EQ(home.inData(), inData) << "something was made or set aside where others may change it";
  }
}

// The user's own link (a dotfile manager's) is read and saved through; the file behind it
// is replaced, keeping the mode the user gave it, and the link stays.
TEST(HistoryOwners, TheUsersLinkIsReadAndSavedThroughAndKept) {
  HistoryHome home;
  const QString dotfiles = testing::madeFolder(home.home + QStringLiteral("/dotfiles"), 0700);
  const QString real = dotfiles + QStringLiteral("/History.json");
  CheckRecord kept;
  kept.date = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);
  kept.cardName = "kept";
  testing::writeText(real, historyOf({kept}));
  ASSERT_TRUE(testing::setMode(real, 0640));
  ASSERT_TRUE(testing::link(QStringLiteral("../dotfiles/History.json"), home.path));
  {
    History history(home.url());
    history.waitForSaves();
    ASSERT_EQ(history.records(), CheckRecords{kept}) << history.notice().toStdString();
    CheckRecord added = kept;
    added.id = QUuid::createUuid();
    added.cardName = "added";
    history.add(added);
    history.waitForSaves();
    EXPECT_TRUE(history.saveError().isEmpty()) << history.saveError().toStdString();
  }
  EXPECT_EQ(testing::linkTarget(home.path), QStringLiteral("../dotfiles/History.json")) << "the link was replaced";
  EXPECT_EQ(readBack(QUrl::fromLocalFile(real)).size(), 2u);
  EXPECT_EQ(testing::statusAt(real).st_mode & 0777, 0640u) << "the file behind the link lost its mode";
  EXPECT_EQ(QDir(dotfiles).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("History.json")})
      << "the save left a file beside the one it replaced";
}

// Debian gives each user a group of their own, and umask 002 lets it write: folders and a
// file so made are the user's, and the history is read and saved there.
TEST(HistoryOwners, WhatOnlyTheUsersPrivateGroupMayWriteInIsTheUsers) {
  HistoryHome home;
  CheckRecord kept;
  kept.date = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);
  kept.cardName = "kept";
  testing::writeText(home.path, historyOf({kept}));
  for (const auto& [made, mode] : {std::pair{home.home, 0770}, std::pair{home.data, 0770}, std::pair{home.path, 0660}}) {
    ASSERT_TRUE(testing::setMode(made, mode) && testing::giveToTheUsersPrivateGroup(made));
  }
  {
    History history(home.url());
    history.waitForSaves();
    EXPECT_TRUE(history.notice().isEmpty()) << history.notice().toStdString();
    ASSERT_EQ(history.records(), CheckRecords{kept});
    CheckRecord added = kept;
    added.id = QUuid::createUuid();
    history.add(added);
    history.waitForSaves();
    EXPECT_TRUE(history.saveError().isEmpty()) << history.saveError().toStdString();
  }
  EXPECT_EQ(readBack(home.url()).size(), 2u);
}

// Each save judges the place again: once others may change it, nothing is written there
// and the window says what to mend; mended, the next save writes every check.
TEST(HistoryOwners, ASaveWhereOthersMayNowChangeThePlaceWaitsUntilItIsMended) {
  HistoryHome home;
  History history(home.url());
  const auto add = [&](const char* name) {
    CheckRecord record;
    record.date = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);
    record.cardName = name;
    history.add(record);
    history.waitForSaves();
  };
  add("first");
  ASSERT_TRUE(history.saveError().isEmpty()) << history.saveError().toStdString();
  const QByteArray saved = testing::textOf(home.path);
  ASSERT_TRUE(testing::setMode(home.data, 0777));
  add("second");
  EXPECT_TRUE(history.saveError().contains(QStringLiteral("Let no one else write there")))
      << history.saveError().toStdString();
  EXPECT_EQ(testing::textOf(home.path), saved) << "saved where others may change it";
  ASSERT_TRUE(testing::setMode(home.data, 0700));
  add("third");
  EXPECT_TRUE(history.saveError().isEmpty()) << history.saveError().toStdString();
  EXPECT_EQ(readBack(home.url()).size(), 3u);
}

TEST(HistoryLocation, UsesTheDataFolderAndFallsBackToAFolderOnlyThisUserCanEnter) {
  QTemporaryDir home;
  const QStringList names = {QStringLiteral("XDG_DATA_HOME"), QStringLiteral("XDG_RUNTIME_DIR")};
  std::map<QString, std::optional<QByteArray>> saved;
  for (const QString& name : names) {
    saved[name] = qEnvironmentVariableIsSet(name.toUtf8()) ? std::optional(qgetenv(name.toUtf8())) : std::nullopt;
  }
  QDir(home.path()).mkpath(QStringLiteral("runtime"));
  QFile::setPermissions(home.filePath(QStringLiteral("runtime")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  qputenv("XDG_RUNTIME_DIR", home.filePath(QStringLiteral("runtime")).toUtf8());
  qputenv("XDG_DATA_HOME", home.path().toUtf8());
  const QString usual = History::defaultUrl().toLocalFile();
  QFile notAFolder(home.filePath(QStringLiteral("file")));
  ASSERT_TRUE(notAFolder.open(QIODevice::WriteOnly));
  qputenv("XDG_DATA_HOME", notAFolder.fileName().toUtf8());
  const QString fallback = History::defaultUrl().toLocalFile();
  for (const auto& [name, value] : saved) value ? qputenv(name.toUtf8(), *value) : qunsetenv(name.toUtf8());

  EXPECT_TRUE(usual.startsWith(home.path() + QLatin1Char('/'))) << usual.toStdString();
  EXPECT_TRUE(QFileInfo(usual).dir().exists());
  EXPECT_TRUE(fallback.startsWith(home.filePath(QStringLiteral("runtime")) + QLatin1Char('/'))) << fallback.toStdString();
  EXPECT_FALSE(fallback.startsWith(QDir::tempPath() + QStringLiteral("/History"))) << fallback.toStdString();
  EXPECT_EQ(QFileInfo(QFileInfo(fallback).path()).permissions() &
                (QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther |
                 QFile::ExeOther),
            QFile::Permissions());
}

// A shared group's umask 002 would leave the folders the history makes open to that group,
// and the history then kept from them for good: each is made for the user alone.
TEST(HistoryLocation, TheFoldersMadeForTheHistoryAreTheUsersAloneWhateverTheUmask) {
  QTemporaryDir home;
  const QString share = home.filePath(QStringLiteral("local/share"));
  const std::optional<QByteArray> before =
      qEnvironmentVariableIsSet("XDG_DATA_HOME") ? std::optional(qgetenv("XDG_DATA_HOME")) : std::nullopt;
  qputenv("XDG_DATA_HOME", QFile::encodeName(share));
  const mode_t umaskBefore = ::umask(002);
  const QString folder = QFileInfo(History::defaultUrl().toLocalFile()).path();
  ::umask(umaskBefore);
  before ? qputenv("XDG_DATA_HOME", *before) : qunsetenv("XDG_DATA_HOME");

  ASSERT_TRUE(folder.startsWith(share)) << folder.toStdString();
  for (QString made = folder; made != home.path(); made = QFileInfo(made).path()) {
    EXPECT_EQ(testing::statusAt(made).st_mode & 077, 0u) << made.toStdString();
  }
}

}  // namespace
}  // namespace tessorin
