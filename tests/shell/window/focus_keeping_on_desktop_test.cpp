// The keyboard's focus where the window changes under it, on an X server with a window
// manager: a card row keeps the focus and its ring while other volumes are mounted and
// unmounted beside it; when the focused row's own volume goes, the focus moves to the
// nearest row with its ring and Tab goes on from there; and a store of the community
// page is reached with Tab and opened and closed with Return and Space.

#include <QPointer>
#include <QQuickItem>
#include <QTest>
#include <cstdio>
#include <gtest/gtest.h>

#include "community/store/CommunityStore.hpp"
#include "session/records/CheckRecord.hpp"
#include "session/records/Purchase.hpp"
#include "window/DesktopCardWindow.hpp"

namespace tessorin {
namespace {

using namespace std::chrono_literals;
using testing::CardWindow;
using testing::CounterfeitCard;
using testing::turnLoopUntil;

QString rowOf(const CardDevice& card) { return QStringLiteral("cardRow-") + QString::fromStdString(card.id); }

// Two more volumes, real loop-mounted ones, to mount and unmount beside the window's card.
struct OtherVolumes {
  std::unique_ptr<CounterfeitCard> firstMedium = CounterfeitCard::make({.claimed = 128 * testing::sessionMiB});
  std::unique_ptr<CounterfeitCard> secondMedium = CounterfeitCard::make({.claimed = 128 * testing::sessionMiB});
  CardDevice first = testing::deviceFor(firstMedium->mountPoint(), firstMedium->loopDevice(), 128 * testing::sessionMiB);
  CardDevice second =
      testing::deviceFor(secondMedium->mountPoint(), secondMedium->loopDevice(), 128 * testing::sessionMiB);
};

bool shows(const CardWindow& desktop, const QString& name) { return desktop.shown.named(name) != nullptr; }

TEST(FocusKeeping, ACardRowKeepsItsFocusAndRingWhileOtherVolumesComeAndGo) {
  TESSORIN_REQUIRE_VOLUMES();
  CardWindow desktop;
  ASSERT_TRUE(desktop.active) << "the window never became active";
  OtherVolumes others;
  const QString row = rowOf(desktop.device);
  const QPointer<QQuickItem> focused = desktop.tabTo(row);
  ASSERT_NE(focused, nullptr) << "Tab never reached the card's row";

  int kept = 0;
  for (int round = 0; round < 3; ++round) {
    // Above it, below it, then away again, as a reader's slots fill and empty.
    desktop.plug(others.first, 0);
    ASSERT_TRUE(turnLoopUntil([&] { return shows(desktop, rowOf(others.first)); }, 10s));
    desktop.plug(others.second, 2);
    ASSERT_TRUE(turnLoopUntil([&] { return shows(desktop, rowOf(others.second)); }, 10s));
    desktop.pull(others.first.id);
    ASSERT_TRUE(turnLoopUntil([&] { return !shows(desktop, rowOf(others.first)); }, 10s));
    desktop.pull(others.second.id);
    ASSERT_TRUE(turnLoopUntil([&] { return !shows(desktop, rowOf(others.second)); }, 10s));
    CardWindow::pause();
    EXPECT_TRUE(desktop.focusShownOn(row)) << "round " << round << ": the focus is on " << desktop.focusedName().toStdString();
    EXPECT_EQ(focused.data(), desktop.window()->activeFocusItem()) << "round " << round << ": the row was built anew";
    kept += desktop.focusShownOn(row) ? 1 : 0;
  }
  std::printf("focus kept with its ring through %d of 3 rounds of volumes coming and going\n", kept);
  // Tab goes on from the row, to the first destination below the cards.
  QTest::keyClick(desktop.window(), Qt::Key_Tab);
  EXPECT_TRUE(turnLoopUntil([&] { return desktop.focusShownOn(QStringLiteral("communityRow")); }, 5s))
      << "Tab from the row went to " << desktop.focusedName().toStdString();
}

TEST(FocusKeeping, TheFocusedRowsVolumeGoesAndTheFocusMovesToTheNearestRowWithItsRing) {
  TESSORIN_REQUIRE_VOLUMES();
  CardWindow desktop;
  ASSERT_TRUE(desktop.active) << "the window never became active";
  OtherVolumes others;
  desktop.plug(others.first, 1);
  desktop.plug(others.second, 2);
  ASSERT_TRUE(turnLoopUntil([&] { return shows(desktop, rowOf(others.second)); }, 10s));
  ASSERT_NE(desktop.tabTo(rowOf(others.first)), nullptr);

  // A row from the middle: the one that moves up into its place.
  desktop.pull(others.first.id);
  ASSERT_TRUE(turnLoopUntil([&] { return !shows(desktop, rowOf(others.first)); }, 10s));
  EXPECT_TRUE(turnLoopUntil([&] { return desktop.focusShownOn(rowOf(others.second)); }, 5s))
      << "the focus went to " << desktop.focusedName().toStdString();
  QTest::keyClick(desktop.window(), Qt::Key_Tab);
  EXPECT_TRUE(turnLoopUntil([&] { return desktop.focusShownOn(QStringLiteral("communityRow")); }, 5s))
      << "Tab went to " << desktop.focusedName().toStdString();
  QTest::keyClick(desktop.window(), Qt::Key_Backtab);
  ASSERT_TRUE(turnLoopUntil([&] { return desktop.focusShownOn(rowOf(others.second)); }, 5s));

  // The last row: the one above it.
  desktop.pull(others.second.id);
  ASSERT_TRUE(turnLoopUntil([&] { return !shows(desktop, rowOf(others.second)); }, 10s));
  EXPECT_TRUE(turnLoopUntil([&] { return desktop.focusShownOn(rowOf(desktop.device)); }, 5s))
      << "the focus went to " << desktop.focusedName().toStdString();
  QTest::keyClick(desktop.window(), Qt::Key_Tab);
  EXPECT_TRUE(turnLoopUntil([&] { return desktop.focusShownOn(QStringLiteral("communityRow")); }, 5s))
      << "Tab went to " << desktop.focusedName().toStdString();
}

void shareReport(CommunityStore& community, const std::string& store, CheckOutcome::Verdict verdict) {
  CheckRecord check;
  check.advertisedBytes = 64'000'000'000;
  check.verdict = verdict;
  check.method = CheckOutcome::Method::full;
  Purchase purchase;
  purchase.store = store;
  purchase.platform = Platform::amazon;
  purchase.country = "DE";
  purchase.currency = "EUR";
  QCoro::waitFor(community.share(check, purchase));
}

// The store card around the focused control.
QObject* focusedStore(const CardWindow& desktop) {
  for (QQuickItem* item = desktop.window()->activeFocusItem(); item != nullptr; item = item->parentItem()) {
    if (item->objectName().startsWith(QLatin1String("storeCard")) && item->property("expanded").isValid()) return item;
  }
  return nullptr;
}

bool isOpen(QObject* store) { return store->property("expanded").toBool(); }

TEST(FocusKeeping, AStoreIsReachedWithTabAndOpensWithReturnAndSpace) {
  CardWindow desktop;
  ASSERT_TRUE(desktop.active) << "the window never became active";
  CommunityStore& community = *desktop.world.model->community();
  shareReport(community, "Mega Memory", CheckOutcome::Verdict::fake);
  shareReport(community, "Honest Cards", CheckOutcome::Verdict::genuine);
  desktop.world.model->setSelection(AppModel::Selection::community());
  ASSERT_TRUE(turnLoopUntil([&] { return shows(desktop, QStringLiteral("storeCard1")); }, 10s))
      << "the two stores never showed";
  CardWindow::pause();

  const QString header = QStringLiteral("storeCardHeader");
  ASSERT_NE(desktop.tabTo(header), nullptr) << "Tab never reached a store";
  const QPointer<QObject> first = focusedStore(desktop);
  ASSERT_NE(first, nullptr);
  QTest::keyClick(desktop.window(), Qt::Key_Return);
  EXPECT_TRUE(turnLoopUntil([&] { return isOpen(first); }, 5s)) << "Return did not open the store";
  QTest::keyClick(desktop.window(), Qt::Key_Space);
  EXPECT_TRUE(turnLoopUntil([&] { return !isOpen(first); }, 5s)) << "Space did not close the store";
  EXPECT_TRUE(desktop.focusShownOn(header)) << "the focus left the store for " << desktop.focusedName().toStdString();
  auto* reports = first->findChild<QQuickItem*>(QStringLiteral("storeReports"));
  ASSERT_NE(reports, nullptr);
  ASSERT_TRUE(turnLoopUntil([&] { return !reports->isVisible(); }, 5s)) << "the reports stayed";

  // The other store is the next stop.
  QTest::keyClick(desktop.window(), Qt::Key_Tab);
  ASSERT_TRUE(turnLoopUntil([&] { return desktop.focusShownOn(header); }, 5s))
      << "Tab went to " << desktop.focusedName().toStdString();
  const QPointer<QObject> second = focusedStore(desktop);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(second, first);
  QTest::keyClick(desktop.window(), Qt::Key_Enter);
  EXPECT_TRUE(turnLoopUntil([&] { return isOpen(second); }, 5s)) << "Enter did not open the other store";
  EXPECT_FALSE(isOpen(first));
}

}  // namespace
}  // namespace tessorin
