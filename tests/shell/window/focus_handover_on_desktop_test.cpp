// The keyboard's focus where the page changes under it, on an X server with a window
// manager: a check started from the keyboard puts the focus on Stop with its ring, also
// from a control a click focused, where Return and Enter leave it running and Space stops; as the speed stage hands over to the advanced test and
// the result replaces the progress, the focus goes on to the new panel's natural control
// (Stop, the result's first action) with its ring, and Tab goes on from there; sharing with
// the community hands it on to the next control; a check started with a click leaves no
// ring anywhere; a control that opened a sheet, a menu or a question has the focus back
// when it closes, with its ring when the keyboard had reached it; and the control after a
// dismissed banner takes the focus.

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QQuickItem>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

#include "FinishedCheckSeam.hpp"
#include "GalleryEngineValues.hpp"
#include "HalfwayWriting.hpp"
#include "shell/core/AppSettingsFile.hpp"
#include "window/DesktopCardWindow.hpp"

namespace tessorin {
namespace {

using namespace std::chrono_literals;
using testing::CardWindow;
using testing::turnLoopUntil;

// Whether any control shows the keyboard's focus ring.
bool anyRing(const CardWindow& desktop) {
  QQuickItem* focused = desktop.window()->activeFocusItem();
  return focused != nullptr && focused->property("visualFocus").toBool();
}

void finishWithAResult(CardSession& session) {
  const ZoneResult speeds = gallery::zone(30e6, 60e6);
  FinishedCheckSeam::finish(session, {.quick = gallery::quick(512 * testing::sessionMiB, 16, 16, speeds)});
}

struct KeyboardStart {
  const char* how;
  std::function<void(CardWindow&)> start;
  friend void PrintTo(const KeyboardStart& start, std::ostream* out) { *out << start.how; }
};

class ACheckStartedFromTheKeyboard : public ::testing::TestWithParam<KeyboardStart> {};

TEST_P(ACheckStartedFromTheKeyboard, PutsTheFocusOnStopWithItsRing) {
  CardWindow desktop;
  ASSERT_TRUE(desktop.active) << "the window never became active";
  ASSERT_TRUE(desktop.shown.named(QStringLiteral("startButton")) != nullptr);
  GetParam().start(desktop);
  ASSERT_TRUE(turnLoopUntil([&] { return desktop.session->stage().isBusy(); }, 30s)) << "no check started";
  EXPECT_TRUE(turnLoopUntil([&] { return desktop.focusShownOn(QStringLiteral("stopButton")); }, 10s))
      << "the focus is on " << desktop.focusedName().toStdString();
  // Stop, with the keyboard's focus: Return and Enter, as often pressed once more than
  // meant, leave the check running; Space presses it.
  QTest::keyClick(desktop.window(), Qt::Key_Return);
  QTest::keyClick(desktop.window(), Qt::Key_Enter, Qt::KeypadModifier);
  // A stop takes the engine a moment: long enough for one to have come through.
  EXPECT_FALSE(turnLoopUntil([&] { return desktop.session->stage().isAtRest(); }, 3s))
      << "Return or Enter on Stop stopped the check";
  EXPECT_TRUE(desktop.focusShownOn(QStringLiteral("stopButton"))) << "the focus left Stop for " << desktop.focusedName().toStdString();
  QTest::keyClick(desktop.window(), Qt::Key_Space);
  EXPECT_TRUE(turnLoopUntil([&] { return desktop.session->stage().isAtRest(); }, 30s)) << "Space on Stop did not stop";
}

INSTANTIATE_TEST_SUITE_P(
    Window, ACheckStartedFromTheKeyboard,
    ::testing::Values(
        KeyboardStart{"Return on the page", [](CardWindow& desktop) { QTest::keyClick(desktop.window(), Qt::Key_Return); }},
        KeyboardStart{"Enter on the page",
                      [](CardWindow& desktop) { QTest::keyClick(desktop.window(), Qt::Key_Enter, Qt::KeypadModifier); }},
        KeyboardStart{"Space on Check This Card",
                      [](CardWindow& desktop) {
                        ASSERT_NE(desktop.tabTo(QStringLiteral("startButton")), nullptr);
                        QTest::keyClick(desktop.window(), Qt::Key_Space);
                      }},
        // Clicked twice, the check box keeps the focus, without a ring: Return is the page's,
        // and the box goes with the page it stood on.
        KeyboardStart{"Return after the check box was clicked", [](CardWindow& desktop) {
                        const QString box = QStringLiteral("reinsertToggleBox");
                        // Tab brings it into sight, and on past it: a click keeps the ring of a
                        // control that has the focus already.
                        ASSERT_NE(desktop.tabTo(box), nullptr);
                        QTest::keyClick(desktop.window(), Qt::Key_Tab);
                        ASSERT_TRUE(turnLoopUntil([&] { return desktop.focusedName() != box; }, 5s));
                        ASSERT_TRUE(desktop.clickAt(box) && desktop.clickAt(box));
                        ASSERT_TRUE(turnLoopUntil([&] { return desktop.focusedName() == box; }, 5s))
                            << "the click left the focus on " << desktop.focusedName().toStdString();
                        ASSERT_FALSE(anyRing(desktop)) << "a click's focus shows a ring";
                        QTest::keyClick(desktop.window(), Qt::Key_Return);
                      }},
        // The card's row, clicked, stays beside the page: the panel that comes takes the focus
        // from it all the same, as nothing looked focused.
        KeyboardStart{"Return after the card's row was clicked", [](CardWindow& desktop) {
                        const QString row = QStringLiteral("cardRow-") + QString::fromStdString(desktop.device.id);
                        ASSERT_TRUE(desktop.clickAt(row));
                        ASSERT_TRUE(turnLoopUntil([&] { return desktop.focusedName() == row; }, 5s))
                            << "the click left the focus on " << desktop.focusedName().toStdString();
                        ASSERT_FALSE(anyRing(desktop)) << "a click's focus shows a ring";
                        QTest::keyClick(desktop.window(), Qt::Key_Return);
                      }}));

TEST(FocusHandover, FromStageToStageTheFocusGoesOnToTheNewPanelsNaturalControl) {
  CardWindow desktop;
  ASSERT_TRUE(desktop.active) << "the window never became active";
  // The speed stage's panel, with Stop reached by Tab.
  desktop.session->setStage(CardSessionStage::quick(QuickProbeProgress{}));
  ASSERT_TRUE(turnLoopUntil([&] { return desktop.shown.named(QStringLiteral("quickPanel")) != nullptr; }, 10s));
  const QPointer<QQuickItem> quickStop = desktop.tabTo(QStringLiteral("stopButton"));
  ASSERT_NE(quickStop, nullptr) << "Tab never reached Stop";

  // The advanced test takes over: its own Stop.
  testing::writeHalfway(*desktop.session);
  EXPECT_TRUE(turnLoopUntil(
      [&] { return desktop.focusShownOn(QStringLiteral("stopButton")) && desktop.window()->activeFocusItem() != quickStop; },
      10s))
      << "the focus is on " << desktop.focusedName().toStdString();

  // The result: its first action.
  finishWithAResult(*desktop.session);
  EXPECT_TRUE(turnLoopUntil([&] { return desktop.focusShownOn(QStringLiteral("shareButton")); }, 10s))
      << "the focus is on " << desktop.focusedName().toStdString();
  // Tab goes on from there, not from the window's first control.
  QTest::keyClick(desktop.window(), Qt::Key_Tab);
  EXPECT_TRUE(turnLoopUntil([&] { return desktop.focusShownOn(QStringLiteral("checkAgainButton")); }, 5s))
      << "Tab went to " << desktop.focusedName().toStdString();
}

TEST(FocusHandover, AfterSharingWithTheCommunityTheFocusGoesOnWithItsRing) {
  CardWindow desktop;
  ASSERT_TRUE(desktop.active) << "the window never became active";
  finishWithAResult(*desktop.session);
  ASSERT_NE(desktop.tabTo(QStringLiteral("storeField")), nullptr) << "Tab never reached the store's name";
  for (const char letter : {'M', 'e', 'g', 'a'}) QTest::keyClick(desktop.window(), letter);
  auto* share = qobject_cast<QQuickItem*>(desktop.shown.named(QStringLiteral("purchasePanel"))->findChild<QObject*>(
      QStringLiteral("shareButton")));
  ASSERT_NE(share, nullptr);
  ASSERT_TRUE(turnLoopUntil([&] { return share->isEnabled(); }, 5s));
  for (int step = 0; step < 20 && desktop.window()->activeFocusItem() != share; ++step) {
    QTest::keyClick(desktop.window(), Qt::Key_Tab);
  }
  ASSERT_EQ(desktop.window()->activeFocusItem(), share) << "Tab never reached Share With the Community";
  QTest::keyClick(desktop.window(), Qt::Key_Return);
  ASSERT_TRUE(turnLoopUntil([&] { return desktop.session->record() && desktop.session->record()->sharedRecordName; }, 30s))
      << "nothing was shared";
  EXPECT_TRUE(turnLoopUntil([&] { return anyRing(desktop); }, 5s))
      << "no ring after sharing; the focus is on " << desktop.focusedName().toStdString();
}

// A pointer user sees no ring: the focus is not moved for them, and Return stays the page's.
TEST(FocusHandover, ACheckStartedWithAClickLeavesNoRing) {
  CardWindow desktop;
  ASSERT_TRUE(desktop.active) << "the window never became active";
  ASSERT_TRUE(desktop.clickAt(QStringLiteral("startButton")));
  ASSERT_TRUE(turnLoopUntil([&] { return desktop.shown.named(QStringLiteral("stopButton")) != nullptr; }, 30s));
  CardWindow::pause();
  EXPECT_FALSE(anyRing(desktop)) << desktop.focusedName().toStdString() << " shows a ring";
}

// A popup of the window, opened from a control: how, which popup, and how it is closed.
struct Opener {
  const char* control;
  Qt::Key opens;
  const char* popup;
  Qt::Key closes;
  std::function<void(CardWindow&)> before = [](CardWindow&) {};
  friend void PrintTo(const Opener& opener, std::ostream* out) { *out << opener.control << " " << opener.popup; }
};

class APopupClosing : public ::testing::TestWithParam<Opener> {};

TEST_P(APopupClosing, GivesTheControlThatOpenedItTheFocusBackWithItsRing) {
  CardWindow desktop;
  ASSERT_TRUE(desktop.active) << "the window never became active";
  const Opener& opener = GetParam();
  opener.before(desktop);
  const QString control = QString::fromLatin1(opener.control);
  ASSERT_NE(desktop.tabTo(control), nullptr) << "Tab never reached " << opener.control;
  QTest::keyClick(desktop.window(), opener.opens);
  const QString popup = QString::fromLatin1(opener.popup);
  ASSERT_TRUE(turnLoopUntil([&] { return desktop.isOpen(popup); }, 5s)) << opener.popup << " did not open";
  QTest::keyClick(desktop.window(), opener.closes);
  ASSERT_TRUE(turnLoopUntil([&] { return desktop.isClosed(popup); }, 5s)) << opener.popup << " did not close";
  EXPECT_TRUE(turnLoopUntil([&] { return desktop.focusShownOn(control); }, 5s))
      << "the focus is on " << desktop.focusedName().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Window, APopupClosing,
    ::testing::Values(Opener{"howItWorksButton", Qt::Key_Space, "howItWorksSheet", Qt::Key_Escape},
                      Opener{"howItWorksButton", Qt::Key_Return, "howItWorksSheet", Qt::Key_Return},
                      Opener{"shareButton", Qt::Key_Space, "shareMenu", Qt::Key_Escape, [](CardWindow& desktop) {
                               finishWithAResult(*desktop.session);
                               ASSERT_TRUE(turnLoopUntil(
                                   [&] { return desktop.shown.named(QStringLiteral("shareButton")) != nullptr; }, 10s));
                             }}));

// An error box comes without being asked for: the control that had the focus has it back.
TEST(FocusReturn, AfterAnErrorBoxTheFocusedControlHasItsRingBack) {
  CardWindow desktop;
  ASSERT_TRUE(desktop.active) << "the window never became active";
  ASSERT_NE(desktop.tabTo(QStringLiteral("howItWorksButton")), nullptr);
  desktop.session->setErrorMessage(QStringLiteral("The card could not be read"));
  ASSERT_TRUE(turnLoopUntil([&] { return desktop.isOpen(QStringLiteral("errorAlert")); }, 5s));
  QTest::keyClick(desktop.window(), Qt::Key_Return);
  ASSERT_TRUE(turnLoopUntil([&] { return desktop.isClosed(QStringLiteral("errorAlert")); }, 5s));
  EXPECT_TRUE(turnLoopUntil([&] { return desktop.focusShownOn(QStringLiteral("howItWorksButton")); }, 5s))
      << "the focus is on " << desktop.focusedName().toStdString();
  EXPECT_FALSE(desktop.session->stage().isBusy()) << "Return on the error box started a check";
}

// A click's focus comes back as it went: without a ring.
TEST(FocusReturn, AClickedOpenerHasTheFocusBackWithoutARing) {
  CardWindow desktop;
  ASSERT_TRUE(desktop.active) << "the window never became active";
  ASSERT_TRUE(desktop.clickAt(QStringLiteral("howItWorksButton")));
  ASSERT_TRUE(turnLoopUntil([&] { return desktop.isOpen(QStringLiteral("howItWorksSheet")); }, 5s));
  QTest::keyClick(desktop.window(), Qt::Key_Escape);
  ASSERT_TRUE(turnLoopUntil([&] { return desktop.isClosed(QStringLiteral("howItWorksSheet")); }, 5s));
  CardWindow::pause();
  EXPECT_FALSE(anyRing(desktop)) << desktop.focusedName().toStdString() << " shows a ring";
}

// The window over a settings file that was set aside, which a banner above the content tells.
struct BannerWindow {
  bool managed = (testing::startWindowManager(), true);
  QTemporaryDir home;
  QString path = home.filePath(QStringLiteral("Tessorin.conf"));
  bool damaged = [this] {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("[General\nShowDiskImages=true\n") > 0;
  }();
  AppSettingsFile settingsFile{path};
  testing::QuitWorld world{std::vector<CardDevice>{}};
  testing::ShownWindow shown{world.model.get(), &world.delegate, &settingsFile};
  bool active = [this] {
    shown.window->show();
    shown.window->requestActivate();
    return QTest::qWaitForWindowActive(shown.window.get(), 10'000);
  }();
};

TEST(FocusHandover, TheControlAfterADismissedBannerTakesTheFocusWithItsRing) {
  BannerWindow desktop;
  ASSERT_TRUE(desktop.damaged && desktop.active) << "the window never became active";
  QQuickWindow* window = desktop.shown.window.get();
  auto* dismiss = qobject_cast<QQuickItem*>(desktop.shown.named(QStringLiteral("settingsNoticeButton")));
  ASSERT_TRUE(dismiss != nullptr && dismiss->isVisible()) << "no banner";
  for (int step = 0; step < 20 && window->activeFocusItem() != dismiss; ++step) QTest::keyClick(window, Qt::Key_Tab);
  ASSERT_EQ(window->activeFocusItem(), dismiss) << "Tab never reached the banner's button";
  QTest::keyClick(window, Qt::Key_Return);
  ASSERT_TRUE(turnLoopUntil([&] { return !dismiss->isVisible(); }, 5s)) << "Return did not dismiss the banner";
  EXPECT_TRUE(turnLoopUntil(
      [&] {
        QQuickItem* focused = window->activeFocusItem();
        return focused != nullptr && focused != dismiss && focused->property("visualFocus").toBool();
      },
      5s))
      << "no control took the focus with its ring";
}

}  // namespace
}  // namespace tessorin
