#include "shell/window/ContentViewModel.hpp"

#include <QAbstractItemModelTester>
#include <QPersistentModelIndex>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include "SessionFixture.hpp"
#include "shell/window/SidebarViewModel.hpp"
#include "shell/window/WindowMenusModel.hpp"

namespace tessorin {
namespace {

using Detail = ContentViewModel::Detail;
using Selection = AppModel::Selection;

TEST(ContentViewModel, DetailForEachSelection) {
  const std::vector<std::tuple<std::optional<Selection>, bool, Detail>> cases = {
      {std::nullopt, false, Detail::NoCard},
      {Selection::card("A"), true, Detail::Card},
      {Selection::card("gone"), false, Detail::NoCard},
      {Selection::community(), false, Detail::Community},
      {Selection::history(), false, Detail::History},
  };
  for (const auto& [selection, hasSession, detail] : cases) {
    EXPECT_EQ(ContentViewModel::detailFor(selection, hasSession), detail);
  }
}

CardDevice card(const std::string& id) {
  CardDevice device;
  device.id = id;
  device.bsdName = "sdx1";
  device.volumeURL = "/nonexistent/" + id;
  device.volumeName = id;
  device.mediaBytes = 8'000'000'000;
  return device;
}

struct Plugged {
  std::vector<CardDevice> devices;
  testing::SessionWorld files;
  std::unique_ptr<AppModel> model;

  explicit Plugged(std::vector<CardDevice> cards) : devices(std::move(cards)) {
    AppModel::Sources sources{[this](bool) { return devices; }, [] { return std::set<std::string>{}; }, false, {}, {}};
    model = std::make_unique<AppModel>(files.settings, QUrl::fromLocalFile(files.folder.filePath("History.json")),
                                       testing::smallCardEnvironment(), sources);
  }
};

QStringList cardIds(QAbstractItemModel* rows) {
  QStringList ids;
  for (int row = 0; row < rows->rowCount(); ++row) ids.append(rows->index(row, 0).data(rows->roleNames().key("cardId")).toString());
  return ids;
}

// A row that stays is the same row (its delegate, and the keyboard's focus on it, stay):
// cards coming and going, moving, or their sessions made anew are removals, insertions,
// moves and changes, never a new list.
TEST(SidebarCardList, CardsComingGoingAndMovingKeepTheRowsThatStay) {
  Plugged plugged({card("A"), card("B")});
  SidebarViewModel sidebar;
  sidebar.setModel(plugged.model.get());
  QAbstractItemModel* rows = sidebar.cards();
  QAbstractItemModelTester tester(rows, QAbstractItemModelTester::FailureReportingMode::Fatal);
  QSignalSpy resets(rows, &QAbstractItemModel::modelReset);
  const QPersistentModelIndex b = rows->index(1, 0);

  const std::vector<std::pair<std::vector<std::string>, QStringList>> scans = {
      {{"C", "A", "B"}, {"C", "A", "B"}},
      {{"C", "A", "D", "B"}, {"C", "A", "D", "B"}},
      {{"A", "B"}, {"A", "B"}},
      {{"B", "A"}, {"B", "A"}},
      {{"B"}, {"B"}},
  };
  for (const auto& [ids, shown] : scans) {
    plugged.devices.clear();
    for (const std::string& id : ids) plugged.devices.push_back(card(id));
    plugged.model->rescan();
    EXPECT_EQ(cardIds(rows), shown);
    ASSERT_TRUE(b.isValid()) << "B's row went";
    EXPECT_EQ(b.data(rows->roleNames().key("cardId")).toString(), QStringLiteral("B"));
  }
  EXPECT_EQ(resets.count(), 0);

  // Pulled and back at rest: a new session in the same row.
  const CardSession* first = plugged.model->session("B");
  plugged.devices.clear();
  plugged.model->rescan();
  plugged.devices = {card("B")};
  plugged.model->rescan();
  ASSERT_NE(plugged.model->session("B"), first);
  ASSERT_TRUE(b.isValid());
  EXPECT_EQ(b.data(rows->roleNames().key("session")).value<QObject*>(), plugged.model->session("B"));
  EXPECT_EQ(resets.count(), 0);
}

TEST(ContentViewModel, TheSidebarSelectsAndTheDetailAndTitleFollow) {
  Plugged plugged({card("A"), card("B")});
  ContentViewModel content;
  content.setModel(plugged.model.get());
  SidebarViewModel sidebar;
  sidebar.setModel(plugged.model.get());

  EXPECT_EQ(content.detail(), Detail::Card) << "a card is selected at start";
  EXPECT_EQ(content.cardId(), QStringLiteral("B"));
  EXPECT_EQ(sidebar.selectedCard(), QStringLiteral("B"));
  EXPECT_EQ(sidebar.cards()->rowCount(), 2);

  sidebar.selectCard(QStringLiteral("A"));
  EXPECT_EQ(content.session(), plugged.model->session("A"));
  EXPECT_EQ(content.cardId(), QStringLiteral("A"));
  EXPECT_EQ(content.pageTitle(), QString()) << "a card's page names itself";

  sidebar.selectHistory();
  EXPECT_EQ(content.detail(), Detail::History);
  EXPECT_EQ(content.pageTitle(), QStringLiteral("History"));
  EXPECT_TRUE(sidebar.historySelected());
  EXPECT_EQ(sidebar.selectedCard(), QString());
  EXPECT_EQ(content.session(), nullptr);

  sidebar.selectCommunity();
  EXPECT_EQ(content.pageTitle(), QStringLiteral("Community"));
  EXPECT_TRUE(sidebar.communitySelected());

  // A selected card that is gone: the invitation until the selection changes.
  plugged.model->setSelection(Selection::card("gone"));
  EXPECT_EQ(content.detail(), Detail::NoCard);
  EXPECT_EQ(content.pageTitle(), QString());
}

// The page of a selected card that went away stays, as the card's, but says the card is gone.
TEST(ContentViewModel, ASelectedCardThatWentAwayIsNotPresent) {
  Plugged plugged({card("A"), card("B")});
  ContentViewModel content;
  content.setModel(plugged.model.get());
  plugged.model->setSelection(Selection::card("A"));
  EXPECT_TRUE(content.cardPresent());
  int notified = 0;
  QObject::connect(&content, &ContentViewModel::cardPresentChanged, [&notified] { ++notified; });

  plugged.devices.erase(plugged.devices.begin());
  plugged.model->rescan();
  EXPECT_EQ(content.detail(), Detail::Card);
  EXPECT_EQ(content.cardId(), QStringLiteral("A"));
  EXPECT_FALSE(content.cardPresent());
  EXPECT_GT(notified, 0);

  plugged.devices.insert(plugged.devices.begin(), card("A"));
  plugged.model->rescan();
  EXPECT_TRUE(content.cardPresent()) << "back in";
  plugged.model->setSelection(Selection::history());
  EXPECT_FALSE(content.cardPresent()) << "no card's page";
}

TEST(ContentViewModel, WithoutCardsTheHintShowsAndTheDestinationsStillSelect) {
  Plugged plugged({});
  SidebarViewModel sidebar;
  sidebar.setModel(plugged.model.get());
  ContentViewModel content;
  content.setModel(plugged.model.get());
  EXPECT_FALSE(sidebar.hasSessions());
  EXPECT_EQ(content.detail(), Detail::NoCard);
  sidebar.selectHistory();
  EXPECT_EQ(content.detail(), Detail::History);
}

TEST(ContentViewModel, HowItWorksNotifiesOnlyOnAChange) {
  Plugged plugged({});
  ContentViewModel content;
  content.setModel(plugged.model.get());
  int notified = 0;
  QObject::connect(&content, &ContentViewModel::showingHowItWorksChanged, [&notified] { ++notified; });
  content.showHowItWorks();
  content.showHowItWorks();
  EXPECT_TRUE(plugged.model->showingHowItWorks());
  EXPECT_EQ(notified, 1);
  content.setShowingHowItWorks(false);
  EXPECT_FALSE(plugged.model->showingHowItWorks());
}

TEST(ContentViewModel, TheToolbarAndTheHelpMenuNameTheSheetEachInTheirOwnWords) {
  const ContentViewModel content;
  EXPECT_EQ(content.howItWorksTitle(), "How It Works");
  EXPECT_EQ(content.howItWorksHelp(), "How Tessorin tells real cards from fakes");
  EXPECT_EQ(WindowMenusModel().howItWorksTitle(), "How Tessorin Works");
}

}  // namespace
}  // namespace tessorin
