// The community screen, its store cards and the purchase panel, over real community
// stores filled through `share` and real card sessions whose checks finished through the
// session's own `finish`.

#include "FinishedCheckSeam.hpp"
#include "GalleryCommunity.hpp"
#include "GalleryState.hpp"
#include "GalleryWorld.hpp"
#include "session/AppModel.hpp"

namespace tessorin::gallery {

namespace {

using Verdict = CheckOutcome::Verdict;
using Report = GalleryCommunity::Report;

constexpr std::uint64_t GB = 1'000'000'000;

QVariant object(QObject* value) { return QVariant::fromValue(value); }

Expectation text(const char* objectName, QString value) {
  return {QString::fromLatin1(objectName), QStringLiteral("text"), value};
}

Expectation shown(const char* objectName, bool visible) {
  return {QString::fromLatin1(objectName), QStringLiteral("visible"), visible};
}

// Stores that tell the list's story: fakes first, a physical store, another website, one
// store on two platforms, a country the locale cannot name.
GalleryCommunity* marketplace() {
  GalleryCommunity* community = GalleryCommunity::local();
  community->share({.store = "Mega Card Outlet", .platform = Platform::aliexpress, .country = "BR",
                    .verdict = Verdict::fake, .realBytes = 7'500'000'000, .brand = "sandisk", .price = 39.9,
                    .currency = "BRL"});
  community->share({.store = "Mega Card Outlet", .platform = Platform::aliexpress, .country = "PT", .city = "Porto",
                    .verdict = Verdict::fake, .realBytes = 900'500'000, .brand = "Ultra Pro %2"});
  community->share({.store = "mega card  outlet", .platform = Platform::shopee, .country = "BR",
                    .verdict = Verdict::likelyGenuine, .price = 55, .currency = "BRL", .method = CheckOutcome::Method::quick});
  community->share({.store = "Foto Corner", .platform = Platform::physicalStore, .country = "PT", .city = "Lisbon",
                    .verdict = Verdict::genuine, .brand = "samsung", .price = 12.5});
  community->share({.store = "cards-direct", .platform = Platform::other, .country = "AA",
                    .verdict = Verdict::damaged, .method = CheckOutcome::Method::quick});
  community->load();
  return community;
}

// Ten reports of one store, typed two ways, bought on two platforms; four of them fake.
GalleryCommunity* oneStoreOnTwoPlatforms() {
  GalleryCommunity* community = GalleryCommunity::local();
  for (int i = 0; i < 10; ++i) {
    const bool aliexpress = i < 6;
    community->share({.store = i % 3 == 0 ? "mega card  OUTLET" : "Mega Card Outlet",
                      .platform = aliexpress ? Platform::aliexpress : Platform::shopee,
                      .country = i % 2 ? "PT" : "BR",
                      .verdict = i < 4 ? Verdict::fake : Verdict::genuine,
                      .realBytes = i < 4 ? std::optional<std::uint64_t>(7'500'000'000) : std::nullopt});
  }
  community->load();
  return community;
}

Expectation tile(int index, const char* value) {
  return {QStringLiteral("statTile%1").arg(index), QStringLiteral("valueText"), QString::fromLatin1(value)};
}

QVariantMap screen(GalleryCommunity* community, QVariantMap extra = {}) {
  extra.insert(QStringLiteral("store"), object(community->storeObject()));
  return extra;
}

GalleryState screenState(const char* state, int height, std::function<QVariantMap(GalleryWorld&)> properties,
                         std::vector<Expectation> expectations) {
  return {.view = QStringLiteral("CommunityView"),
          .state = QString::fromLatin1(state),
          .size = {900, height},
          .scene = QStringLiteral("scenes/CommunityViewScene.qml"),
          .properties = std::move(properties),
          .expectations = std::move(expectations)};
}

// Every summary of the store, each card open.
QVariantMap openCards(GalleryCommunity* community) {
  QVariantList summaries;
  for (const StoreSummary& summary : community->store().summaries(QString(), std::nullopt)) {
    summaries.append(QVariant::fromValue(summary));
  }
  return {{QStringLiteral("store"), object(community->storeObject())}, {QStringLiteral("summaries"), summaries}};
}

// The cards of a store filled with `reports`, each open.
GalleryState cardsState(const char* state, int height, std::vector<Report> reports,
                        std::vector<Expectation> expectations) {
  return {.view = QStringLiteral("StoreCard"),
          .state = QString::fromLatin1(state),
          .size = {880, height},
          .scene = QStringLiteral("scenes/StoreCardScene.qml"),
          .properties =
              [reports = std::move(reports)](GalleryWorld&) {
                GalleryCommunity* community = GalleryCommunity::local();
                for (const Report& report : reports) community->share(report);
                community->load();
                return openCards(community);
              },
          .expectations = std::move(expectations)};
}

CardSession* finishedCard(GalleryWorld& world) {
  CardSession* session = world.session(GalleryWorld::builtInCard(64 * GB, "SDXC"));
  ZoneResult zone = ZoneResult::make(256'000'000, 10, {25e6, 25e6}, 5, {50e6}, {}, false);
  FinishedCheckSeam::finish(*session, {.zone = zone});
  return session;
}

Purchase storedPurchase() {
  Purchase purchase;
  purchase.store = "Mega Card Outlet";
  purchase.platform = Platform::aliexpress;
  purchase.country = "PT";
  purchase.city = "Porto";
  purchase.price = 23.5;
  purchase.currency = "EUR";
  return purchase;
}

GalleryState panelState(const char* state, int height, std::function<QVariantMap(GalleryWorld&)> properties,
                        std::vector<Expectation> expectations) {
  return {.view = QStringLiteral("PurchasePanel"),
          .state = QString::fromLatin1(state),
          .size = {880, height},
          .scene = QStringLiteral("scenes/PurchasePanelScene.qml"),
          .properties = std::move(properties),
          .expectations = std::move(expectations)};
}

QVariantMap panel(CardSession* session, GalleryCommunity* community, const char* act = "", const char* store = "") {
  return {{QStringLiteral("session"), object(session)},
          {QStringLiteral("store"), object(community->storeObject())},
          {QStringLiteral("act"), QString::fromLatin1(act)},
          {QStringLiteral("storeName"), QString::fromUtf8(store)}};
}

// A store reached with Tab: its header wears the focus ring, inside the store's card.
GalleryState focusedStoreCard() {
  GalleryState state = screenState("store-card-focused", 760, [](GalleryWorld&) { return screen(marketplace()); },
                                   {{QStringLiteral("storeCardHeader"), QStringLiteral("visualFocus"), true}});
  state.keyboardFocus = QStringLiteral("storeCardHeader");
  return state;
}

// A report's "…" reached with Tab, at the right edge of its open store card: its whole ring.
GalleryState focusedReportMenuButton() {
  GalleryState state = screenState(
      "report-menu-button-focused", 1100,
      [](GalleryWorld&) {
        return screen(marketplace(), {{QStringLiteral("openCards"), QStringList({"mega card outlet|aliexpress"})}});
      },
      {{QStringLiteral("reportMenuButton"), QStringLiteral("visualFocus"), true}});
  state.keyboardFocus = QStringLiteral("reportMenuButton");
  return state;
}

// Its menu, opened at the window's right edge: it stands inside the window.
GalleryState openReportMenu() {
  GalleryState state = focusedReportMenuButton();
  state.state = QStringLiteral("report-menu-open");
  state.expectations = {{QStringLiteral("reportMenu"), QStringLiteral("opened"), true}};
  state.click = QStringLiteral("reportMenuButton");
  return state;
}

const bool registered = addGalleryStates({
    screenState("unavailable", 600, [](GalleryWorld&) { return screen(GalleryCommunity::unavailable()); },
                {shown("communityUnavailable", true), shown("storeList", false), shown("refreshButton", true),
                 {QStringLiteral("refreshButton"), QStringLiteral("enabled"), false}}),
    screenState("loading", 600,
                [](GalleryWorld&) { return screen(GalleryCommunity::scripted({.queriesHang = true})); },
                {shown("communityLoading", true), {QStringLiteral("refreshButton"), QStringLiteral("enabled"), false}}),
    screenState("failed-long-message", 600,
                [](GalleryWorld&) {
                  GalleryCommunity* community = GalleryCommunity::scripted(
                      {.queryFailure = QStringLiteral(
                           "The community server at community.tessorin.example didn’t answer within 15 seconds. "
                           "Check this computer’s connection to the internet, or try again later: the server may be "
                           "busy or down for maintenance.")});
                  community->load();
                  return screen(community);
                },
                {shown("communityFailed", true), text("communityFailedButton", "Try Again")}),
    // Three stores over four cards: one store sold on two platforms.
    screenState("list-closed", 760, [](GalleryWorld&) { return screen(marketplace()); },
                {shown("storeList", true), shown("communityEmpty", false), tile(0, "5"), tile(1, "2"), tile(2, "3"),
                 {QStringLiteral("storeList"), QStringLiteral("count"), 4}}),
    focusedStoreCard(),
    focusedReportMenuButton(),
    openReportMenu(),
    screenState("one-store-on-two-platforms", 600, [](GalleryWorld&) { return screen(oneStoreOnTwoPlatforms()); },
                {tile(0, "10"), tile(1, "4"), tile(2, "1"), {QStringLiteral("storeList"), QStringLiteral("count"), 2},
                 text("storeChip0", "Fake: 4"), shown("communityEmpty", false)}),
    screenState("list-open", 1100,
                [](GalleryWorld&) {
                  return screen(marketplace(), {{QStringLiteral("openCards"),
                                                 QStringList({"mega card outlet|aliexpress", "foto corner|physicalStore"})}});
                },
                {shown("storeList", true)}),
    screenState("no-reports-yet", 600,
                [](GalleryWorld&) {
                  GalleryCommunity* community = GalleryCommunity::local();
                  community->load();
                  return screen(community);
                },
                {shown("communityEmpty", true), text("communityEmptyTitle", "No reports yet")}),
    screenState("file-set-aside", 600,
                [](GalleryWorld&) {
                  GalleryCommunity* community = GalleryCommunity::local(QByteArray(4096, 'x'));
                  community->load();
                  return screen(community);
                },
                {shown("communityNotice", true), shown("communityEmpty", true)}),
    screenState("no-matching-stores", 600,
                [](GalleryWorld&) { return screen(marketplace(), {{QStringLiteral("search"), QStringLiteral("kiosk")}}); },
                {shown("communityEmpty", true), text("communityEmptyTitle", "No matching stores"),
                 text("communityEmptyDescription",
                      "After checking a card, tell where you bought it to add the store here.")}),
    screenState("country-menu-open", 600,
                [](GalleryWorld&) {
                  return screen(marketplace(), {{QStringLiteral("countryMenuOpen"), true}});
                },
                {text("countryRow1", QStringLiteral("\U0001F1E6\U0001F1E6 AA"))}),

    {.view = QStringLiteral("MainWindow"),
     .state = QStringLiteral("community"),
     .size = {1080, 760},
     .scene = QStringLiteral("scenes/MainWindowScene.qml"),
     .properties =
         [](GalleryWorld& world) {
           AppModel* model = world.appModel({});
           CommunityStore& store = *model->community();
           GalleryCommunity::share(store, {.store = "Mega Card Outlet", .platform = Platform::aliexpress,
                                           .country = "BR", .verdict = Verdict::fake, .realBytes = 7'500'000'000});
           GalleryCommunity::share(store, {.store = "Foto Corner", .platform = Platform::physicalStore,
                                           .country = "PT", .verdict = Verdict::genuine});
           model->setSelection(AppModel::Selection::community());
           return QVariantMap{{QStringLiteral("model"), object(model)},
                              {QStringLiteral("appDelegate"), object(world.appDelegate(model))}};
         },
     .expectations = {text("toolbarTitle", "Community"), shown("searchField", true), shown("storeList", true)}},
    cardsState("rows-every-verdict", 520,
               {{.store = "Every Verdict Shop", .verdict = Verdict::genuine, .brand = "kingston"},
                {.store = "Every Verdict Shop", .verdict = Verdict::likelyGenuine, .price = 9.99,
                 .method = CheckOutcome::Method::quick},
                {.store = "Every Verdict Shop", .verdict = Verdict::fake, .realBytes = 31'900'000'000},
                {.store = "Every Verdict Shop", .country = "PT", .verdict = Verdict::damaged},
                {.store = "Every Verdict Shop", .verdict = Verdict::inconclusive, .method = CheckOutcome::Method::quick}},
               {text("storeChip0", "Fake: 1"), text("storeChip1", "Genuine: 2")}),
    cardsState("only-damaged-and-inconclusive", 320,
               {{.store = "Quiet Corner Kiosk", .platform = Platform::physicalStore, .country = "PT", .city = "Braga",
                 .verdict = Verdict::damaged, .brand = "lexar"},
                {.store = "Quiet Corner Kiosk", .platform = Platform::physicalStore, .country = "PT",
                 .verdict = Verdict::inconclusive, .method = CheckOutcome::Method::quick}},
               {shown("storeChips", false), text("storeName", "Quiet Corner Kiosk")}),
    cardsState("long-and-markup-names", 420,
               {{.store = QString(60, QLatin1Char('W')), .country = "BR", .verdict = Verdict::genuine},
                {.store = "<b>x</b>", .city = "<i>Porto</i>", .verdict = Verdict::fake, .brand = "<b>brand</b>"}},
               {text("storeName", "<b>x</b>")}),

    panelState("new", 640, [](GalleryWorld& world) { return panel(finishedCard(world), GalleryCommunity::local()); },
               {text("storeField", ""), text("saveButton", "Save to History"),
                {QStringLiteral("shareButton"), QStringLiteral("enabled"), false}, shown("sharedChip", false)}),
    panelState("stored-purchase", 640,
               [](GalleryWorld& world) {
                 CardSession* session = finishedCard(world);
                 session->savePurchase(storedPurchase());
                 return panel(session, GalleryCommunity::local());
               },
               {text("storeField", "Mega Card Outlet"), text("priceField", "23.50"), text("cityField", "Porto")}),
    panelState("saved", 640,
               [](GalleryWorld& world) { return panel(finishedCard(world), GalleryCommunity::local(), "save", "Mega"); },
               {shown("saveButton", false), shown("savedMark", true), text("savedMarkText", "Saved")}),
    panelState("sharing", 640,
               [](GalleryWorld& world) {
                 return panel(finishedCard(world), GalleryCommunity::scripted({.savesHang = true}), "share", "Mega");
               },
               {shown("shareProgress", true), {QStringLiteral("shareButton"), QStringLiteral("enabled"), false},
                {QStringLiteral("saveButton"), QStringLiteral("enabled"), true}}),
    panelState("shared", 640,
               [](GalleryWorld& world) {
                 CardSession* session = finishedCard(world);
                 GalleryCommunity* community = GalleryCommunity::local();
                 session->savePurchase(storedPurchase());
                 const QString name = community->share(*session->record(), *session->record()->purchase);
                 session->updateRecord(session->record()->id, name.toStdString());
                 return panel(session, community);
               },
               {shown("sharedChip", true), shown("purchaseForm", false), shown("sharedPurchase", true),
                text("sharedPurchaseValue0", QStringLiteral("Mega Card Outlet")),
                {QStringLiteral("saveButton"), QStringLiteral("enabled"), false}}),
    panelState("account-guide", 900,
               [](GalleryWorld& world) {
                 return panel(finishedCard(world), GalleryCommunity::scripted({.accountRefused = true}), "share", "Mega");
               },
               {shown("accountGuide", true), shown("shareWarning", false)}),
    panelState("warning", 680,
               [](GalleryWorld& world) {
                 return panel(finishedCard(world), GalleryCommunity::scripted({}), "share", "www.cheap-cards.example");
               },
               {shown("shareWarning", true),
                text("shareWarningText", "Enter the store’s name, without links or email addresses.")}),
    panelState("unavailable", 680,
               [](GalleryWorld& world) { return panel(finishedCard(world), GalleryCommunity::unavailable(), "", "Mega"); },
               {shown("unavailableNote", true), {QStringLiteral("shareButton"), QStringLiteral("enabled"), false}}),
});

}  // namespace

}  // namespace tessorin::gallery
