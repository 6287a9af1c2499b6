// The community store on the records kept on this computer (Community.sqlite in a
// temporary folder): a shared report is listed, flags and blocks hide at once and
// survive a new store on the same files, one author's repeated flags count once, and
// the file refuses what the validator refuses.

#include <memory>
#include <optional>
#include <vector>

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <qcoro/qcorotask.h>

#include "AwaitTask.hpp"
#include "LocalInstallation.hpp"
#include "community/store/CommunityAccount.hpp"
#include "community/store/CommunityStore.hpp"
#include "community/store/LocalRecordStore.hpp"
#include "community/store/SqliteDatabase.hpp"

namespace tessorin {
namespace {

using Kind = CommunityStore::State::Kind;

using testing::Installation;

CheckRecord fakeCheck() {
  CheckRecord check;
  check.advertisedBytes = 128'000'000'000;
  check.realBytes = 16'000'000'000;
  check.verdict = CheckOutcome::Verdict::fake;
  return check;
}

Purchase boughtAt(const char* store) {
  Purchase purchase;
  purchase.store = store;
  purchase.platform = Platform::shopee;
  purchase.country = "BR";
  purchase.city = "Recife";
  return purchase;
}

TEST(LocalRecordStore, SharedReportsAreListedNewestFirst) {
  QTemporaryDir folder;
  Installation here(folder.path());
  ASSERT_TRUE(here.store.isAvailable());
  awaitTask(here.store.load());
  EXPECT_EQ(here.store.state().kind, Kind::loaded);
  EXPECT_TRUE(here.store.reports().empty());

  const QString first = awaitTask(here.store.share(fakeCheck(), boughtAt("Mega Store")));
  const QString second = awaitTask(here.store.share(fakeCheck(), boughtAt("Other\nShop")));
  ASSERT_EQ(here.store.reports().size(), 2u);
  EXPECT_EQ(here.store.reports().front().id, second);

  Installation again(folder.path());
  awaitTask(again.store.load());
  EXPECT_EQ(again.store.state().kind, Kind::loaded) << again.store.state().message.toStdString();
  ASSERT_EQ(again.store.reports().size(), 2u);
  EXPECT_EQ(again.store.reports()[0].id, second);
  EXPECT_EQ(again.store.reports()[0].store, QStringLiteral("Other Shop"));
  EXPECT_EQ(again.store.reports()[1].id, first);
  EXPECT_EQ(again.store.reports()[1].realBytes, 16'000'000'000u);
  EXPECT_EQ(again.store.reports()[1].author, CommunityAccount::local(again.settings).author);
}

TEST(LocalRecordStore, FlagsAndBlocksHideAtOnceAndStayHidden) {
  QTemporaryDir folder;
  {
    Installation here(folder.path());
    awaitTask(here.store.share(fakeCheck(), boughtAt("Mega Store")));
    awaitTask(here.store.share(fakeCheck(), boughtAt("Good Store")));
    const StoreReport flagged = here.store.reports().back();
    awaitTask(here.store.flag(flagged));
    EXPECT_EQ(here.store.visibleReports().size(), 1u);
    here.store.block(*here.store.reports().front().author);
    EXPECT_TRUE(here.store.visibleReports().empty());
  }
  Installation again(folder.path());
  awaitTask(again.store.load());
  EXPECT_EQ(again.store.reports().size(), 2u);
  EXPECT_EQ(again.store.flaggedByMe().size(), 1u);
  EXPECT_EQ(again.store.blockedAuthors().size(), 1u);
  EXPECT_TRUE(again.store.visibleReports().empty());
}

TEST(LocalRecordStore, OneAuthorsFlagsCountOnceAndThreeAuthorsHide) {
  QTemporaryDir folder;
  Installation here(folder.path());
  awaitTask(here.store.share(fakeCheck(), boughtAt("Mega Store")));
  const StoreReport report = here.store.reports().front();
  for (int i = 0; i < 3; ++i) awaitTask(here.store.flag(report));

  QTemporaryDir elsewhere;
  QSettings otherSettings(QDir(elsewhere.path()).filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
  const auto countFlags = [&] {
    CommunityStore reader(otherSettings, std::make_unique<LocalRecordStore>(
                                             here.settings, QDir(folder.path()).filePath(QStringLiteral("Community.sqlite"))));
    awaitTask(reader.load());
    return std::pair(reader.flagCounts().count(report.id) ? reader.flagCounts().at(report.id) : 0,
                     reader.visibleReports().size());
  };
  EXPECT_EQ(countFlags(), std::pair(1, std::size_t{1}));

  // Two more installations flag the same report through the same file.
  for (const char* author : {"AAAAAAAA-0000-4000-8000-000000000002", "AAAAAAAA-0000-4000-8000-000000000003"}) {
    CommunityAccount{QString(), QString::fromLatin1(author), QString()}.store(here.settings);
    awaitTask(here.store.flag(report));
  }
  EXPECT_EQ(countFlags(), std::pair(3, std::size_t{0}));
}

TEST(LocalRecordStore, RefusesWhatTheValidatorRefuses) {
  QTemporaryDir folder;
  QSettings settings(QDir(folder.path()).filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
  LocalRecordStore records(settings, QDir(folder.path()).filePath(QStringLiteral("Community.sqlite")));
  Record flag;
  flag.recordType = QStringLiteral("ReportFlag");
  flag.recordName = QStringLiteral("11111111-2222-4333-8444-555555555555");
  flag.fields[QStringLiteral("report")] = RecordReference{QStringLiteral("11111111-2222-4333-8444-000000000000")};
  struct Case {
    const char* what;
    Record record;
    RecordErrorCode code;
  };
  Record unknownType = flag;
  unknownType.recordType = QStringLiteral("Note");
  const Case cases[] = {
      {"a flag of no stored report", flag, RecordErrorCode::unknownItem},
      {"an unknown type", unknownType, RecordErrorCode::unknownItem},
  };
  for (const Case& c : cases) {
    try {
      awaitTask(records.save(c.record));
      ADD_FAILURE() << c.what;
    } catch (const RecordStoreError& error) {
      EXPECT_EQ(error.code, c.code) << c.what;
    }
  }
  try {
    awaitTask(records.query({QStringLiteral("Note"), false, 10, std::nullopt}));
    ADD_FAILURE() << "queried an unknown type";
  } catch (const RecordStoreError& error) {
    EXPECT_EQ(error.code, RecordErrorCode::unknownItem);
  }
}

TEST(LocalRecordStore, SameNameTwiceIsRefused) {
  QTemporaryDir folder;
  QSettings settings(QDir(folder.path()).filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
  LocalRecordStore records(settings, QDir(folder.path()).filePath(QStringLiteral("Community.sqlite")));
  const Record report = makeStoreReportRecord(fakeCheck(), boughtAt("Mega"), {});
  const auto saved = awaitTask(records.save(report));
  ASSERT_TRUE(saved.has_value());
  EXPECT_TRUE(saved->creationDate.has_value());
  try {
    awaitTask(records.save(report));
    ADD_FAILURE() << "saved twice";
  } catch (const RecordStoreError& error) {
    EXPECT_EQ(error.code, RecordErrorCode::serverRecordChanged);
  }
}

TEST(LocalRecordStore, PagesWithoutGapsOrRepeats) {
  QTemporaryDir folder;
  QSettings settings(QDir(folder.path()).filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
  LocalRecordStore records(settings, QDir(folder.path()).filePath(QStringLiteral("Community.sqlite")));
  std::set<QString> saved;
  for (int i = 0; i < 25; ++i) {
    saved.insert(awaitTask(records.save(makeStoreReportRecord(fakeCheck(), boughtAt("Mega"), {})))->recordName);
  }
  for (bool newestFirst : {true, false}) {
    std::set<QString> seen;
    std::optional<QString> cursor;
    int pages = 0;
    QDateTime previous;
    do {
      const QueryPage page = awaitTask(records.query({QStringLiteral("StoreReport"), newestFirst, 10, cursor}));
      for (const RecordResult& result : page.results) {
        const Record& record = std::get<Record>(result);
        EXPECT_TRUE(seen.insert(record.recordName).second);
        if (newestFirst && previous.isValid()) {
          EXPECT_LE(*record.creationDate, previous);
        }
        previous = *record.creationDate;
      }
      cursor = page.cursor;
      ++pages;
    } while (cursor);
    EXPECT_EQ(pages, 3);
    EXPECT_EQ(seen, saved);
  }
}

// Reports shared within one tick of the clock share their time: newest first is then the
// reverse order of saving, across pages, also in a file written before that rule.
TEST(LocalRecordStore, ReportsOfTheSameTickAreListedInReverseOrderOfSaving) {
  const struct {
    const char* file;
    const char* makeIt;
  } files[] = {
      {"made by this version", ""},
      {"made when ties went by name",
       "DROP INDEX records_newest; CREATE INDEX records_newest ON records (type, created DESC, name DESC); "
       "PRAGMA user_version = 1;"},
  };
  for (const auto& file : files) {
    QTemporaryDir folder;
    QSettings settings(QDir(folder.path()).filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    const QString path = QDir(folder.path()).filePath(QStringLiteral("Community.sqlite"));
    std::vector<QString> newestFirst;
    {
      LocalRecordStore records(settings, path);
      for (int i = 0; i < 7; ++i) {
        newestFirst.insert(newestFirst.begin(),
                           awaitTask(records.save(makeStoreReportRecord(fakeCheck(), boughtAt("Mega"), {})))->recordName);
      }
    }
    {
      SqliteDatabase database(path);
      database.execute("UPDATE records SET created = 1700000000000000");
      database.execute(file.makeIt);
    }
    LocalRecordStore records(settings, path);
    std::vector<QString> listed;
    std::optional<QString> cursor;
    do {
      const QueryPage page = awaitTask(records.query({QStringLiteral("StoreReport"), true, 3, cursor}));
      for (const RecordResult& result : page.results) listed.push_back(std::get<Record>(result).recordName);
      cursor = page.cursor;
    } while (cursor);
    EXPECT_EQ(listed, newestFirst) << file.file;
  }
}

TEST(LocalRecordStore, AFileThatIsNoDatabaseIsSetAsideAndTheCommunityStaysAvailable) {
  QTemporaryDir folder;
  QSettings settings(QDir(folder.path()).filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
  QFile notADatabase(QDir(folder.path()).filePath(QStringLiteral("Community.sqlite")));
  ASSERT_TRUE(notADatabase.open(QIODevice::WriteOnly));
  notADatabase.write(QByteArray(4096, 'x'));
  notADatabase.close();
  CommunityStore store(settings, std::make_unique<LocalRecordStore>(settings, notADatabase.fileName()));
  EXPECT_TRUE(store.isAvailable());
  awaitTask(store.load());
  EXPECT_EQ(store.state().kind, Kind::loaded) << store.state().message.toStdString();
}

}  // namespace
}  // namespace tessorin
