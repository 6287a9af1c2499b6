// The community's presenters: the wording of a report row and a store card, the screen's
// content for each state of the store, its totals and empty titles, the price field, the
// share button's conditions and the country menu of the purchase panel.

#include <cmath>
#include <limits>

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include "CommunityViewWorld.hpp"
#include "ScriptedRecordStore.hpp"
#include "theme/Palette.hpp"
#include "community/rules/StoreTextRules.hpp"
#include "community/store/LocalRecordStore.hpp"
#include "community/view/CommunityViewModel.hpp"
#include "community/view/CountryPickerModel.hpp"
#include "community/view/PriceText.hpp"
#include "community/view/PurchasePanelModel.hpp"
#include "community/view/RegionNames.hpp"
#include "community/view/ReportRowModel.hpp"
#include "community/view/StoreCardModel.hpp"

namespace tessorin {
namespace {

using namespace std::chrono_literals;
using Verdict = CheckOutcome::Verdict;

StoreReport report(Verdict verdict, QString country = {}) {
  StoreReport made;
  made.id = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
  made.store = QStringLiteral("Mega Store");
  made.storeKey = QStringLiteral("mega store");
  made.advertisedBytes = 64'000'000'000;
  made.verdict = verdict;
  made.country = std::move(country);
  made.date = QDateTime(QDate(2023, 11, 14), QTime(12, 0), Qt::LocalTime);
  return made;
}

TEST(ReportRow, TitleNamesBrandCapacityAndWhatTheCheckFound) {
  struct Case {
    const char* what;
    std::optional<QString> brand;
    Verdict verdict;
    std::optional<std::uint64_t> realBytes;
    QString title;
  };
  const Case cases[] = {
      {"fake measured in gigabytes, cut down", QStringLiteral("sandisk"), Verdict::fake, 7'500'000'000,
       "SanDisk 64\u00A0GB — really 7\u00A0GB"},
      {"fake measured in megabytes, cut down", std::nullopt, Verdict::fake, 900'500'000, "Card 64\u00A0GB — really 900\u00A0MB"},
      {"fake without a real size", std::nullopt, Verdict::fake, std::nullopt, "Card 64\u00A0GB — Fake"},
      {"a typed brand holding placeholders stays as typed", QStringLiteral("Ultra %2 %1"), Verdict::fake,
       7'500'000'000, "Ultra %2 %1 64\u00A0GB — really 7\u00A0GB"},
      {"a typed brand beside a verdict", QStringLiteral("%1 Pro"), Verdict::likelyGenuine, std::nullopt,
       "%1 Pro 64\u00A0GB — Probably genuine"},
      {"an empty brand is no brand", QString(), Verdict::damaged, std::nullopt, "Card 64\u00A0GB — Damaged"},
      {"a brand in other letter case is typed text", QStringLiteral("SanDisk"), Verdict::genuine, std::nullopt,
       "SanDisk 64\u00A0GB — Genuine"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    StoreReport shown = report(c.verdict);
    shown.brand = c.brand;
    shown.realBytes = c.realBytes;
    EXPECT_EQ(ReportRowModel::titleOf(shown), c.title);
  }
}

TEST(ReportRow, DetailJoinsPlacePriceDateAndMethod) {
  struct Case {
    const char* what;
    QString city;
    QString country;
    std::optional<double> price;
    std::optional<QString> currency;
    CheckOutcome::Method method;
    QString detail;
  };
  const QString date = QStringLiteral("Nov 14, 2023");
  const Case cases[] = {
      {"city and country", "Lisbon", "PT", 12.5, "EUR", CheckOutcome::Method::quick,
       "Lisbon, Portugal · €12.50 · " + date + " · quick check"},
      {"no city", "", "BR", 39.9, "BRL", CheckOutcome::Method::full, "Brazil · R$39.90 · " + date + " · advanced test"},
      {"a country the locale cannot name, no city", "", "AA", std::nullopt, std::nullopt, CheckOutcome::Method::full,
       date + " · advanced test"},
      {"a price without a currency", "Porto", "", 12.5, std::nullopt, CheckOutcome::Method::quick,
       "Porto · " + date + " · quick check"},
      {"a currency ICU does not know", "", "", 1234.5, "ABC", CheckOutcome::Method::quick,
       "1,234.5 ABC · " + date + " · quick check"},
      {"a city as typed", "<b>x</b>", "", std::nullopt, "EUR", CheckOutcome::Method::quick,
       "<b>x</b> · " + date + " · quick check"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    StoreReport shown = report(Verdict::genuine, c.country);
    shown.city = c.city;
    shown.price = c.price;
    shown.currency = c.currency;
    shown.method = c.method;
    EXPECT_EQ(ReportRowModel::detailOf(shown), c.detail);
  }
}

TEST(ReportRow, VerdictSealAndMenu) {
  struct Case {
    Verdict verdict;
    const char* symbol;
    QColor color;
  };
  const Case cases[] = {
      {Verdict::genuine, "checkmark.seal.fill", Palette::green()},
      {Verdict::likelyGenuine, "checkmark.seal.fill", Palette::green()},
      {Verdict::fake, "xmark.seal.fill", Palette::red()},
      {Verdict::damaged, "exclamationmark.triangle.fill", Palette::amber()},
      {Verdict::inconclusive, "questionmark.diamond.fill", Palette::amber()},
  };
  for (const Case& c : cases) {
    ReportRowModel row;
    row.setReport(report(c.verdict));
    EXPECT_EQ(row.verdictSymbol(), c.symbol);
    EXPECT_EQ(row.verdictColor(), c.color);
    EXPECT_FALSE(row.canBlock());
  }
  ReportRowModel row;
  StoreReport authored = report(Verdict::fake);
  authored.author = QStringLiteral("AUTHOR");
  row.setReport(authored);
  EXPECT_TRUE(row.canBlock());
}

TEST(ReportRow, MenuFlagsTheReportAndHidesItsAuthorOnceTheClickIsOver) {
  QTemporaryDir folder;
  LocalCommunity community(folder.path());
  shareReport(community.store, ShareSpec().at("Mega"));
  shareReport(community.store, ShareSpec().at("Corner Shop"));
  ASSERT_EQ(community.store.visibleReports().size(), 2u);
  {
    ReportRowModel row;
    row.setStore(&community.store);
    row.setReport(community.store.reports()[0]);
    row.flag();
  }
  EXPECT_EQ(community.store.visibleReports().size(), 2u);
  QCoreApplication::processEvents();
  ASSERT_EQ(community.store.visibleReports().size(), 1u);
  EXPECT_EQ(community.store.flaggedByMe().count(community.store.reports()[0].id), 1u);

  ReportRowModel row;
  row.setStore(&community.store);
  row.setReport(community.store.visibleReports()[0]);
  ASSERT_TRUE(row.canBlock());
  row.block();
  QCoreApplication::processEvents();
  EXPECT_TRUE(community.store.visibleReports().empty());
}

StoreSummary summaryOf(Platform platform, std::vector<StoreReport> reports, QStringList countries) {
  StoreSummary summary;
  summary.id = QStringLiteral("mega store|") + QString::fromUtf8(platform.rawValue());
  summary.store = QStringLiteral("Mega Store");
  summary.platform = platform;
  summary.countries = std::move(countries);
  summary.reports = std::move(reports);
  return summary;
}

TEST(StoreCard, BadgeTintChipsAndPlatformLine) {
  struct Case {
    const char* what;
    Platform platform;
    std::vector<Verdict> verdicts;
    QStringList countries;
    const char* badge;
    QColor badgeColour;
    QStringList chips;
    QString platformLine;
  };
  const QString brazil = QStringLiteral("\U0001F1E7\U0001F1F7");
  const QString portugal = QStringLiteral("\U0001F1F5\U0001F1F9");
  const Case cases[] = {
      {"probably genuine counts as genuine", Platform::amazon, {Verdict::fake, Verdict::genuine, Verdict::likelyGenuine},
       {"BR", "PT"}, "cart.fill", Palette::red(), {"Fake: 1", "Genuine: 2"}, "Amazon " + brazil + " " + portugal},
      {"genuine only", Platform::physicalStore, {Verdict::genuine}, {"pt"}, "storefront.fill", Palette::green(),
       {"Genuine: 1"}, "Physical store " + portugal},
      {"a damaged card beside fakes adds no chip", Platform::shopee, {Verdict::fake, Verdict::damaged, Verdict::fake},
       {"BR"}, "cart.fill", Palette::red(), {"Fake: 2"}, "Shopee " + brazil},
      {"only damaged and inconclusive: no chip at all, green without fakes", Platform::other,
       {Verdict::damaged, Verdict::inconclusive, Verdict::damaged}, {""}, "globe", Palette::green(), {},
       "Other website "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<StoreReport> reports;
    for (const Verdict verdict : c.verdicts) reports.push_back(report(verdict));
    StoreCardModel card;
    card.setSummary(summaryOf(c.platform, reports, c.countries));
    EXPECT_EQ(card.badgeSymbol(), c.badge);
    const bool red = c.badgeColour == Palette::red();
    EXPECT_EQ(card.badgeGradient(), Palette::symbolTileGradient(c.badgeColour));
    EXPECT_EQ(card.tint().alpha() > 0, red);
    if (red) {
      EXPECT_NEAR(card.tint().alphaF(), 0.6, 0.01);
    }
    QStringList chips;
    for (const ChipValue& chip : card.chips()) chips.append(chip.text);
    EXPECT_EQ(chips, c.chips);
    EXPECT_EQ(card.platformLine(), c.platformLine);
    EXPECT_EQ(card.reportList().size(), static_cast<qsizetype>(c.verdicts.size()));
  }
}

TEST(StoreCard, FakeChipIsARedCrossSealAndGenuineChipAGreenCheckSeal) {
  StoreCardModel card;
  card.setSummary(summaryOf(Platform::amazon, {report(Verdict::likelyGenuine), report(Verdict::fake)}, {""}));
  const std::vector<ChipValue> chips = card.chips();
  ASSERT_EQ(chips.size(), 2u);
  EXPECT_EQ(chips[0].text, "Fake: 1");
  EXPECT_EQ(chips[0].symbol, "xmark.seal.fill");
  EXPECT_EQ(chips[0].color, Palette::red());
  EXPECT_EQ(chips[1].text, "Genuine: 1");
  EXPECT_EQ(chips[1].symbol, "checkmark.seal.fill");
  EXPECT_EQ(chips[1].color, Palette::green());
}

// A community store over a back end whose answers the test switches between loads.
struct ScriptedCommunity {
  QTemporaryDir folder;
  QSettings settings{folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat};
  ScriptedRecordStore* records = nullptr;
  std::unique_ptr<CommunityStore> store;

  explicit ScriptedCommunity(bool usable = true) {
    auto scripted = std::make_unique<ScriptedRecordStore>();
    scripted->usable = usable;
    records = scripted.get();
    store = std::make_unique<CommunityStore>(settings, std::move(scripted));
  }
  void serve(int reports) {
    records->answer = [reports](const RecordQuery& query) {
      QueryPage page;
      if (query.recordType != QStringLiteral("StoreReport")) return page;
      for (int i = 0; i < reports; ++i) {
        Record record;
        record.recordType = query.recordType;
        record.recordName = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
        record.fields = {{QStringLiteral("store"), QStringLiteral("Shop %1").arg(i)},
                         {QStringLiteral("verdict"), QStringLiteral("fake")},
                         {QStringLiteral("advertisedBytes"), std::int64_t{64}}};
        record.creationDate = QDateTime::currentDateTimeUtc();
        page.results.emplace_back(std::move(record));
      }
      return page;
    };
  }
  void failWith(const QString& message) {
    records->answer = [message](const RecordQuery&) -> QueryPage {
      throw RecordStoreError(RecordErrorCode::networkFailure, message);
    };
  }
};

TEST(CommunityScreen, ContentFollowsTheStoreAndWhetherItHoldsReports) {
  using Content = CommunityViewModel::Content;
  enum class Before { nothing, reports };
  enum class Then { stay, load, loadSlowly, fail };
  struct Case {
    const char* what;
    bool usable;
    Before before;
    Then then;
    Content content;
  };
  const Case cases[] = {
      {"idle", true, Before::nothing, Then::stay, Content::List},
      {"loading, nothing held", true, Before::nothing, Then::loadSlowly, Content::Loading},
      {"loading, reports held", true, Before::reports, Then::loadSlowly, Content::List},
      {"failed, nothing held", true, Before::nothing, Then::fail, Content::Failed},
      {"failed, reports held", true, Before::reports, Then::fail, Content::List},
      {"loaded empty", true, Before::nothing, Then::load, Content::List},
      {"unavailable, never loaded", false, Before::nothing, Then::stay, Content::Unavailable},
      {"unavailable after a load", false, Before::nothing, Then::load, Content::Unavailable},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScriptedCommunity community(c.usable);
    if (c.before == Before::reports) {
      community.serve(3);
      awaitTask(community.store->load());
    }
    CommunityViewModel screen;
    screen.setStore(community.store.get());
    switch (c.then) {
      case Then::stay:
        break;
      case Then::load:
        community.serve(0);
        awaitTask(community.store->load());
        break;
      case Then::loadSlowly:
        community.records->delay = [] { return 2s; };
        screen.refresh();
        break;
      case Then::fail:
        community.failWith(QStringLiteral("The server cannot be reached."));
        awaitTask(community.store->load());
        break;
    }
    EXPECT_EQ(screen.content(), c.content);
    EXPECT_EQ(screen.failureMessage(), c.content == Content::Failed ? "The server cannot be reached." : "");
    EXPECT_EQ(screen.refreshEnabled(), c.usable && c.then != Then::loadSlowly);
  }
}

TEST(CommunityScreen, TellsOnceThatADamagedRecordFileWasSetAside) {
  QTemporaryDir folder;
  const QString file = QDir(folder.path()).filePath(QStringLiteral("Community.sqlite"));
  {
    QFile damaged(file);
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write(QByteArray(4096, 'x'));
  }
  QSettings settings(QDir(folder.path()).filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
  CommunityStore store(settings, std::make_unique<LocalRecordStore>(settings, file));
  CommunityViewModel screen;
  QSignalSpy notices(&screen, &CommunityViewModel::noticeChanged);
  screen.setStore(&store);
  // Words for the user, the file kept aside for "Show in Files" and the tooltip.
  EXPECT_FALSE(screen.notice().isEmpty());
  EXPECT_FALSE(screen.notice().contains(QStringLiteral("Community.sqlite"))) << screen.notice().toStdString();
  EXPECT_TRUE(screen.noticeFile().contains(QStringLiteral("Community.sqlite.damaged-"))) << screen.noticeFile().toStdString();
  EXPECT_EQ(screen.noticeFolder(), QUrl::fromLocalFile(QFileInfo(file).absolutePath()));
  screen.dismissNotice();
  EXPECT_TRUE(screen.notice().isEmpty());
  EXPECT_TRUE(store.notice().isEmpty()) << "the screen's word went no further than the screen";
  EXPECT_GE(notices.count(), 2);

  ScriptedCommunity healthy;
  CommunityViewModel other;
  other.setStore(healthy.store.get());
  EXPECT_TRUE(other.notice().isEmpty());
}

// Ten reports of one store, typed two ways and bought on two platforms, four of them fake.
TEST(CommunityScreen, TotalsCountAStoreOnceWhateverItsPlatformsAndIgnoreTheSearch) {
  QTemporaryDir folder;
  LocalCommunity community(folder.path());
  for (int i = 0; i < 10; ++i) {
    ShareSpec spec;
    spec.at(i % 2 ? QStringLiteral("Mega  Store") : QStringLiteral("mega store"))
        .on(i < 6 ? Platform::amazon : Platform::shopee)
        .judged(i < 4 ? Verdict::fake : Verdict::genuine);
    shareReport(community.store, spec);
  }
  CommunityViewModel screen;
  screen.setStore(&community.store);
  const auto tileValues = [&] {
    QStringList values;
    for (const StatTileValue& tile : screen.tiles()) values.append(tile.valueText);
    return values;
  };
  EXPECT_EQ(tileValues(), QStringList({"10", "4", "1"}));
  QStringList titles;
  for (const StatTileValue& tile : screen.tiles()) titles.append(tile.title);
  EXPECT_EQ(titles, QStringList({"checks shared", "fakes found", "stores"}));
  EXPECT_EQ(screen.summaries()->rowCount(), 2) << "one card per platform";

  screen.setSearch(QStringLiteral("nothing like it"));
  EXPECT_EQ(screen.summaries()->rowCount(), 0);
  EXPECT_EQ(tileValues(), QStringList({"10", "4", "1"}));
  screen.setCountryCode(QStringLiteral("PT"));
  EXPECT_EQ(tileValues(), QStringList({"10", "4", "1"}));
}

TEST(CommunityScreen, TotalsAreGroupedInTheLocale) {
  ScriptedCommunity community;
  community.serve(1234);
  awaitTask(community.store->load());
  CommunityViewModel screen;
  screen.setStore(community.store.get());
  EXPECT_EQ(screen.tiles()[0].valueText, "1,234");
  EXPECT_EQ(screen.tiles()[2].valueText, "1,234");
}

// Only the search changes the title; the hint is the same however the list came out empty.
TEST(CommunityScreen, EmptyTitleSaysWhetherASearchIsTyped) {
  struct Case {
    const char* search;
    const char* country;
    const char* title;
  };
  const Case cases[] = {
      {"", "", "No reports yet"},
      {"", "PT", "No reports yet"},
      {"   ", "", "No matching stores"},
      {"mega", "", "No matching stores"},
      {"mega", "PT", "No matching stores"},
  };
  ScriptedCommunity community;
  for (const Case& c : cases) {
    CommunityViewModel screen;
    screen.setStore(community.store.get());
    screen.setSearch(QString::fromUtf8(c.search));
    screen.setCountryCode(QString::fromUtf8(c.country));
    EXPECT_TRUE(screen.listEmpty());
    EXPECT_EQ(screen.emptyTitle(), c.title) << '"' << c.search << '"';
    EXPECT_EQ(screen.emptyDescription(), "After checking a card, tell where you bought it to add the store here.")
        << '"' << c.search << '"';
  }
}

TEST(PriceText, ReadsOnlyPlainFiniteNumbersOfZeroOrMore) {
  struct Case {
    const char* text;
    std::optional<double> price;
  };
  const Case cases[] = {
      {"12,50", 12.5},     {"12.50", 12.5},      {"12", 12},         {"0", 0},           {"-0", 0},
      {"+3", 3},           {".5", 0.5},          {"5.", 5},          {"1e3", 1000},      {"2.5E-1", 0.25},
      {"", std::nullopt},  {" 12", std::nullopt}, {"12 ", std::nullopt}, {"1,234.50", std::nullopt},
      {"1.234,50", std::nullopt}, {"12$", std::nullopt}, {".", std::nullopt}, {"1e", std::nullopt},
      {"-5", std::nullopt}, {"inf", std::nullopt}, {"nan", std::nullopt}, {"infinity", std::nullopt},
      {"0x1A", std::nullopt}, {"1e999", std::nullopt}, {"-1e999", std::nullopt}, {"١٢", std::nullopt},
  };
  for (const Case& c : cases) {
    const std::optional<double> read = readPrice(QString::fromUtf8(c.text));
    EXPECT_EQ(read, c.price) << '"' << c.text << '"';
    if (read) {
      EXPECT_FALSE(std::signbit(*read)) << c.text;
    }
  }
}

TEST(PriceText, AStoredPriceIsWrittenShortAndReadsBackTheSame) {
  struct Case {
    double price;
    const char* text;
  };
  const Case cases[] = {{12.5, "12.5"}, {12, "12"}, {1234.5, "1234.5"}, {0.1, "0.1"}, {1e21, "1000000000000000000000"},
                        {0, "0"},       {1.0 / 3, "0.3333333333333333"}};
  for (const Case& c : cases) {
    EXPECT_EQ(writtenPrice(c.price), c.text);
    EXPECT_EQ(readPrice(writtenPrice(c.price)), c.price) << c.text;
  }
  // A stored price shows the decimals its currency is written with, and never loses one.
  const struct {
    double price;
    const char* currency;
    const char* text;
  } inCurrencies[] = {{23.5, "EUR", "23.50"}, {23, "EUR", "23.00"}, {1500, "JPY", "1500"}, {23.555, "EUR", "23.555"},
                      {2.5, "KWD", "2.500"},  {23.5, "ZZZ", "23.5"},  {23.5, "", "23.5"},     {23.5, "eur", "23.50"}};
  for (const auto& c : inCurrencies) {
    EXPECT_EQ(writtenPrice(c.price, QString::fromLatin1(c.currency)), c.text) << c.currency;
    EXPECT_EQ(readPrice(writtenPrice(c.price, QString::fromLatin1(c.currency))), c.price) << c.currency;
  }
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  EXPECT_EQ(writtenPrice(1234.5), "1234,5");
  EXPECT_EQ(writtenPrice(1234.5, QStringLiteral("EUR")), "1234,50");
  EXPECT_EQ(readPrice(writtenPrice(1234.5)), 1234.5);
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

TEST(PurchasePanel, ShareButtonNeedsAStoreAnUnsharedRecordAndTheCommunity) {
  struct Case {
    const char* what;
    const char* store;
    bool usable;
    bool shared;
    bool enabled;
  };
  const Case cases[] = {
      {"a store", "Mega", true, false, true},
      {"spaces and tabs only", " \t ", true, false, false},
      {"a line break counts", "\n", true, false, true},
      {"no store", "", true, false, false},
      {"community unavailable", "Mega", false, false, false},
      {"already shared", "Mega", true, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FinishedCard card;
    ScriptedCommunity community(c.usable);
    if (c.shared) card.session->updateRecord(card.session->record()->id, "SHARED");
    PurchasePanelModel panel;
    panel.setSession(card.session);
    panel.setStore(community.store.get());
    panel.setStoreName(QString::fromUtf8(c.store));
    EXPECT_EQ(panel.shareEnabled(), c.enabled);
    EXPECT_EQ(panel.saveEnabled(), !c.shared);
    EXPECT_EQ(panel.available(), c.usable);
  }
}

TEST(PurchasePanel, ANewCheckStartsBlankAndAStoredPurchaseComesBack) {
  FinishedCard card;
  ScriptedCommunity community;
  {
    PurchasePanelModel panel;
    panel.setSession(card.session);
    panel.setStore(community.store.get());
    panel.appear();
    EXPECT_EQ(panel.storeName(), "");
    EXPECT_EQ(panel.platformIndex(), static_cast<int>(Platform::other));
    EXPECT_EQ(panel.country(), "US");
    EXPECT_EQ(panel.currency(), "USD");
    EXPECT_EQ(panel.priceText(), "");
    EXPECT_EQ(panel.saveLabel(), "Save to History");

    panel.setStoreName(QStringLiteral("Mega"));
    panel.setPriceText(QStringLiteral("1e999"));
    panel.saveToHistory();
    EXPECT_FALSE(card.stored(card.session->record()->id)->purchase->price.has_value());
    panel.setPriceText(QStringLiteral("1234,50"));
    panel.saveToHistory();
    EXPECT_EQ(panel.saveLabel(), "Saved");
    panel.setCity(QStringLiteral("Porto"));
    EXPECT_EQ(panel.saveLabel(), "Save to History") << "an edit after saving still showed the form as saved";
    EXPECT_FALSE(panel.saved());
  }
  PurchasePanelModel again;
  again.setSession(card.session);
  again.appear();
  EXPECT_EQ(again.storeName(), "Mega");
  EXPECT_EQ(again.priceText(), "1234.50");
  EXPECT_EQ(again.city(), "");
  EXPECT_EQ(again.saveLabel(), "Save to History");
  EXPECT_EQ(card.stored(card.session->record()->id)->purchase->price, 1234.5);
}

TEST(CountryPicker, ListsNamedTwoLetterRegionsByNameAfterNoCountry) {
  const std::vector<CountryRow> regions = CountryPickerModel::makeRegions();
  ASSERT_GT(regions.size(), 200u);
  QStringList names;
  for (const CountryRow& row : regions) {
    EXPECT_TRUE(isCapitalCode(row.code, 2)) << row.code.toStdString();
    EXPECT_FALSE(regionName(row.code).isEmpty());
    names.append(regionName(row.code));
  }
  QCollator collator{QLocale()};
  collator.setNumericMode(true);
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  EXPECT_TRUE(std::is_sorted(names.begin(), names.end(),
                             [&](const QString& a, const QString& b) { return collator.compare(a, b) < 0; }));
  EXPECT_TRUE(names.contains("Portugal"));

  CountryPickerModel picker;
  EXPECT_EQ(picker.texts().first(), "—");
  EXPECT_EQ(picker.currentIndex(), 0);
  picker.setSelection(QStringLiteral("PT"));
  EXPECT_EQ(picker.texts()[picker.currentIndex()], QStringLiteral("\U0001F1F5\U0001F1F9 Portugal"));
  EXPECT_EQ(picker.codeAt(picker.currentIndex()), "PT");
  picker.setSelection(QStringLiteral("AA"));
  EXPECT_EQ(picker.currentIndex(), -1);
  EXPECT_EQ(picker.selection(), "AA");
}

}  // namespace
}  // namespace tessorin
