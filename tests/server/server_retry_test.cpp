// Saves that fail are not kept, and a save sent again is never stored twice: a report
// answered 503 while PostgreSQL was stopped is not in the database, the same report sent
// again is stored once and acknowledged on every later retry, and the application's own
// resend carries a share over a short stop of the database.

#include <thread>

#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "AwaitTask.hpp"
#include "RecordRepository.hpp"
#include "ServerWorld.hpp"
#include "community/store/CommunityStore.hpp"
#include "community/store/ServerRecordStore.hpp"

namespace tessorin {
namespace {

using namespace std::chrono_literals;

class RetryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TESSORIN_REQUIRE_POSTGRES();
    world = ServerWorld::withStatementTimeout(1000);
  }
  std::unique_ptr<ServerWorld> world;
};

TEST_F(RetryTest, ASaveRefusedWhileTheDatabaseStoodIsNotKeptAndItsRetryIsStoredOnce) {
  const std::string token = world->registerAuthor();
  const Record report = ServerWorld::newReport(QStringLiteral("Mega"));
  world->postgres.freeze();
  const auto refused = world->post(report, token);
  world->postgres.thaw();
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused->status, 503);
  // The database has caught up with whatever it was sent before it stood still.
  std::this_thread::sleep_for(500ms);
  EXPECT_EQ(world->count("reports"), 0);

  std::optional<nlohmann::json> first;
  for (int retry = 0; retry < 3; ++retry) {
    SCOPED_TRACE(retry);
    const auto answer = world->post(report, token);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 201);
    const nlohmann::json stored = nlohmann::json::parse(answer->body);
    if (first) {
      EXPECT_EQ(stored, *first) << "a retry is answered as the first save was";
    }
    first = stored;
  }
  EXPECT_EQ(world->count("reports"), 1);
}

TEST_F(RetryTest, ASaveTheDatabaseRunsOnlyAfterItsAnswerWasGivenUpStoresNothing) {
  const std::string token = world->registerAuthor();
  server::PgConnection db(world->postgres.conninfo());
  server::RecordRepository records(db);
  const auto author = records.authorWithToken(token);
  ASSERT_TRUE(author);
  const Record flagged = ServerWorld::newReport(QStringLiteral("Flagged"));
  constexpr int perHour = 1000;
  ASSERT_EQ(records.saveReport(flagged, author->name, author->checkedMicros + 5'000'000, perHour).outcome,
            server::RecordRepository::Save::Outcome::stored);
  struct Case {
    const char* what;
    std::int64_t latestMicros;
    bool stored;
  };
  const Case cases[] = {
      {"run in time", author->checkedMicros + 5'000'000, true},
      {"run after the server gave up", author->checkedMicros - 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::int64_t reports = world->count("reports");
    const std::int64_t flags = world->count("flags");
    const auto saveBoth = [&] {
      records.saveReport(ServerWorld::newReport(QStringLiteral("Mega")), author->name, c.latestMicros, perHour);
      records.saveFlag(ServerWorld::newFlag(flagged.recordName), author->name, c.latestMicros, perHour);
    };
    if (c.stored) {
      EXPECT_NO_THROW(saveBoth());
    } else {
      EXPECT_THROW(
          records.saveReport(ServerWorld::newReport(QStringLiteral("Mega")), author->name, c.latestMicros, perHour),
          server::PgError);
      EXPECT_THROW(records.saveFlag(ServerWorld::newFlag(flagged.recordName), QStringLiteral("ANOTHER"),
                                    c.latestMicros, perHour),
                   server::PgError);
    }
    EXPECT_EQ(world->count("reports"), reports + (c.stored ? 1 : 0));
    EXPECT_EQ(world->count("flags"), flags + (c.stored ? 1 : 0));
  }
}

TEST_F(RetryTest, TheNameOfAStoredReportStaysItsOwn) {
  const std::string token = world->registerAuthor();
  const Record report = ServerWorld::newReport(QStringLiteral("Mega"));
  ASSERT_EQ(world->post(report, token)->status, 201);
  Record changed = report;
  changed.fields[QStringLiteral("verdict")] = QStringLiteral("genuine");
  struct Case {
    const char* what;
    Record record;
    std::string token;
  };
  const Case cases[] = {
      {"other content under its name", changed, token},
      {"the same content from another author", report, world->registerAuthor("203.0.113.40")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto answer = world->post(c.record, c.token);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 409);
  }
  EXPECT_EQ(world->count("reports"), 1);
}

TEST_F(RetryTest, TheApplicationResendsAShareOverAShortStopOfTheDatabase) {
  QTemporaryDir folder;
  QSettings settings(folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
  CommunityStore store(settings, std::make_unique<ServerRecordStore>(settings, QUrl(QString::fromStdString(world->url()))));
  Purchase purchase;
  purchase.store = "Mega";
  awaitTask(store.share(CheckRecord{}, purchase));  // registered, and one report
  world->postgres.freeze();
  // Longer than the server waits (1.5 s), shorter than the application's first resend.
  std::thread thawing([&] {
    std::this_thread::sleep_for(2000ms);
    world->postgres.thaw();
  });
  QString shared;
  try {
    shared = awaitTask(store.share(CheckRecord{}, purchase));
  } catch (const std::exception& error) {
    ADD_FAILURE() << error.what();
  }
  thawing.join();
  EXPECT_FALSE(shared.isEmpty());
  EXPECT_EQ(world->count("reports"), 2);
}

}  // namespace
}  // namespace tessorin
