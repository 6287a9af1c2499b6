// Community.sqlite heals: a damaged file is set aside under a dated name, never deleted,
// and a new one made, which the user is told once; a file or folder that cannot be
// written says so instead of calling the community unavailable; a FIFO in the file's place
// is never waited on; two installations making the file at the same moment both get to
// use it.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/mount.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QProcess>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "AwaitTask.hpp"
#include "LocalInstallation.hpp"
#include "TmpfsMount.hpp"
#include "community/store/CommunityStore.hpp"
#include "community/store/LocalRecordStore.hpp"

namespace tessorin {
namespace {

using Kind = CommunityStore::State::Kind;

using testing::boughtAt;
using testing::fakeCheck;
using testing::Installation;

QByteArray contents(const QString& path) {
  QFile file(path);
  file.open(QIODevice::ReadOnly);
  return file.readAll();
}

void overwrite(const QString& path, qint64 offset, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadWrite));
  file.seek(offset);
  file.write(bytes);
}

TEST(LocalRecordHealing, ADamagedFileIsSetAsideAndANewOneMade) {
  struct Case {
    const char* what;
    std::function<void(const QString& folder, const QString& file)> damage;
  };
  const Case cases[] = {
      {"not a database at all",
       [](const QString&, const QString& file) { overwrite(file, 0, QByteArray(4096, 'x')); }},
      {"a damaged page",
       [](const QString& folder, const QString& file) {
         {
           Installation before(folder);
           for (int i = 0; i < 40; ++i) awaitTask(before.store.share(fakeCheck(), boughtAt("Mega Store")));
         }
         // The second page holds the table of records.
         overwrite(file, 4096, QByteArray(4096, '\xA5'));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QTemporaryDir folder;
    const QString file = QDir(folder.path()).filePath(QStringLiteral("Community.sqlite"));
    c.damage(folder.path(), file);
    const QByteArray damaged = contents(file);
    {
      Installation here(folder.path());
      EXPECT_TRUE(here.store.isAvailable());
      EXPECT_FALSE(here.store.notice().isEmpty());
      EXPECT_TRUE(here.store.noticeFile().contains(QStringLiteral("Community.sqlite.damaged-")))
          << here.store.noticeFile().toStdString();
      const QString shared = awaitTask(here.store.share(fakeCheck(), boughtAt("After")));
      awaitTask(here.store.load());
      ASSERT_EQ(here.store.state().kind, Kind::loaded) << here.store.state().message.toStdString();
      ASSERT_EQ(here.store.reports().size(), 1u);
      EXPECT_EQ(here.store.reports().front().id, shared);
    }
    const QStringList setAside =
        QDir(folder.path()).entryList({QStringLiteral("Community.sqlite.damaged-*")}, QDir::Files);
    ASSERT_EQ(setAside.size(), 1) << setAside.join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(contents(QDir(folder.path()).filePath(setAside.front())), damaged);

    Installation later(folder.path());
    EXPECT_TRUE(later.store.notice().isEmpty()) << "told once";
    awaitTask(later.store.load());
    EXPECT_EQ(later.store.reports().size(), 1u);
  }
}

TEST(LocalRecordHealing, AFileOrFolderThatCannotBeWrittenSaysWhy) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to mount a read-only file system";
  const QString readOnly = QString::fromUtf8(std::strerror(EROFS));
  for (const bool fileExists : {false, true}) {
    SCOPED_TRACE(fileExists ? "a read-only file" : "a read-only folder");
    testing::TmpfsMount mount(16 * 1024 * 1024);
    const QString folder = QString::fromStdString(mount.path());
    // A new tmpfs is open to everyone, sticky: no place to keep the records in.
    ASSERT_EQ(::chmod(mount.path().c_str(), 0755), 0);
    QTemporaryDir settingsFolder;
    if (fileExists) {
      Installation before(settingsFolder.path(), folder);
      awaitTask(before.store.share(fakeCheck(), boughtAt("Mega Store")));
    }
    ASSERT_EQ(::mount(nullptr, mount.path().c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0) << std::strerror(errno);

    Installation here(settingsFolder.path(), folder);
    EXPECT_TRUE(here.store.isAvailable()) << "the copy is fine; the file is not";
    awaitTask(here.store.load());
    EXPECT_EQ(here.store.state().kind, Kind::failed);
    EXPECT_TRUE(here.store.state().message.contains(readOnly)) << here.store.state().message.toStdString();
    try {
      awaitTask(here.store.share(fakeCheck(), boughtAt("Mega Store")));
      ADD_FAILURE() << "shared into a read-only file";
    } catch (const RecordStoreError& error) {
      EXPECT_TRUE(error.description.contains(readOnly)) << error.description.toStdString();
    }
  }
}

TEST(LocalRecordHealing, AFifoInPlaceOfTheFileOrItsLogIsPassedOverAndToldNeverWaitedOn) {
  for (const char* suffix : {"", "-wal", "-journal"}) {
    SCOPED_TRACE(std::string("Community.sqlite") + suffix);
    QTemporaryDir folder;
    const QString file = QDir(folder.path()).filePath(QStringLiteral("Community.sqlite"));
    const QString fifo = file + QString::fromUtf8(suffix);
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    {
      Installation here(folder.path());
      EXPECT_EQ(here.store.noticeFile(), QDir::toNativeSeparators(fifo));
      EXPECT_FALSE(here.store.notice().isEmpty());
      awaitTask(here.store.load());
      EXPECT_EQ(here.store.state().kind, Kind::failed);
      EXPECT_TRUE(here.store.state().message.contains(QStringLiteral("is not a file")))
          << here.store.state().message.toStdString();
      here.store.dismissNotice();
      awaitTask(here.store.load());
      EXPECT_TRUE(here.store.notice().isEmpty()) << "told once";
      struct stat left {};
      ASSERT_EQ(::lstat(QFile::encodeName(fifo).constData(), &left), 0);
      EXPECT_TRUE(S_ISFIFO(left.st_mode)) << "it was replaced";

      // Once it is moved away, the records are kept again without a restart.
      ASSERT_TRUE(QFile::remove(fifo));
      const QString shared = awaitTask(here.store.share(fakeCheck(), boughtAt("After")));
      awaitTask(here.store.load());
      ASSERT_EQ(here.store.state().kind, Kind::loaded) << here.store.state().message.toStdString();
      ASSERT_EQ(here.store.reports().size(), 1u);
      EXPECT_EQ(here.store.reports().front().id, shared);
    }
  }
}

// Started by the test below, this process is one installation: it opens the file the
// variable names the moment the other variable names, and exits with 1 when it cannot.
// It does so before the tests run, so it is no test of its own.
const bool startedAsOneInstallation = [] {
  const QByteArray file = qgetenv("TESSORIN_HEALING_FILE");
  if (file.isEmpty()) return false;
  const qint64 start = qEnvironmentVariable("TESSORIN_HEALING_START").toLongLong();
  while (QDateTime::currentMSecsSinceEpoch() < start) std::this_thread::sleep_for(std::chrono::microseconds(100));
  QTemporaryDir folder;
  QSettings settings(QDir(folder.path()).filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
  QString error;
  {
    LocalRecordStore records(settings, QString::fromUtf8(file));
    error = records.openError();
  }
  std::fprintf(stderr, "%s\n", qPrintable(error));
  std::_Exit(error.isEmpty() ? 0 : 1);
}();

TEST(LocalRecordHealing, InstallationsMakingTheFileAtOnceAllGetToUseIt) {
  for (int round = 0; round < 5; ++round) {
    QTemporaryDir folder;
    const QString file = QDir(folder.path()).filePath(QStringLiteral("Community.sqlite"));
    const qint64 start = QDateTime::currentMSecsSinceEpoch() + 500;
    std::vector<std::unique_ptr<QProcess>> installations;
    for (int i = 0; i < 6; ++i) {
      auto process = std::make_unique<QProcess>();
      QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
      environment.insert(QStringLiteral("TESSORIN_HEALING_FILE"), file);
      environment.insert(QStringLiteral("TESSORIN_HEALING_START"), QString::number(start));
      process->setProcessEnvironment(environment);
      process->setProcessChannelMode(QProcess::MergedChannels);
      process->start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_list_tests")});
      installations.push_back(std::move(process));
    }
    for (auto& process : installations) {
      ASSERT_TRUE(process->waitForFinished(30'000));
      EXPECT_EQ(process->exitCode(), 0) << "round " << round << ":\n" << process->readAll().toStdString();
    }
  }
}

}  // namespace
}  // namespace tessorin
