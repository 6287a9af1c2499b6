// The community screen over real community stores: the local SQLite back end for what a
// user does with the list, and the community server, stopped and started again, for
// fetches that fail.

#include <map>

#include <QSignalSpy>
#include <QThread>
#include <gtest/gtest.h>

#include "CommunityViewWorld.hpp"
#include "ServerWorld.hpp"
#include "community/store/ServerRecordStore.hpp"
#include "community/view/CommunityViewModel.hpp"
#include "community/view/StoreCardModel.hpp"
#include "community/view/StoreSummaryList.hpp"

namespace tessorin {
namespace {

using namespace std::chrono_literals;
using Content = CommunityViewModel::Content;
using Kind = CommunityStore::State::Kind;
using Verdict = CheckOutcome::Verdict;

bool turnUntil(const std::function<bool()>& done) { return testing::turnLoopUntil(done, 20s); }

QStringList storeNames(CommunityViewModel& screen) {
  QStringList names;
  for (const StoreSummary& summary : screen.summaries()->summaries()) names.append(summary.store);
  return names;
}

QStringList tileValues(const CommunityViewModel& screen) {
  QStringList values;
  for (const StatTileValue& tile : screen.tiles()) values.append(tile.valueText);
  return values;
}

QStringList countryTexts(const CommunityViewModel& screen) {
  QStringList texts;
  for (const CountryRow& row : screen.countryRows()) texts.append(row.text);
  return texts;
}

TEST(CommunityScreenStore, ShowingFetchesOnlyTheFirstTimeInARun) {
  QTemporaryDir folder;
  LocalCommunity other(folder.path(), QStringLiteral("other"));
  shareReport(other.store, ShareSpec().at("Mega"));
  LocalCommunity community(folder.path());
  QSignalSpy fetches(&community.store, &CommunityStore::stateChanged);
  {
    CommunityViewModel screen;
    screen.setStore(&community.store);
    EXPECT_EQ(screen.content(), Content::List);  // idle: the empty list for a moment
    screen.appeared();
    // The local store answers from its own thread and may already have answered here.
    ASSERT_GE(fetches.count(), 1) << "showing an idle store starts its fetch";
    if (community.store.state().kind == Kind::loading) {
      EXPECT_EQ(screen.content(), Content::Loading);
      EXPECT_FALSE(screen.refreshEnabled());
    }
  }
  // The screen went at once; its fetch did not.
  ASSERT_TRUE(turnUntil([&] { return community.store.state().kind == Kind::loaded; }));
  EXPECT_EQ(community.store.reports().size(), 1u);

  const int before = fetches.count();
  CommunityViewModel again;
  again.setStore(&community.store);
  again.appeared();
  again.appeared();
  EXPECT_EQ(fetches.count(), before);
  EXPECT_EQ(again.content(), Content::List);
  EXPECT_EQ(storeNames(again), QStringList({"Mega"}));
  EXPECT_EQ(again.search(), "");
}

TEST(CommunityScreenStore, FlagAndBlockUpdateCardsTilesAndCountryMenuAtOnce) {
  QTemporaryDir folder;
  LocalCommunity other(folder.path(), QStringLiteral("other"));
  shareReport(other.store, ShareSpec().at("Mega").in("PT"));
  shareReport(other.store, ShareSpec().at("Mega").in("AA").judged(Verdict::genuine));
  LocalCommunity me(folder.path());
  shareReport(me.store, ShareSpec().at("Corner Shop").in("BR").on(Platform::physicalStore));
  awaitTask(me.store.load());

  CommunityViewModel screen;
  screen.setStore(&me.store);
  EXPECT_EQ(tileValues(screen), QStringList({"3", "2", "2"}));
  EXPECT_EQ(countryTexts(screen),
            QStringList({"All countries", "\U0001F1E6\U0001F1E6 AA", "\U0001F1E7\U0001F1F7 Brazil",
                         "\U0001F1F5\U0001F1F9 Portugal"}));

  QSignalSpy rows(screen.summaries(), &QAbstractItemModel::rowsRemoved);
  QSignalSpy resets(screen.summaries(), &QAbstractItemModel::modelReset);
  const auto reportIn = [&](const QString& country) {
    for (const StoreReport& report : me.store.reports()) {
      if (report.country == country) return report;
    }
    return StoreReport();
  };
  awaitTask(me.store.flag(reportIn("BR")));
  EXPECT_EQ(tileValues(screen), QStringList({"2", "1", "1"}));
  EXPECT_EQ(storeNames(screen), QStringList({"Mega"}));
  EXPECT_FALSE(countryTexts(screen).join(' ').contains("Brazil"));
  EXPECT_EQ(rows.count(), 1);
  EXPECT_EQ(resets.count(), 0);

  me.store.block(*reportIn("PT").author);
  EXPECT_EQ(tileValues(screen), QStringList({"0", "0", "0"}));
  EXPECT_TRUE(screen.listEmpty());
  EXPECT_EQ(countryTexts(screen), QStringList({"All countries"}));
}

TEST(CommunityScreenStore, ACountryNarrowsTheCardsNotTheTiles) {
  QTemporaryDir folder;
  LocalCommunity community(folder.path());
  shareReport(community.store, ShareSpec().at("Mega").in("PT"));
  shareReport(community.store, ShareSpec().at("Mega").in("BR").judged(Verdict::genuine));
  shareReport(community.store, ShareSpec().at("Other Shop").in("BR"));
  awaitTask(community.store.load());
  CommunityViewModel screen;
  screen.setStore(&community.store);
  screen.chooseCountry(2);  // All countries, Brazil, Portugal
  EXPECT_EQ(screen.country(), QStringLiteral("PT"));
  EXPECT_EQ(screen.countryIndex(), 2);
  ASSERT_EQ(storeNames(screen), QStringList({"Mega"}));
  EXPECT_EQ(screen.summaries()->summaries()[0].reports.size(), 1u);
  EXPECT_EQ(tileValues(screen), QStringList({"3", "2", "2"}));
  screen.chooseCountry(0);
  EXPECT_FALSE(screen.country().has_value());
  EXPECT_EQ(screen.summaries()->rowCount(), 2);
}

TEST(CommunityScreenStore, ACardStaysOpenThroughASearchThatHidesIt) {
  QTemporaryDir folder;
  LocalCommunity community(folder.path());
  shareReport(community.store, ShareSpec().at("Mega"));
  shareReport(community.store, ShareSpec().at("Corner Shop"));
  awaitTask(community.store.load());
  CommunityViewModel screen;
  screen.setStore(&community.store);
  StoreSummaryList& list = *screen.summaries();
  const auto expandedOf = [&](const QString& store) {
    for (int row = 0; row < list.rowCount(); ++row) {
      const QModelIndex index = list.index(row);
      if (list.data(index, StoreSummaryList::summaryRole).value<StoreSummary>().store == store) {
        return list.data(index, StoreSummaryList::expandedRole).toBool();
      }
    }
    return false;
  };
  const QString megaId = QStringLiteral("mega|amazon");
  screen.toggle(megaId);
  EXPECT_TRUE(expandedOf("Mega"));
  EXPECT_FALSE(expandedOf("Corner Shop"));
  screen.setSearch(QStringLiteral("  CORNER "));
  EXPECT_EQ(storeNames(screen), QStringList({"Corner Shop"}));
  screen.setSearch(QString());
  EXPECT_TRUE(expandedOf("Mega"));
  screen.toggle(megaId);
  EXPECT_FALSE(expandedOf("Mega"));
}

TEST(CommunityScreenStore, OneStoreOnTwoPlatformsCountsOnceAndEachCardIsNamedByItsOwnReports) {
  QTemporaryDir folder;
  LocalCommunity community(folder.path());
  const ShareSpec shares[] = {
      ShareSpec().at("Mega Card Outlet").on(Platform::aliexpress).in("BR"),
      ShareSpec().at("mega card  outlet").on(Platform::shopee).in("BR").judged(Verdict::likelyGenuine),
      ShareSpec().at("MEGA CARD OUTLET").on(Platform::aliexpress).in("PT"),
      ShareSpec().at("Foto Corner").on(Platform::physicalStore).in("PT").judged(Verdict::genuine),
      ShareSpec().at("cards-direct").on(Platform::other).judged(Verdict::damaged),
  };
  for (const ShareSpec& spec : shares) {
    shareReport(community.store, spec);
    QThread::msleep(5);  // each report newer than the one before
  }
  awaitTask(community.store.load());
  CommunityViewModel screen;
  screen.setStore(&community.store);
  EXPECT_EQ(tileValues(screen), QStringList({"5", "2", "3"})) << "a store on two platforms is one store";

  struct Card {
    QString store;
    QStringList chips;
  };
  std::map<QString, Card> cards;
  for (const StoreSummary& summary : screen.summaries()->summaries()) {
    StoreCardModel card;
    card.setSummary(summary);
    QStringList chips;
    for (const ChipValue& chip : card.chips()) chips.append(chip.text);
    cards[summary.id] = {card.store(), chips};
  }
  ASSERT_EQ(cards.size(), 4u) << "one card per store and platform";
  EXPECT_EQ(cards["mega card outlet|aliexpress"].store, "MEGA CARD OUTLET")
      << "each card carries the name of its own newest report, not the store's newest on any platform";
  EXPECT_EQ(cards["mega card outlet|shopee"].store, "mega card  outlet");
  EXPECT_EQ(cards["mega card outlet|aliexpress"].chips, QStringList({"Fake: 2"}));
  EXPECT_EQ(cards["mega card outlet|shopee"].chips, QStringList({"Genuine: 1"})) << "probably genuine counts as genuine";
  EXPECT_EQ(cards["foto corner|physicalStore"].chips, QStringList({"Genuine: 1"}));
  EXPECT_TRUE(cards["cards-direct|other"].chips.isEmpty()) << "a damaged report is neither fake nor genuine";

  screen.chooseCountry(1);  // All countries, Brazil, Portugal
  ASSERT_EQ(screen.country(), QStringLiteral("BR"));
  EXPECT_EQ(storeNames(screen), QStringList({"Mega Card Outlet", "mega card  outlet"}))
      << "with a country chosen, the names come from that country's reports alone";
}

// The community server on a PostgreSQL cluster of the test's own, reached at one port
// across a restart.
struct StoppableServer {
  ServerWorld world;
  QTemporaryDir folder;
  QSettings settings{folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat};
  CommunityStore store{settings, std::make_unique<ServerRecordStore>(
                                     settings, QUrl(QString::fromStdString(world.url())),
                                     ServerRecordStore::Limits{std::chrono::milliseconds(3000), 4 << 20})};

  StoppableServer() { world.options.port = world.port; }
};

TEST(CommunityScreenServer, AFailedFirstFetchThenTryAgainGoesThroughLoading) {
  TESSORIN_REQUIRE_POSTGRES();
  StoppableServer server;
  server.world.stopServer();
  CommunityViewModel screen;
  screen.setStore(&server.store);
  screen.appeared();
  ASSERT_TRUE(turnUntil([&] { return server.store.state().kind == Kind::failed; }));
  EXPECT_EQ(screen.content(), Content::Failed);
  EXPECT_FALSE(screen.failureMessage().isEmpty());
  EXPECT_TRUE(screen.refreshEnabled());

  // Shown again: the failure stays and nothing is fetched.
  CommunityViewModel shownAgain;
  shownAgain.setStore(&server.store);
  shownAgain.appeared();
  EXPECT_EQ(shownAgain.content(), Content::Failed);

  server.world.startServer();
  screen.refresh();
  EXPECT_EQ(screen.content(), Content::Loading);
  ASSERT_TRUE(turnUntil([&] { return server.store.state().kind == Kind::loaded; }));
  EXPECT_EQ(screen.content(), Content::List);
  EXPECT_EQ(screen.emptyTitle(), "No reports yet");
}

TEST(CommunityScreenServer, ARefreshThatFailsKeepsTheList) {
  TESSORIN_REQUIRE_POSTGRES();
  StoppableServer server;
  shareReport(server.store, ShareSpec().at("Mega"));
  CommunityViewModel screen;
  screen.setStore(&server.store);
  screen.appeared();
  ASSERT_TRUE(turnUntil([&] { return server.store.state().kind == Kind::loaded; }));
  ASSERT_EQ(storeNames(screen), QStringList({"Mega"}));

  server.world.stopServer();
  screen.refresh();
  EXPECT_EQ(screen.content(), Content::List);
  EXPECT_FALSE(screen.refreshEnabled());
  ASSERT_TRUE(turnUntil([&] { return server.store.state().kind == Kind::failed; }));
  EXPECT_EQ(screen.content(), Content::List);
  EXPECT_EQ(screen.failureMessage(), "");
  EXPECT_EQ(storeNames(screen), QStringList({"Mega"}));
  EXPECT_TRUE(screen.refreshEnabled());
}

}  // namespace
}  // namespace tessorin
