#include <chrono>
#include <cmath>
#include <csignal>
#include <random>
#include <thread>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "session/records/History.hpp"

namespace tessorin {
namespace {

using nlohmann::json;

class HistoryTest : public testing::Test {
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
  // What the next start of the application would read.
  std::vector<CheckRecord> reread() const { return History(url()).records(); }
  QStringList setAside() const {
    return QDir(folder.path()).entryList({QStringLiteral("History.json.unreadable-*")}, QDir::Files);
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
  EXPECT_EQ(reread(), history.records());
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
  EXPECT_EQ(reread(), history.records());

  QFile::remove(path());
  history.update(record("stranger"));
  EXPECT_FALSE(QFile::exists(path())) << "an update that matched nothing wrote the file";
  history.remove(QUuid::createUuid());
  EXPECT_EQ(reread(), history.records()) << "a remove that matched nothing did not rewrite the file";
  EXPECT_EQ(changes.count(), 4);

  history.remove(twin.id);
  ASSERT_EQ(history.records().size(), 1u);
  history.remove(history.records()[0].id);
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
    EXPECT_EQ(reread(), history.records());
    ASSERT_EQ(setAside().size(), 1) << content.toStdString();
    EXPECT_EQ(contents(folder.filePath(setAside()[0])), content);
    QFile::remove(folder.filePath(setAside()[0]));
  }
}

TEST_F(HistoryTest, ARecordFromANewerVersionCostsOnlyThatRecord) {
  json content = json::array({record("newer"), record("future"), record("older")});
  content[1]["verdict"] = "counterfeitSuspected";
  const QByteArray original = QByteArray::fromStdString(content.dump());
  writeFile(original);

  History history(url());
  ASSERT_EQ(history.records().size(), 2u);
  EXPECT_EQ(history.records()[1].cardName, "older");
  history.add(record("latest"));
  EXPECT_EQ(reread().size(), 3u);
  ASSERT_EQ(setAside().size(), 1);
  EXPECT_EQ(contents(folder.filePath(setAside()[0])), original);
}

TEST_F(HistoryTest, ANonFiniteSpeedDoesNotStopLaterSaves) {
  History history(url());
  CheckRecord odd = record("odd");
  odd.writeSpeed = std::nan("");
  history.add(odd);
  history.add(record("after"));
  ASSERT_EQ(reread().size(), 2u);
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

TEST(HistoryLocation, UsesTheDataFolderAndFallsBackToTheTemporaryFolder) {
  QTemporaryDir home;
  const bool wasSet = qEnvironmentVariableIsSet("XDG_DATA_HOME");
  const QByteArray saved = qgetenv("XDG_DATA_HOME");
  qputenv("XDG_DATA_HOME", home.path().toUtf8());
  const QString usual = History::defaultUrl().toLocalFile();
  QFile notAFolder(home.filePath(QStringLiteral("file")));
  ASSERT_TRUE(notAFolder.open(QIODevice::WriteOnly));
  qputenv("XDG_DATA_HOME", notAFolder.fileName().toUtf8());
  const QString fallback = History::defaultUrl().toLocalFile();
  wasSet ? qputenv("XDG_DATA_HOME", saved) : qunsetenv("XDG_DATA_HOME");

  EXPECT_TRUE(usual.startsWith(home.path() + QLatin1Char('/'))) << usual.toStdString();
  EXPECT_TRUE(QFileInfo(usual).dir().exists());
  EXPECT_EQ(fallback, QDir(QDir::tempPath()).filePath(QStringLiteral("History.json")));
}

}  // namespace
}  // namespace tessorin
