// The community store over a back end whose answers the test writes: the bounds of a
// fetch, the errors of either query, overlapping loads, sharing's failures, and which
// reports are visible and how they are summarised per store.

#include <memory>

#include <QSettings>
#include <QTemporaryDir>
#include <QUuid>
#include <gtest/gtest.h>
#include <qcoro/qcorotask.h>

#include "AwaitTask.hpp"
#include "ScriptedRecordStore.hpp"
#include "community/store/CommunityError.hpp"
#include "community/store/CommunityStore.hpp"

namespace tessorin {
namespace {

using namespace std::chrono_literals;
using Kind = CommunityStore::State::Kind;

struct ReportSpec {
  QString store = QStringLiteral("Mega Store");
  QString verdict = QStringLiteral("fake");
  QString country;
  QString author = QStringLiteral("AUTHOR-1");
  qint64 seconds = 1'700'000'000;
  QString platform = QStringLiteral("amazon");

  ReportSpec& at(QString value) { store = std::move(value); return *this; }
  ReportSpec& judged(QString value) { verdict = std::move(value); return *this; }
  ReportSpec& in(QString value) { country = std::move(value); return *this; }
  ReportSpec& by(QString value) { author = std::move(value); return *this; }
  ReportSpec& on(qint64 value) { seconds = value; return *this; }
  ReportSpec& through(QString value) { platform = std::move(value); return *this; }
};

Record reportRecord(const ReportSpec& spec) {
  Record record;
  record.recordType = QStringLiteral("StoreReport");
  record.recordName = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
  record.fields = {{QStringLiteral("store"), spec.store},
                   {QStringLiteral("verdict"), spec.verdict},
                   {QStringLiteral("country"), spec.country},
                   {QStringLiteral("platform"), spec.platform},
                   {QStringLiteral("advertisedBytes"), std::int64_t{64}}};
  record.creationDate = QDateTime::fromSecsSinceEpoch(spec.seconds, Qt::UTC);
  if (!spec.author.isEmpty()) record.creator = spec.author;
  return record;
}

Record flagRecord(const QString& report, std::optional<QString> author) {
  Record record;
  record.recordType = QStringLiteral("ReportFlag");
  record.recordName = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
  record.fields[QStringLiteral("report")] = RecordReference{report};
  record.creator = std::move(author);
  return record;
}

Record unreadableRecord() {
  Record record = reportRecord({});
  record.fields.erase(QStringLiteral("verdict"));
  return record;
}

QueryPage pageOf(std::vector<Record> records, std::optional<QString> cursor = std::nullopt) {
  QueryPage page;
  for (Record& record : records) page.results.emplace_back(std::move(record));
  page.cursor = std::move(cursor);
  return page;
}

struct World {
  QTemporaryDir folder;
  std::unique_ptr<QSettings> settings =
      std::make_unique<QSettings>(folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
  ScriptedRecordStore* records = nullptr;
  std::unique_ptr<CommunityStore> store;

  World() { remake(); }
  void remake() {
    auto scripted = std::make_unique<ScriptedRecordStore>();
    records = scripted.get();
    store = std::make_unique<CommunityStore>(*settings, std::move(scripted));
  }
  // Reports answer the report query, flags the flag query.
  void serve(std::vector<Record> reports, std::vector<Record> flags = {}) {
    records->answer = [reports, flags](const RecordQuery& query) {
      return pageOf(query.recordType == QStringLiteral("StoreReport") ? reports : flags);
    };
  }
  void load() { awaitTask(store->load()); }
};

TEST(CommunityStoreLoad, StopsPagingAtTheReportLimitAndAtUselessPages) {
  struct Case {
    const char* what;
    std::function<QueryPage(int page)> page;  // numbered from 1
    int pagesAsked;
    std::size_t reportsHeld;
  };
  const auto fullPage = [](int unreadable) {
    std::vector<Record> records;
    for (int i = 0; i < 400; ++i) records.push_back(i < unreadable ? unreadableRecord() : reportRecord({}));
    return records;
  };
  const Case cases[] = {
      {"five full pages", [&](int) { return pageOf(fullPage(0), QStringLiteral("next")); }, 5, 2000},
      {"one unreadable record in five pages",
       [&](int page) { return pageOf(fullPage(page == 3 ? 1 : 0), QStringLiteral("next")); }, 6, 2399},
      {"a cursor with nothing readable", [&](int) { return pageOf(fullPage(400), QStringLiteral("next")); }, 1, 0},
      {"a cursor with an empty page", [&](int) { return pageOf({}, QStringLiteral("next")); }, 1, 0},
      {"endless small pages",
       [&](int) { return pageOf({reportRecord({}), unreadableRecord()}, QStringLiteral("next")); }, 10, 10},
      {"a last page without cursor", [&](int) { return pageOf({reportRecord({})}); }, 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    World world;
    int reportPages = 0;
    world.records->answer = [&](const RecordQuery& query) {
      if (query.recordType != QStringLiteral("StoreReport")) return QueryPage{};
      EXPECT_EQ(query.cursor.has_value(), reportPages > 0);
      EXPECT_TRUE(query.newestFirst);
      EXPECT_EQ(query.limit, 400);
      return c.page(++reportPages);
    };
    world.load();
    EXPECT_EQ(reportPages, c.pagesAsked);
    EXPECT_EQ(world.store->reports().size(), c.reportsHeld);
    EXPECT_EQ(world.store->state().kind, Kind::loaded);
  }
}

TEST(CommunityStoreLoad, HandlesErrorsOfEitherQuery) {
  const RecordStoreError unknown(RecordErrorCode::unknownItem, QStringLiteral("no such type"));
  const RecordStoreError network(RecordErrorCode::networkFailure, QStringLiteral("The server cannot be reached."));
  struct Case {
    const char* what;
    std::optional<RecordStoreError> onReports;
    std::optional<RecordStoreError> onFlags;
    Kind state;
    std::size_t reports;  // after a first, successful load of one report
  };
  const Case cases[] = {
      {"no report type yet", unknown, std::nullopt, Kind::loaded, 0},
      // Reports that nobody flagged yet stay listed.
      {"no flag type yet", std::nullopt, unknown, Kind::loaded, 2},
      {"network failure on reports", network, std::nullopt, Kind::failed, 1},
      {"network failure on flags", std::nullopt, network, Kind::failed, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    World world;
    const Record first = reportRecord({});
    world.serve({first}, {flagRecord(first.recordName, QStringLiteral("X"))});
    world.load();
    ASSERT_EQ(world.store->reports().size(), 1u);
    ASSERT_EQ(world.store->flagCounts().size(), 1u);

    world.records->answer = [&](const RecordQuery& query) {
      const bool reports = query.recordType == QStringLiteral("StoreReport");
      const auto& error = reports ? c.onReports : c.onFlags;
      if (error) throw *error;
      return reports ? pageOf({reportRecord({}), reportRecord({})}) : QueryPage{};
    };
    world.load();
    EXPECT_EQ(world.store->state().kind, c.state);
    if (c.state == Kind::failed) {
      EXPECT_EQ(world.store->state().message, QStringLiteral("The server cannot be reached."));
    }
    EXPECT_EQ(world.store->reports().size(), c.reports);
  }
}

TEST(CommunityStoreLoad, OnlyTheNewestOfOverlappingLoadsAssigns) {
  World world;
  const Record older = reportRecord(ReportSpec().at(QStringLiteral("Older")));
  const Record newer = reportRecord(ReportSpec().at(QStringLiteral("Newer")));
  int call = 0;
  // The first load's pages come slowly, the second's at once.
  world.records->delay = [&] { return call++ < 1 ? 300ms : 0ms; };
  world.records->answer = [&](const RecordQuery& query) {
    if (query.recordType != QStringLiteral("StoreReport")) return QueryPage{};
    return pageOf({call <= 1 ? older : newer});
  };
  QCoro::Task<> first = world.store->load();
  QCoro::Task<> second = world.store->load();
  awaitTask(std::move(second));
  awaitTask(std::move(first));
  ASSERT_EQ(world.store->reports().size(), 1u);
  EXPECT_EQ(world.store->reports().front().store, QStringLiteral("Newer"));
  EXPECT_EQ(world.store->state().kind, Kind::loaded);
}

TEST(CommunityStoreLoad, CountsDistinctFlaggingAuthors) {
  World world;
  const Record report = reportRecord({});
  const QString id = report.recordName;
  world.serve({report}, {flagRecord(id, QStringLiteral("A")), flagRecord(id, QStringLiteral("A")),
                         flagRecord(id, QStringLiteral("A")), flagRecord(id, std::nullopt)});
  world.load();
  EXPECT_EQ(world.store->flagCounts().at(id), 1);
  EXPECT_EQ(world.store->visibleReports().size(), 1u);

  world.serve({report}, {flagRecord(id, QStringLiteral("A")), flagRecord(id, QStringLiteral("B")),
                         flagRecord(id, QStringLiteral("C"))});
  world.load();
  EXPECT_EQ(world.store->flagCounts().at(id), 3);
  EXPECT_TRUE(world.store->visibleReports().empty());
  EXPECT_TRUE(world.store->countries().isEmpty());
}

TEST(CommunityStoreShare, FailsWithoutChangingTheStore) {
  CheckRecord check;
  Purchase purchase;
  purchase.store = "Mega";
  struct Case {
    const char* what;
    std::function<void(ScriptedRecordStore&)> setUp;
    Purchase purchase;
    std::optional<CommunityError> error;
    std::optional<RecordErrorCode> code;
  };
  Purchase linked = purchase;
  linked.store = "www.mega.example";
  const Case cases[] = {
      {"no account", [](ScriptedRecordStore& r) { r.status = AccountStatus::noAccount; }, purchase,
       CommunityError::notSignedIn, std::nullopt},
      {"account refused while saving",
       [](ScriptedRecordStore& r) {
         r.saved = [](const Record&) -> std::optional<Record> {
           throw RecordStoreError(RecordErrorCode::notAuthenticated, QStringLiteral("refused"));
         };
       },
       purchase, CommunityError::notSignedIn, std::nullopt},
      {"a link as store", [](ScriptedRecordStore&) {}, linked, CommunityError::invalidStoreName, std::nullopt},
      {"saved with nothing back", [](ScriptedRecordStore& r) { r.saved = [](const Record&) { return std::nullopt; }; },
       purchase, std::nullopt, RecordErrorCode::internalError},
      {"refused by the back end",
       [](ScriptedRecordStore& r) {
         r.saved = [](const Record&) -> std::optional<Record> {
           throw RecordStoreError(RecordErrorCode::requestRateLimited, QStringLiteral("Too many reports."));
         };
       },
       purchase, std::nullopt, RecordErrorCode::requestRateLimited},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    World world;
    c.setUp(*world.records);
    int notified = 0;
    QObject::connect(world.store.get(), &CommunityStore::reportsChanged, [&] { ++notified; });
    try {
      awaitTask(world.store->share(check, c.purchase));
      ADD_FAILURE() << "shared";
    } catch (const CommunityError& error) {
      EXPECT_EQ(std::optional<CommunityError>(error), c.error);
    } catch (const RecordStoreError& error) {
      EXPECT_EQ(std::optional<RecordErrorCode>(error.code), c.code);
    }
    EXPECT_EQ(notified, 0);
    EXPECT_TRUE(world.store->reports().empty());
    EXPECT_EQ(world.store->state().kind, Kind::idle);
  }
}

TEST(CommunityStoreUnavailable, LoadsNothingSharesNothingAndFlagsLocally) {
  World unusable;
  auto scripted = std::make_unique<ScriptedRecordStore>();
  scripted->usable = false;
  ScriptedRecordStore* records = scripted.get();
  CommunityStore store(*unusable.settings, std::move(scripted));
  EXPECT_FALSE(store.isAvailable());
  awaitTask(store.load());
  EXPECT_EQ(store.state().kind, Kind::unavailable);
  EXPECT_TRUE(records->queries.empty());
  try {
    awaitTask(store.share(CheckRecord{}, Purchase{}));
    ADD_FAILURE() << "shared";
  } catch (const CommunityError& error) {
    EXPECT_EQ(error, CommunityError::unavailable);
    EXPECT_EQ(error.description(), QStringLiteral("The community is not available in this copy of Tessorin."));
  }
  const StoreReport report = *StoreReport::fromRecord(reportRecord({}));
  awaitTask(store.flag(report));
  EXPECT_EQ(store.flaggedByMe().count(report.id), 1u);
  EXPECT_TRUE(records->saves.empty());
}

TEST(CommunityStoreModeration, ReadsALoneTextAsOneEntry) {
  QTemporaryDir folder;
  const QString path = folder.filePath(QStringLiteral("settings.ini"));
  {
    // What the settings file holds after a one-element list was written: a bare text.
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[General]\nFlaggedReports=REPORT-1\nBlockedAuthors=AUTHOR-1\n");
  }
  QSettings settings(path, QSettings::IniFormat);
  CommunityStore store(settings, std::make_unique<ScriptedRecordStore>());
  EXPECT_EQ(store.flaggedByMe(), std::set<QString>{QStringLiteral("REPORT-1")});
  EXPECT_EQ(store.blockedAuthors(), std::set<QString>{QStringLiteral("AUTHOR-1")});
}

TEST(CommunityStoreVisibility, HidesFlaggedAndBlockedReports) {
  World world;
  const Record mine = reportRecord(ReportSpec().by(QStringLiteral("ME")));
  const Record blocked = reportRecord(ReportSpec().by(QStringLiteral("TROLL")));
  const Record anonymous = reportRecord(ReportSpec().by(QString()));
  const Record twice = reportRecord({});
  const Record thrice = reportRecord({});
  world.serve({mine, blocked, anonymous, twice, thrice},
              {flagRecord(twice.recordName, QStringLiteral("A")), flagRecord(twice.recordName, QStringLiteral("B")),
               flagRecord(thrice.recordName, QStringLiteral("A")), flagRecord(thrice.recordName, QStringLiteral("B")),
               flagRecord(thrice.recordName, QStringLiteral("C"))});
  world.load();
  int flaggedNotices = 0;
  QObject::connect(world.store.get(), &CommunityStore::flaggedByMeChanged, [&] { ++flaggedNotices; });
  world.store->block(QStringLiteral("TROLL"));
  awaitTask(world.store->flag(*StoreReport::fromRecord(mine)));
  awaitTask(world.store->flag(*StoreReport::fromRecord(mine)));
  EXPECT_EQ(flaggedNotices, 2);
  EXPECT_EQ(world.records->saves.size(), 2u);

  std::set<QString> visible;
  for (const StoreReport& report : world.store->visibleReports()) visible.insert(report.id);
  EXPECT_EQ(visible, (std::set<QString>{anonymous.recordName, twice.recordName}));

  world.store->block(QString());
  EXPECT_EQ(world.store->visibleReports().size(), 2u) << "a report without author is never blocked";
}

TEST(CommunityStoreSummaries, GroupsSearchesFiltersAndRanks) {
  World world;
  const auto at = [](qint64 day) { return 1'700'000'000 + day * 86'400; };
  std::vector<Record> records;
  // "Alpha": 3 fakes in 1 report group of 3; "Beta" 2 fakes of 7; "Gamma" 2 fakes of 5.
  for (int i = 0; i < 3; ++i) records.push_back(reportRecord(ReportSpec().at(QStringLiteral("Alpha")).on(at(i))));
  for (int i = 0; i < 7; ++i) {
    records.push_back(reportRecord(ReportSpec().at(QStringLiteral("Beta")).judged(i < 2 ? QStringLiteral("fake") : QStringLiteral("genuine")).in(i == 0 ? QStringLiteral("PT") : QStringLiteral("BR")).on(at(i))));
  }
  for (int i = 0; i < 5; ++i) {
    records.push_back(reportRecord(ReportSpec().at(i == 4 ? QStringLiteral("ＧＡＭＭＡ  shop") : QStringLiteral("gamma Shop")).judged(i < 2 ? QStringLiteral("fake") : QStringLiteral("damaged")).on(at(10 + i))));
  }
  records.push_back(reportRecord(ReportSpec().at(QStringLiteral("Alpha")).through(QStringLiteral("ebay"))));
  world.serve(records);
  world.load();

  const auto all = world.store->summaries(QString(), std::nullopt);
  ASSERT_EQ(all.size(), 4u);
  EXPECT_EQ(all[0].id, QStringLiteral("alpha|amazon"));
  EXPECT_EQ(all[1].id, QStringLiteral("beta|amazon"));
  EXPECT_EQ(all[2].id, QStringLiteral("gamma shop|amazon"));
  EXPECT_EQ(all[3].id, QStringLiteral("alpha|ebay"));
  EXPECT_EQ(all[1].countries, (QStringList{QStringLiteral("BR"), QStringLiteral("PT")}));
  EXPECT_EQ(all[1].genuineCount(), 5);
  EXPECT_EQ(all[2].genuineCount(), 0);
  // The newest report names the store.
  EXPECT_EQ(all[2].store, QStringLiteral("ＧＡＭＭＡ  shop"));
  EXPECT_EQ(all[2].latestDate(), QDateTime::fromSecsSinceEpoch(at(14), Qt::UTC));
  EXPECT_EQ(all[2].reports.front().date, all[2].latestDate());
  EXPECT_EQ(all[3].countries, QStringList{QString()});

  const auto searched = world.store->summaries(QStringLiteral("  GAMMA   "), std::nullopt);
  ASSERT_EQ(searched.size(), 1u);
  EXPECT_EQ(searched[0].reports.size(), 5u);
  EXPECT_EQ(world.store->summaries(QStringLiteral("   "), std::nullopt).size(), 4u);

  const auto portugal = world.store->summaries(QString(), QStringLiteral("PT"));
  ASSERT_EQ(portugal.size(), 1u);
  EXPECT_EQ(portugal[0].reports.size(), 1u);
  EXPECT_EQ(portugal[0].fakeCount(), 1);
  EXPECT_EQ(world.store->countries(), (QStringList{QStringLiteral("BR"), QStringLiteral("PT")}));
  EXPECT_LT(StoreSummary{}.latestDate(), QDateTime::fromSecsSinceEpoch(-62'000'000'000LL, Qt::UTC));
}

}  // namespace
}  // namespace tessorin
