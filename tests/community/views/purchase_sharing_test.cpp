// Sharing a purchase from the panel: against the community server on a PostgreSQL
// cluster of the test's own for what the server answers, and over a back end that holds
// its answer back for what happens to the card's session meanwhile.

#include <QSignalSpy>
#include <gtest/gtest.h>
#include <qcoro/qcorosignal.h>

#include "CommunityViewWorld.hpp"
#include "ServerWorld.hpp"
#include "community/store/ServerRecordStore.hpp"
#include "community/rules/StoreTextRules.hpp"
#include "community/view/PurchasePanelModel.hpp"

namespace tessorin {
namespace {

using namespace std::chrono_literals;

bool turnUntil(const std::function<bool()>& done) { return testing::turnLoopUntil(done, 20s); }

// The community store of this installation on the server of `world`.
struct ServerCommunity {
  explicit ServerCommunity(const ServerWorld& world)
      : store(settings, std::make_unique<ServerRecordStore>(settings, QUrl(QString::fromStdString(world.url())))) {}
  QTemporaryDir folder;
  QSettings settings{folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat};
  CommunityStore store;
};

void shareAndWait(PurchasePanelModel& panel) {
  panel.share();
  ASSERT_TRUE(turnUntil([&] { return !panel.sharing(); }));
}

TEST(PurchaseSharing, ASharedCheckKeepsItsNameAndTurnsThePanelReadOnly) {
  TESSORIN_REQUIRE_POSTGRES();
  ServerWorld world;
  ServerCommunity community(world);
  FinishedCard card;
  const QUuid id = card.session->record()->id;
  {
    PurchasePanelModel panel;
    panel.setSession(card.session);
    panel.setStore(&community.store);
    panel.setStoreName(QStringLiteral("Mega <b>Store</b>"));
    panel.setCountry(QStringLiteral("PT"));
    panel.setPriceText(QStringLiteral("12,50"));
    panel.setCurrency(QStringLiteral("EUR"));
    EXPECT_TRUE(panel.sharedLines().empty()) << "a purchase not yet shared is a form, not a record";
    panel.share();
    EXPECT_TRUE(panel.sharing());
    EXPECT_FALSE(panel.shareEnabled());
    EXPECT_TRUE(panel.saveEnabled());
    ASSERT_TRUE(turnUntil([&] { return !panel.sharing(); }));
    EXPECT_EQ(panel.shareErrorText(), "");
    EXPECT_FALSE(panel.needsICloud());
    EXPECT_TRUE(panel.alreadyShared());
    EXPECT_FALSE(panel.shareEnabled());
    EXPECT_FALSE(panel.saveEnabled());
    EXPECT_FALSE(panel.saved());
  }
  const std::optional<CheckRecord> stored = card.stored(id);
  ASSERT_TRUE(stored && stored->sharedRecordName);
  EXPECT_EQ(card.session->record()->sharedRecordName, stored->sharedRecordName);
  EXPECT_EQ(stored->purchase->price, 12.5);
  ASSERT_EQ(community.store.reports().size(), 1u);
  EXPECT_EQ(community.store.reports()[0].id.toStdString(), *stored->sharedRecordName);
  EXPECT_EQ(world.count("reports"), 1);

  PurchasePanelModel again;
  again.setSession(card.session);
  again.setStore(&community.store);
  again.appear();
  EXPECT_TRUE(again.alreadyShared());
  EXPECT_EQ(again.storeName(), "Mega <b>Store</b>");
  EXPECT_EQ(again.priceText(), "12.50") << "a euro price is written with its cents";
  EXPECT_FALSE(again.shareEnabled());

  // Shared, the purchase reads as text; the city left empty has no line.
  const std::vector<MetricValue> expected = {{again.storeLabel(), "Mega <b>Store</b>"},
                                            {again.platformLabel(), Platform(Platform::other).label()},
                                            {again.countryLabel(), flagEmoji("PT") + " Portugal"},
                                            {again.priceLabel(), "€12.50"}};
  EXPECT_EQ(again.sharedLines(), expected);
}

TEST(PurchaseSharing, ARefusedReportShowsTheMessageAndKeepsThePurchase) {
  TESSORIN_REQUIRE_POSTGRES();
  struct Case {
    const char* store;
    const char* price;
    const char* currency;
    QString message;
  };
  const Case cases[] = {
      {"www.cheap-cards.example", "", "EUR", "Enter the store’s name, without links or email addresses."},
      {"Mega", "10", "$", "Give the price as a number of zero or more with a three-letter currency code."},
  };
  ServerWorld world;
  ServerCommunity community(world);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.store);
    FinishedCard card;
    PurchasePanelModel panel;
    panel.setSession(card.session);
    panel.setStore(&community.store);
    panel.setStoreName(QString::fromUtf8(c.store));
    panel.setPriceText(QString::fromUtf8(c.price));
    panel.setCurrency(QString::fromUtf8(c.currency));
    shareAndWait(panel);
    EXPECT_EQ(panel.shareErrorText(), c.message);
    EXPECT_TRUE(panel.showsWarning());
    EXPECT_FALSE(panel.needsICloud());
    EXPECT_FALSE(panel.alreadyShared());
    EXPECT_TRUE(panel.shareEnabled());
    const std::optional<CheckRecord> stored = card.stored(card.session->record()->id);
    ASSERT_TRUE(stored && stored->purchase);
    EXPECT_EQ(stored->purchase->store, c.store);
    EXPECT_FALSE(stored->sharedRecordName);
  }
  EXPECT_EQ(world.count("reports"), 0);
}

TEST(PurchaseSharing, ARefusedAccountShowsTheGuideUntilTheNextShare) {
  TESSORIN_REQUIRE_POSTGRES();
  ServerWorld world;
  world.stopServer();
  world.options.registrationsPerHour = 0;
  world.startServer();
  ServerCommunity community(world);
  FinishedCard card;
  PurchasePanelModel panel;
  panel.setSession(card.session);
  panel.setStore(&community.store);
  panel.setStoreName(QStringLiteral("Mega"));
  shareAndWait(panel);
  EXPECT_TRUE(panel.needsICloud());
  EXPECT_FALSE(panel.showsWarning());
  EXPECT_EQ(panel.shareErrorText(), "");
  EXPECT_TRUE(card.stored(card.session->record()->id)->purchase.has_value());

  world.options.port = world.port;
  world.stopServer();
  world.options.registrationsPerHour = 100;
  world.startServer();
  QSignalSpy changes(&panel, &PurchasePanelModel::shareStateChanged);
  panel.share();
  EXPECT_FALSE(panel.needsICloud());
  EXPECT_TRUE(panel.sharing());
  ASSERT_TRUE(turnUntil([&] { return !panel.sharing(); }));
  EXPECT_FALSE(panel.needsICloud());
  EXPECT_TRUE(panel.alreadyShared());
}

TEST(PurchaseSharing, AnUnavailableCommunityDisablesSharingAndSays) {
  QTemporaryDir folder;
  QSettings settings(folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
  CommunityStore store(settings,
                       std::make_unique<ServerRecordStore>(settings, QUrl(QStringLiteral("http://community.example"))));
  FinishedCard card;
  PurchasePanelModel panel;
  panel.setSession(card.session);
  panel.setStore(&store);
  panel.setStoreName(QStringLiteral("Mega"));
  EXPECT_FALSE(panel.available());
  EXPECT_FALSE(panel.shareEnabled());
  EXPECT_EQ(panel.unavailableNote(), "Sharing isn’t available in this copy of Tessorin.");
  panel.saveToHistory();
  EXPECT_EQ(card.stored(card.session->record()->id)->purchase->store, "Mega");
}

// A community back end that keeps each save until the test lets it through.
class Gate : public QObject {
  Q_OBJECT
 public:
  bool open = false;
  int waiting = 0;
 Q_SIGNALS:
  void opened();
};

class HeldBackRecordStore final : public RecordStore {
 public:
  HeldBackRecordStore(QSettings& settings, const QString& path, Gate& gate)
      : inner_(settings, path), gate_(gate) {}
  bool isUsable() const override { return inner_.isUsable(); }
  QCoro::Task<QueryPage> query(RecordQuery query) override { return inner_.query(std::move(query)); }
  QCoro::Task<AccountStatus> accountStatus() override { return inner_.accountStatus(); }
  QCoro::Task<std::optional<Record>> save(Record record) override {
    if (!gate_.open) {
      ++gate_.waiting;
      co_await qCoro(&gate_, &Gate::opened);
    }
    QCoro::Task<std::optional<Record>> saving = inner_.save(std::move(record));
    co_return co_await saving;
  }

 private:
  LocalRecordStore inner_;
  Gate& gate_;
};

struct HeldBackCommunity {
  QTemporaryDir folder;
  QSettings settings{folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat};
  Gate gate;
  CommunityStore store{settings, std::make_unique<HeldBackRecordStore>(
                                     settings, folder.filePath(QStringLiteral("Community.sqlite")), gate)};

  void awaitHeldSave() { ASSERT_TRUE(turnUntil([this] { return gate.waiting == 1; })); }
  void release(const std::function<bool()>& done) {
    gate.open = true;
    Q_EMIT gate.opened();
    ASSERT_TRUE(turnUntil(done));
  }
};

TEST(PurchaseSharing, ALateAnswerNamesTheRecordSentNotANewerCheck) {
  HeldBackCommunity community;
  FinishedCard card;
  const QUuid sent = card.session->record()->id;
  PurchasePanelModel panel;
  panel.setSession(card.session);
  panel.setStore(&community.store);
  panel.setStoreName(QStringLiteral("Mega"));
  panel.share();
  community.awaitHeldSave();

  card.checkAgain();
  const QUuid newer = card.session->record()->id;
  ASSERT_NE(newer, sent);
  community.release([&] { return !panel.sharing(); });
  EXPECT_TRUE(card.stored(sent)->sharedRecordName.has_value());
  EXPECT_FALSE(card.stored(newer)->sharedRecordName.has_value());
  EXPECT_FALSE(card.session->record()->sharedRecordName.has_value());
  EXPECT_FALSE(panel.alreadyShared());
  EXPECT_EQ(panel.storeName(), "");  // the newer check's form starts blank
}

TEST(PurchaseSharing, ASessionGoneMeanwhileStillHasItsHistoryRecordMarkedShared) {
  HeldBackCommunity community;
  FinishedCard card;
  const QUuid sent = card.session->record()->id;
  auto panel = std::make_unique<PurchasePanelModel>();
  panel->setSession(card.session);
  panel->setStore(&community.store);
  panel->setStoreName(QStringLiteral("Mega"));
  panel->share();
  community.awaitHeldSave();
  panel.reset();
  QPointer<CardSession> session = card.session;
  card.session->dispose();
  card.session = nullptr;
  // A loop turned by hand deletes nothing by itself.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  ASSERT_TRUE(session.isNull());

  community.release([&] { return card.stored(sent)->sharedRecordName.has_value(); });
  ASSERT_EQ(community.store.reports().size(), 1u);
  EXPECT_EQ(card.stored(sent)->sharedRecordName, community.store.reports()[0].id.toStdString());
  card.history.waitForSaves();
  History reread(card.history.url());
  reread.waitForSaves();
  EXPECT_EQ(reread.records()[0].sharedRecordName, community.store.reports()[0].id.toStdString());
}

}  // namespace
}  // namespace tessorin

#include "purchase_sharing_test.moc"
