// The window as a keyboard user meets it, on an X server with a window manager: Tab walks
// through every control of the advanced test's writing page, and of the How It Works sheet,
// at the smallest window, and each one it reaches shows its focus ring where it can be
// seen, the page scrolling to it; and a menu's title in the menu bar lets go of its fill
// however its menu closes.

#include <QColor>
#include <QImage>
#include <QQuickItem>
#include <QTest>
#include <functional>
#include <set>
#include <gtest/gtest.h>

#include "FinishedCheckSeam.hpp"
#include "GalleryEngineValues.hpp"
#include "HalfwayWriting.hpp"
#include "theme/Palette.hpp"
#include "window/DesktopCardWindow.hpp"

namespace tessorin {
namespace {

using namespace std::chrono_literals;
using testing::CardWindow;
using testing::ringOf;
using testing::centreOf;
using testing::turnLoopUntil;
using testing::writeHalfway;

// The nearest item around `item` that clips what it shows (a scrolling area, the sidebar).
QQuickItem* clipAround(QQuickItem* item) {
  for (QQuickItem* outer = item->parentItem(); outer != nullptr; outer = outer->parentItem()) {
    if (outer->clip()) return outer;
  }
  return nullptr;
}

// Whole inside the window and inside what clips it.
bool inSight(QQuickItem* ring) {
  const QRectF inWindow = ring->mapRectToScene(QRectF(0, 0, ring->width(), ring->height()));
  if (!QRectF(QPointF(0, 0), ring->window()->size()).contains(inWindow)) return false;
  QQuickItem* clip = clipAround(ring);
  return clip == nullptr || QRectF(0, 0, clip->width(), clip->height())
                                .contains(ring->mapRectToItem(clip, QRectF(0, 0, ring->width(), ring->height())));
}

// With TESSORIN_SCREENSHOTS set, the window's picture goes into that folder by that name,
// for a person to look at.
void shoot(CardWindow& desktop, const QString& name) {
  const QByteArray folder = qgetenv("TESSORIN_SCREENSHOTS");
  if (!folder.isEmpty()) desktop.window()->grabWindow().save(QString::fromLocal8Bit(folder) + QLatin1Char('/') + name + ".png");
}

// Presses Tab until the focus comes round to where it began, and judges each stop: a
// control, its ring drawn, in sight. Says which it reached.
std::set<QString> tabAround(CardWindow& desktop, const char* scene) {
  std::set<QString> reached;
  QQuickItem* first = nullptr;
  for (int step = 0; step < 24; ++step) {
    QTest::keyClick(desktop.window(), Qt::Key_Tab);
    CardWindow::pause();
    QQuickItem* focused = desktop.window()->activeFocusItem();
    EXPECT_NE(focused, nullptr) << "step " << step;
    if (focused == nullptr || focused == first) break;
    if (first == nullptr) first = focused;
    const QString name = focused->objectName().isEmpty() ? QString::fromLatin1(focused->metaObject()->className())
                                                         : focused->objectName();
    reached.insert(name);
    shoot(desktop, QStringLiteral("%1-tab-%2-%3").arg(QLatin1String(scene)).arg(step).arg(name));
    // A text field shows its ring whenever it takes the typing; a control only for the keyboard.
    EXPECT_TRUE(focused->property("visualFocus").toBool() || focused->inherits("QQuickTextInput"))
        << name.toStdString() << " takes the focus but is no control";
    QQuickItem* ring = ringOf(focused);
    EXPECT_NE(ring, nullptr) << name.toStdString() << " has no focus ring";
    if (ring == nullptr) continue;
    EXPECT_TRUE(ring->isVisible()) << name.toStdString() << "'s ring is not drawn";
    // A page whose figures still move is scrolled once the control rests, which on a busy
    // machine takes some frames more.
    EXPECT_TRUE(turnLoopUntil([&] { return inSight(ring); }, 3s)) << name.toStdString() << "'s ring is out of sight";
  }
  return reached;
}

TEST(KeyboardFocus, TabReachesEveryControlOfTheWritingPageAndEachShowsItsRingInSight) {
  CardWindow desktop;
  ASSERT_TRUE(desktop.active) << "the window never became active";
  desktop.window()->resize(900, 640);
  writeHalfway(*desktop.session);
  ASSERT_TRUE(turnLoopUntil([&] { return desktop.shown.named(QStringLiteral("stopButton")) != nullptr; }, 5s));
  auto* scroll = qobject_cast<QQuickItem*>(desktop.shown.named(QStringLiteral("pageScroll")));
  ASSERT_NE(scroll, nullptr);
  auto* page = scroll->property("contentItem").value<QQuickItem*>();
  ASSERT_NE(page, nullptr);
  // The window manager resizes the window in its own time, and the panel grows in.
  ASSERT_TRUE(turnLoopUntil(
      [&] { return desktop.window()->height() == 640 && page->property("contentHeight").toReal() > page->height() + 200; },
      10s))
      << "the page must scroll for the test to say anything: " << page->property("contentHeight").toReal() << " in "
      << page->height();

  const std::set<QString> reached = tabAround(desktop, "writing");
  QStringList names(reached.begin(), reached.end());
  for (const char* control : {"howItWorksButton", "reinsertToggleBox", "stopButton", "communityRow", "historyRow"}) {
    EXPECT_TRUE(reached.count(QString::fromLatin1(control))) << control << " is not reached by Tab, only " << names.join(", ").toStdString();
  }
  // The Stop button, below the fold, brought the page down with it.
  EXPECT_GT(page->property("contentY").toReal(), 0);
  desktop.session->setStage(CardSessionStage::idle());
}

TEST(KeyboardFocus, TabGoesRoundTheHowItWorksSheetAloneAndEachStopShowsItsRingInSight) {
  CardWindow desktop;
  ASSERT_TRUE(desktop.active) << "the window never became active";
  desktop.window()->resize(900, 640);
  ASSERT_TRUE(turnLoopUntil([&] { return desktop.window()->height() == 640; }, 10s));
  desktop.world.model->setShowingHowItWorks(true);
  ASSERT_TRUE(turnLoopUntil([&] { return desktop.isOpen(QStringLiteral("howItWorksSheet")); }, 5s));
  const std::set<QString> reached = tabAround(desktop, "how-it-works");
  EXPECT_TRUE(reached.count(QStringLiteral("howItWorksDone")));
  for (const char* behind : {"howItWorksButton", "stopButton", "communityRow"}) {
    EXPECT_FALSE(reached.count(QString::fromLatin1(behind))) << "Tab left the sheet for " << behind;
  }
  QTest::keyClick(desktop.window(), Qt::Key_Escape);
  EXPECT_TRUE(turnLoopUntil([&] { return desktop.isClosed(QStringLiteral("howItWorksSheet")); }, 5s));
}

// A page of the window as a keyboard user reaches it, and a control Tab must reach there.
struct KeyboardPage {
  const char* name;
  std::function<void(CardWindow&)> show;
  const char* reachable;
  friend void PrintTo(const KeyboardPage& page, std::ostream* out) { *out << page.name; }
};

class EveryPage : public ::testing::TestWithParam<KeyboardPage> {};

// Whatever takes the focus on a page is a control whose ring shows in sight.
TEST_P(EveryPage, TabStopsOnlyAtControlsAndEachShowsItsRingInSight) {
  CardWindow desktop;
  ASSERT_TRUE(desktop.active) << "the window never became active";
  desktop.window()->resize(900, 640);
  ASSERT_TRUE(turnLoopUntil([&] { return desktop.window()->height() == 640; }, 10s));
  GetParam().show(desktop);
  const QString reachable = QString::fromLatin1(GetParam().reachable);
  ASSERT_TRUE(turnLoopUntil([&] { return desktop.shown.named(reachable) != nullptr; }, 10s));
  CardWindow::pause();
  const std::set<QString> reached = tabAround(desktop, GetParam().name);
  EXPECT_TRUE(reached.count(reachable)) << GetParam().reachable << " is not reached by Tab";
}

INSTANTIATE_TEST_SUITE_P(
    Window, EveryPage,
    ::testing::Values(KeyboardPage{"card-at-rest", [](CardWindow&) {}, "startButton"},
                      KeyboardPage{"outcome",
                                   [](CardWindow& desktop) {
                                     const ZoneResult speeds = gallery::zone(30e6, 60e6);
                                     FinishedCheckSeam::finish(
                                         *desktop.session,
                                         {.quick = gallery::quick(512 * testing::sessionMiB, 16, 16, speeds)});
                                   },
                                   "checkAgainButton"},
                      KeyboardPage{"history",
                                   [](CardWindow& desktop) {
                                     desktop.world.model->setSelection(AppModel::Selection::history());
                                   },
                                   "historyRow"},
                      KeyboardPage{"community",
                                   [](CardWindow& desktop) {
                                     desktop.world.model->setSelection(AppModel::Selection::community());
                                   },
                                   "communityRow"}));

// A click on the window's own area, away from any control.
void clickAway(CardWindow& desktop) {
  const QPoint blank(desktop.window()->width() - 20, desktop.window()->height() - 20);
  QTest::mouseMove(desktop.window(), blank);
  QTest::mouseClick(desktop.window(), Qt::LeftButton, {}, blank);
}

class MenuTitle : public ::testing::TestWithParam<const char*> {};

TEST_P(MenuTitle, LetsGoOfItsFillWhenItsMenuCloses) {
  CardWindow desktop;
  ASSERT_TRUE(desktop.active) << "the window never became active";
  QObject* help = desktop.shown.named(QStringLiteral("helpMenu"));
  QObject* application = desktop.shown.named(QStringLiteral("applicationMenu"));
  QQuickItem* title = CardWindow::entryOf(desktop.window()->contentItem(), help);
  QQuickItem* otherTitle = CardWindow::entryOf(desktop.window()->contentItem(), application);
  ASSERT_NE(title, nullptr);
  ASSERT_NE(otherTitle, nullptr);
  QObject* fill = title->property("background").value<QObject*>();
  ASSERT_NE(fill, nullptr);
  const auto filled = [&] { return fill->property("color").value<QColor>() == Palette::selectionFill(); };

  // The pointer rests on the title it clicked.
  QTest::mouseMove(desktop.window(), centreOf(title));
  ASSERT_TRUE(desktop.openMenu(QStringLiteral("helpMenu")));
  EXPECT_TRUE(filled()) << "an open menu's title is filled";
  shoot(desktop, QStringLiteral("help-menu-open"));

  const std::string how = GetParam();
  if (how == "Escape") {
    QTest::keyClick(desktop.window(), Qt::Key_Escape);
  } else if (how == "a click elsewhere") {
    clickAway(desktop);
  } else {
    ASSERT_TRUE(desktop.clickAt(QStringLiteral("howTessorinWorks")));
  }
  ASSERT_TRUE(turnLoopUntil([&] { return !help->property("visible").toBool(); }, 5s)) << "the menu stayed open";
  CardWindow::pause();
  EXPECT_FALSE(filled()) << "the title stayed lit after " << how;
  shoot(desktop, QStringLiteral("help-menu-closed-by-") + QString::fromStdString(how).replace(' ', '-'));
  if (how == "choosing an item") {
    EXPECT_TRUE(turnLoopUntil([&] { return desktop.isOpen(QStringLiteral("howItWorksSheet")); }, 5s));
    QTest::keyClick(desktop.window(), Qt::Key_Escape);
    ASSERT_TRUE(turnLoopUntil([&] { return desktop.isClosed(QStringLiteral("howItWorksSheet")); }, 5s));
  }

  // The menu bar forgot the menu: passing over the other title opens nothing, and the
  // title clicked again opens its menu at the first click.
  QTest::mouseMove(desktop.window(), centreOf(otherTitle));
  CardWindow::pause();
  EXPECT_FALSE(application->property("visible").toBool()) << "passing over a title opened its menu after " << how;
  QTest::mouseMove(desktop.window(), centreOf(title));
  QTest::mouseClick(desktop.window(), Qt::LeftButton, {}, centreOf(title));
  EXPECT_TRUE(turnLoopUntil([&] { return help->property("opened").toBool(); }, 5s))
      << "the first click after " << how << " did not open the menu";
  EXPECT_TRUE(filled());
  // And while it is open, passing over the other title opens that one instead.
  QTest::mouseMove(desktop.window(), centreOf(otherTitle));
  EXPECT_TRUE(turnLoopUntil([&] { return application->property("opened").toBool(); }, 5s));
  EXPECT_FALSE(help->property("visible").toBool());
  EXPECT_FALSE(filled());
  QTest::keyClick(desktop.window(), Qt::Key_Escape);
  ASSERT_TRUE(turnLoopUntil([&] { return !application->property("visible").toBool(); }, 5s));
}

INSTANTIATE_TEST_SUITE_P(Window, MenuTitle, ::testing::Values("Escape", "a click elsewhere", "choosing an item"));

}  // namespace
}  // namespace tessorin
