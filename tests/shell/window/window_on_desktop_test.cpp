// The window on an X server with a window manager, driven by the pointer and the keyboard
// as a user drives it: the How It Works sheet opened from the toolbar and from the Help
// menu and closed again, fifty times each, on a card's page and during a check; and
// Escape pressed while a menu, a tooltip, a sheet or a dialog is open during a check, which
// closes that and leaves the check running, while Escape alone stops a quick check at once,
// a tooltip showing or not and volumes coming and going, and first asks about an advanced
// test that has run for over a minute.

#include <QQuickItem>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

#include "card/progress/NotRespondingNoteModel.hpp"
#include "window/DesktopCardWindow.hpp"

namespace tessorin {
namespace {

using namespace std::chrono_literals;
using testing::CardWindow;
using testing::centreOf;
using testing::turnLoopUntil;

struct SheetEntry {
  const char* name;
  std::function<bool(CardWindow&)> open;
  friend void PrintTo(const SheetEntry& entry, std::ostream* out) { *out << entry.name; }
};

struct SheetCase {
  SheetEntry entry;
  bool duringCheck;
  friend void PrintTo(const SheetCase& sheetCase, std::ostream* out) {
    *out << sheetCase.entry.name << (sheetCase.duringCheck ? ", during a check" : ", card at rest");
  }
};

class HowItWorksSheetOnTheDesktop : public ::testing::TestWithParam<SheetCase> {};

// Closed by Escape and by Done in turn; the second close used to take the window down.
TEST_P(HowItWorksSheetOnTheDesktop, OpensAndClosesFiftyTimesAndTheWindowGoesOnAnswering) {
  TESSORIN_REQUIRE_VOLUMES();
  CardWindow desktop;
  ASSERT_TRUE(desktop.active) << "the window never became active";
  if (GetParam().duringCheck) {
    desktop.startCheck();
    ASSERT_TRUE(desktop.session->stage().isBusy());
  }
  const QString sheet = QStringLiteral("howItWorksSheet");
  for (int cycle = 0; cycle < 50; ++cycle) {
    ASSERT_TRUE(GetParam().entry.open(desktop)) << "cycle " << cycle;
    ASSERT_TRUE(turnLoopUntil([&] { return desktop.isOpen(sheet); }, 5s)) << "not opened, cycle " << cycle;
    ASSERT_TRUE(turnLoopUntil([&] { return desktop.shown.named(QStringLiteral("howItWorksDone")) != nullptr; }, 5s));
    if (cycle % 2 == 0) {
      QTest::keyClick(desktop.window(), Qt::Key_Escape);
    } else {
      ASSERT_TRUE(desktop.clickAt(QStringLiteral("howItWorksDone")));
    }
    ASSERT_TRUE(turnLoopUntil([&] { return desktop.isClosed(sheet); }, 5s)) << "not closed, cycle " << cycle;
    EXPECT_FALSE(desktop.world.model->showingHowItWorks());
  }
  // Still answering: the page follows the model, and the sheet opens once more.
  desktop.world.model->setSelection(AppModel::Selection::history());
  EXPECT_TRUE(turnLoopUntil([&] { return desktop.shown.named(QStringLiteral("historyView")) != nullptr; }, 5s));
  desktop.world.model->setShowingHowItWorks(true);
  EXPECT_TRUE(turnLoopUntil([&] { return desktop.isOpen(sheet); }, 5s));
  if (GetParam().duringCheck) {
    EXPECT_TRUE(desktop.session->stage().isBusy()) << "the check ended";
  }
}

const SheetEntry fromTheToolbar{"from the toolbar",
                                [](CardWindow& desktop) { return desktop.clickAt(QStringLiteral("howItWorksButton")); }};
const SheetEntry fromTheHelpMenu{"from the Help menu", [](CardWindow& desktop) {
                                   return desktop.openMenu(QStringLiteral("helpMenu")) &&
                                          desktop.clickAt(QStringLiteral("howTessorinWorks"));
                                 }};

INSTANTIATE_TEST_SUITE_P(Window, HowItWorksSheetOnTheDesktop,
                         ::testing::Values(SheetCase{fromTheToolbar, false}, SheetCase{fromTheHelpMenu, false},
                                           SheetCase{fromTheToolbar, true}, SheetCase{fromTheHelpMenu, true}));

// What is open when Escape comes during a check, how it was opened and how to see it.
struct OpenPopup {
  const char* name;
  std::function<bool(CardWindow&)> open;
  std::function<bool(CardWindow&)> isOpen;
  friend void PrintTo(const OpenPopup& open, std::ostream* out) { *out << open.name; }
};

class EscapeDuringACheck : public ::testing::TestWithParam<OpenPopup> {};

TEST_P(EscapeDuringACheck, ClosesWhatIsOpenAndTheCheckGoesOn) {
  TESSORIN_REQUIRE_VOLUMES();
  CardWindow desktop;
  desktop.startCheck();
  ASSERT_TRUE(desktop.session->stage().isBusy());
  ASSERT_TRUE(GetParam().open(desktop));
  ASSERT_TRUE(turnLoopUntil([&] { return GetParam().isOpen(desktop); }, 5s)) << "it did not open";
  QTest::keyClick(desktop.window(), Qt::Key_Escape);
  EXPECT_TRUE(turnLoopUntil([&] { return !GetParam().isOpen(desktop); }, 5s)) << "Escape did not close it";
  CardWindow::pause();
  EXPECT_TRUE(desktop.session->stage().isBusy()) << "Escape meant for it stopped the check";
}

OpenPopup named(const char* name, const char* popup, std::function<bool(CardWindow&)> open) {
  return {name, std::move(open), [popup](CardWindow& desktop) { return desktop.isOpen(QString::fromLatin1(popup)); }};
}

INSTANTIATE_TEST_SUITE_P(
    Window, EscapeDuringACheck,
    ::testing::Values(
        named("application menu", "applicationMenu",
              [](CardWindow& desktop) { return desktop.openMenu(QStringLiteral("applicationMenu")); }),
        named("Help menu", "helpMenu", [](CardWindow& desktop) { return desktop.openMenu(QStringLiteral("helpMenu")); }),
        named("How It Works sheet", "howItWorksSheet",
              [](CardWindow& desktop) { return desktop.clickAt(QStringLiteral("howItWorksButton")); }),
        named("About dialog", "aboutDialog",
              [](CardWindow& desktop) {
                return desktop.openMenu(QStringLiteral("applicationMenu")) && desktop.clickAt(QStringLiteral("about"));
              })));

TEST(EscapeAlone, StopsAQuickCheckAtOnce) {
  TESSORIN_REQUIRE_VOLUMES();
  CardWindow desktop;
  desktop.startCheck();
  ASSERT_EQ(desktop.session->stage().kind, CardSessionStage::Kind::quick);
  QTest::keyClick(desktop.window(), Qt::Key_Escape);
  EXPECT_TRUE(turnLoopUntil([&] { return desktop.session->stage().isAtRest(); }, 60s)) << "Escape did not stop";
  EXPECT_FALSE(desktop.isOpen(QStringLiteral("stopQuestion")));
}

// Whether the session was told to stop: a key is delivered before keyClick returns, and a
// quick check on its way may yet finish by itself before it comes to rest.
bool stopAsked(const CardSession& session) { return session.task() != nullptr && session.task()->isCancelled(); }

// A tooltip is no popup a user answers: it shows because the pointer rests on a control,
// often the one just clicked, and the Escape that puts it away stops the check too.
TEST(EscapeAlone, StopsAQuickCheckAtOnceWhileATooltipShowsAndPutsTheTooltipAway) {
  TESSORIN_REQUIRE_VOLUMES();
  CardWindow desktop;
  desktop.startCheck();
  ASSERT_EQ(desktop.session->stage().kind, CardSessionStage::Kind::quick);
  QTest::mouseMove(desktop.window(), centreOf(desktop.shown.named(QStringLiteral("howItWorksButton"))));
  ASSERT_TRUE(turnLoopUntil([&] { return desktop.tooltipShown(); }, 5s)) << "no tooltip showed";
  ASSERT_TRUE(desktop.session->stage().isBusy()) << "the check ended before the key";
  QTest::keyClick(desktop.window(), Qt::Key_Escape);
  EXPECT_TRUE(stopAsked(*desktop.session)) << "Escape did not stop";
  EXPECT_TRUE(turnLoopUntil([&] { return !desktop.tooltipShown(); }, 5s)) << "the tooltip stayed";
  EXPECT_TRUE(turnLoopUntil([&] { return desktop.session->stage().isAtRest(); }, 60s));
}

// Started with a click, the pointer resting where it clicked, while volumes are mounted and
// unmounted beside the card and their rows come and go under the keyboard's focus.
TEST(EscapeAlone, StopsACheckStartedWithAClickWhileVolumesComeAndGo) {
  TESSORIN_REQUIRE_VOLUMES();
  CardWindow desktop;
  ASSERT_TRUE(desktop.active) << "the window never became active";
  auto otherMedium = testing::CounterfeitCard::make({.claimed = 128 * testing::sessionMiB});
  const CardDevice other =
      testing::deviceFor(otherMedium->mountPoint(), otherMedium->loopDevice(), 128 * testing::sessionMiB);
  const QString otherRow = QStringLiteral("cardRow-") + QString::fromStdString(other.id);
  ASSERT_TRUE(desktop.clickAt(QStringLiteral("startButton")));
  ASSERT_TRUE(turnLoopUntil([&] { return desktop.session->stage().isBusy() && desktop.shown.named(QStringLiteral("stopButton")); }, 60s));
  for (int round = 0; round < 3; ++round) {
    desktop.plug(other, round % 2 == 0 ? 0 : 1);
    ASSERT_TRUE(turnLoopUntil([&] { return desktop.shown.named(otherRow) != nullptr; }, 10s));
    desktop.pull(other.id);
    ASSERT_TRUE(turnLoopUntil([&] { return desktop.shown.named(otherRow) == nullptr; }, 10s));
  }
  // Long enough for a tooltip of whatever the pointer rests on to show.
  turnLoopUntil([&] { return desktop.tooltipShown(); }, 1500ms);
  ASSERT_TRUE(desktop.session->stage().isBusy()) << "the check ended before the key";
  QTest::keyClick(desktop.window(), Qt::Key_Escape);
  EXPECT_TRUE(stopAsked(*desktop.session)) << "the first Escape did not stop";
  EXPECT_TRUE(turnLoopUntil([&] { return desktop.session->stage().isAtRest(); }, 60s));
}

// The progress displays' clock set past the first minute of an advanced test.
struct AMinuteLater {
  explicit AMinuteLater(int seconds) {
    NotRespondingNoteModel::setClock([seconds] { return QDateTime::currentDateTimeUtc().addSecs(seconds); });
  }
  ~AMinuteLater() { NotRespondingNoteModel::setClock(nullptr); }
};

TEST(EscapeAlone, AsksAfterAMinuteOfAnAdvancedTestAndKeepTestingKeepsIt) {
  CardWindow desktop;
  desktop.session->setStage(CardSessionStage::full(FullTest::Progress::Phase::writing));
  ASSERT_TRUE(turnLoopUntil([&] { return desktop.shown.named(QStringLiteral("stopButton")) != nullptr; }, 5s));
  const QString question = QStringLiteral("stopQuestion");
  // Not yet a minute: no question (the session has no test to stop).
  QTest::keyClick(desktop.window(), Qt::Key_Escape);
  CardWindow::pause();
  EXPECT_FALSE(desktop.isOpen(question));

  const AMinuteLater later(61);
  QTest::keyClick(desktop.window(), Qt::Key_Escape);
  ASSERT_TRUE(turnLoopUntil([&] { return desktop.isOpen(question); }, 5s)) << "no question after a minute";
  EXPECT_EQ(desktop.shown.named(QStringLiteral("stopQuestionTitle"))->property("text").toString(),
            QStringLiteral("Stop the test?"));
  // Return answers with the default, Keep Testing.
  QTest::keyClick(desktop.window(), Qt::Key_Return);
  EXPECT_TRUE(turnLoopUntil([&] { return desktop.isClosed(question); }, 5s));
  EXPECT_EQ(desktop.session->stage().kind, CardSessionStage::Kind::full) << "Keep Testing stopped the test";
  // Escape on the question is Keep Testing too.
  QTest::keyClick(desktop.window(), Qt::Key_Escape);
  ASSERT_TRUE(turnLoopUntil([&] { return desktop.isOpen(question); }, 5s));
  QTest::keyClick(desktop.window(), Qt::Key_Escape);
  EXPECT_TRUE(turnLoopUntil([&] { return desktop.isClosed(question); }, 5s));
  CardWindow::pause();
  EXPECT_EQ(desktop.session->stage().kind, CardSessionStage::Kind::full);
  desktop.session->setStage(CardSessionStage::idle());
}

}  // namespace
}  // namespace tessorin
