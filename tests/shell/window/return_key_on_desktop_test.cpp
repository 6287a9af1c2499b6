// Return as a keyboard user presses it in the window, on an X server with a window manager,
// over two cards: on a control that shows the keyboard's focus it acts on that control (a
// row is chosen, a disclosure opens, a button is pressed, a box ticked) and starts nothing
// (no check, nothing written to the card) unless that control is Check This Card itself; a
// field or a picker keeps it; with no control showing the focus it is the page's default
// action, Check This Card. On the reinsertion page a focused Check Without Removing goes on
// without ejecting, and in the quit question a focused Quit Anyway quits rather than the
// default Keep Testing. Stop never takes Return or Enter: not held down to start the check
// (the check starts once and runs on), nor on the reinsertion page with the card out,
// where Escape still stops.

#include <QDir>
#include <QQuickItem>
#include <QTest>
#include <functional>
#include <string>
#include <gtest/gtest.h>

#include "HeldReturn.hpp"
#include "tessorin/identity/Brand.hpp"
#include "window/DesktopCardWindow.hpp"

namespace tessorin {
namespace {

using namespace std::chrono_literals;
using testing::CardWindow;
using testing::CounterfeitCard;
using testing::HeldReturn;
using testing::QuitWorld;
using testing::ShownWindow;
using testing::turnLoopUntil;

// The first card sits in a reader that shows its registers: its page then offers the brand
// picker and the brand's name field.
CardDevice inARegistersReader(CardDevice device) {
  device.registers = CardRegisters{};
  return device;
}

QStringList entriesOf(const CounterfeitCard& card) {
  return QDir(QString::fromStdString(card.mountPoint())).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

// The window active on the desktop over two cards, the first one's page shown.
struct TwoCardWindow {
  bool managed = (testing::startWindowManager(), true);
  std::unique_ptr<CounterfeitCard> firstMedium = testing::slowCard();
  std::unique_ptr<CounterfeitCard> secondMedium = testing::slowCard();
  CardDevice first = inARegistersReader(
      testing::deviceFor(firstMedium->mountPoint(), firstMedium->loopDevice(), 512 * testing::sessionMiB));
  CardDevice second = testing::deviceFor(secondMedium->mountPoint(), secondMedium->loopDevice(), 512 * testing::sessionMiB);
  QuitWorld world{{first, second}};
  ShownWindow shown{world.model.get(), &world.delegate};
  // What each card held before any key was pressed.
  QStringList firstEntries = entriesOf(*firstMedium);
  QStringList secondEntries = entriesOf(*secondMedium);
  bool ready = false;

  TwoCardWindow() {
    world.model->setSelection(AppModel::Selection::card(first.id));
    shown.window->resize(1100, 900);
    shown.window->show();
    shown.window->requestActivate();
    ready = QTest::qWaitForWindowActive(shown.window.get(), 10'000) &&
            turnLoopUntil([this] { return shown.named(QStringLiteral("startButton")) && rowOf(second.id); }, 10s);
  }
  QQuickWindow* window() const { return shown.window.get(); }
  QQuickItem* named(const QString& name) const { return qobject_cast<QQuickItem*>(shown.named(name)); }
  QQuickItem* rowOf(const std::string& id) const { return named(QStringLiteral("cardRow-") + QString::fromStdString(id)); }
  QQuickItem* focused() const { return window()->activeFocusItem(); }

  // Presses Tab until the focus stands on (or inside) `target`; false when it never gets
  // there.
  bool tabTo(QQuickItem* target) {
    for (int step = 0; target != nullptr && step < 40; ++step) {
      QTest::keyClick(window(), Qt::Key_Tab);
      if (focused() != target && !target->isAncestorOf(focused())) continue;
      // Its focus ring drawn, as a keyboard user sees it (a field's whenever it takes the typing).
      return focused()->property("visualFocus").toBool() || focused()->inherits("QQuickTextInput");
    }
    return false;
  }
  bool selected(const AppModel::Selection& selection) const {
    return world.model->selection().has_value() && *world.model->selection() == selection;
  }
  // No card is being checked and neither holds anything it did not hold before.
  bool nothingStarted() const {
    for (CardSession* session : world.model->sessions()) {
      if (!session->stage().isAtRest()) return false;
    }
    return entriesOf(*firstMedium) == firstEntries && entriesOf(*secondMedium) == secondEntries;
  }
  CardSession* firstSession() const {
    for (CardSession* session : world.model->sessions()) {
      if (session->id() == first.id) return session;
    }
    return nullptr;
  }
};

TEST(ReturnOnTheDesktop, OnTheOtherCardsRowChoosesThatCardAndStartsNothing) {
  TwoCardWindow desktop;
  ASSERT_TRUE(desktop.ready) << "the window with two cards never came up";
  ASSERT_TRUE(desktop.tabTo(desktop.rowOf(desktop.second.id))) << "Tab never reached the other card's row";
  QTest::keyClick(desktop.window(), Qt::Key_Return);
  EXPECT_TRUE(turnLoopUntil([&] { return desktop.selected(AppModel::Selection::card(desktop.second.id)); }, 5s))
      << "Return on the other card's row did not choose it";
  CardWindow::pause();
  EXPECT_TRUE(desktop.nothingStarted()) << "Return on a sidebar row started a check";

  // Enter, on the keypad, chooses the first card back the same way.
  ASSERT_TRUE(desktop.tabTo(desktop.rowOf(desktop.first.id)));
  QTest::keyClick(desktop.window(), Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_TRUE(turnLoopUntil([&] { return desktop.selected(AppModel::Selection::card(desktop.first.id)); }, 5s));
  CardWindow::pause();
  EXPECT_TRUE(desktop.nothingStarted()) << "Enter on a sidebar row started a check";
}

struct Destination {
  const char* row;
  AppModel::Selection selection;
  friend void PrintTo(const Destination& destination, std::ostream* out) { *out << destination.row; }
};

class ReturnOnADestination : public ::testing::TestWithParam<Destination> {};

TEST_P(ReturnOnADestination, ChoosesItAndStartsNothing) {
  TwoCardWindow desktop;
  ASSERT_TRUE(desktop.ready) << "the window with two cards never came up";
  ASSERT_TRUE(desktop.tabTo(desktop.named(QString::fromLatin1(GetParam().row)))) << "Tab never reached " << GetParam().row;
  QTest::keyClick(desktop.window(), Qt::Key_Return);
  EXPECT_TRUE(turnLoopUntil([&] { return desktop.selected(GetParam().selection); }, 5s))
      << "Return on " << GetParam().row << " did not choose it";
  CardWindow::pause();
  EXPECT_TRUE(desktop.nothingStarted()) << "Return on " << GetParam().row << " started a check";

  // With the focus off the row, Return is not the hidden card page's to take either.
  desktop.named(GetParam().row)->setFocus(false);
  ASSERT_FALSE(desktop.named(GetParam().row)->hasActiveFocus());
  QTest::keyClick(desktop.window(), Qt::Key_Return);
  CardWindow::pause();
  EXPECT_TRUE(desktop.nothingStarted()) << "Return on " << GetParam().row << "'s page started the card's check";
}

INSTANTIATE_TEST_SUITE_P(Sidebar, ReturnOnADestination,
                         ::testing::Values(Destination{"communityRow", AppModel::Selection::community()},
                                           Destination{"historyRow", AppModel::Selection::history()}));

TEST(ReturnOnTheDesktop, OnTheXRayDisclosureClosesAndOpensItAndStartsNothing) {
  TwoCardWindow desktop;
  ASSERT_TRUE(desktop.ready) << "the window with two cards never came up";
  QQuickItem* group = desktop.named(QStringLiteral("xrayDeclaredGroup"));
  ASSERT_NE(group, nullptr);
  ASSERT_TRUE(group->property("expanded").toBool()) << "the disk image's facts start open";
  ASSERT_TRUE(desktop.tabTo(group)) << "Tab never reached the X-ray's disclosure";
  QTest::keyClick(desktop.window(), Qt::Key_Return);
  EXPECT_TRUE(turnLoopUntil([&] { return !group->property("expanded").toBool(); }, 5s)) << "Return did not close it";
  QTest::keyClick(desktop.window(), Qt::Key_Return);
  EXPECT_TRUE(turnLoopUntil([&] { return group->property("expanded").toBool(); }, 5s)) << "Return did not open it again";
  CardWindow::pause();
  EXPECT_TRUE(desktop.nothingStarted()) << "Return on the disclosure started a check";
}

TEST(ReturnOnTheDesktop, InTheBrandPickerAndTheBrandsNameFieldKeepsToThemAndStartsNothing) {
  TwoCardWindow desktop;
  ASSERT_TRUE(desktop.ready) << "the window with two cards never came up";
  desktop.firstSession()->setClaimedBrand(Brand(Brand::other));
  QQuickItem* picker = desktop.named(QStringLiteral("brandPicker"));
  ASSERT_TRUE(desktop.tabTo(picker)) << "Tab never reached the brand picker";
  QTest::keyClick(desktop.window(), Qt::Key_Return);
  CardWindow::pause();
  EXPECT_TRUE(desktop.nothingStarted()) << "Return on the brand picker started a check";
  // The picker still answers its own keys: Space opens its list, and Return in the list
  // chooses from it.
  QObject* list = picker->property("popup").value<QObject*>();
  // The pointer out of the way of the list: resting on one of its rows it would highlight
  // that row, and Return would choose it in place of the brand already chosen.
  QTest::mouseMove(desktop.window(), QPoint(1, 1));
  QTest::keyClick(desktop.window(), Qt::Key_Space);
  ASSERT_TRUE(turnLoopUntil([&] { return list->property("opened").toBool(); }, 5s)) << "Space did not open the list";
  QTest::keyClick(desktop.window(), Qt::Key_Return);
  EXPECT_TRUE(turnLoopUntil([&] { return !list->property("visible").toBool(); }, 5s)) << "Return did not close the list";
  CardWindow::pause();
  EXPECT_TRUE(desktop.nothingStarted()) << "Return in the brand list started a check";
  ASSERT_EQ(desktop.firstSession()->claimedBrand(), Brand(Brand::other)) << "Return in the list chose another brand";

  // Typing the brand's name and Return: the name is kept, nothing starts.
  ASSERT_TRUE(turnLoopUntil([&] { return desktop.named(QStringLiteral("brandNameField")) != nullptr; }, 5s));
  QQuickItem* field = desktop.named(QStringLiteral("brandNameField"));
  ASSERT_TRUE(desktop.tabTo(field)) << "Tab never reached the brand's name field";
  for (const char letter : {'A', 'c', 'm', 'e'}) QTest::keyClick(desktop.window(), letter);
  ASSERT_TRUE(turnLoopUntil([&] { return desktop.firstSession()->customBrandName() == "Acme"; }, 5s));
  QTest::keyClick(desktop.window(), Qt::Key_Return);
  CardWindow::pause();
  EXPECT_TRUE(desktop.nothingStarted()) << "Return in the brand's name field started a check";
  EXPECT_EQ(desktop.firstSession()->customBrandName(), "Acme");
}

// A control of the card page at rest, what Return or Enter does to it, and whether that
// starts the check (only the page's default button itself does).
struct FocusedControl {
  const char* name;
  Qt::Key key;
  std::function<bool(const TwoCardWindow&)> acted;
  bool starts;
  friend void PrintTo(const FocusedControl& control, std::ostream* out) {
    *out << control.name << (control.key == Qt::Key_Enter ? " Enter" : " Return");
  }
};

bool sheetAsked(const TwoCardWindow& desktop) { return desktop.world.model->showingHowItWorks(); }
bool boxTicked(const TwoCardWindow& desktop) { return desktop.named(QStringLiteral("reinsertToggleBox"))->property("checked").toBool(); }
bool checkStarted(const TwoCardWindow& desktop) { return desktop.firstSession()->stage().isBusy(); }

class ReturnOnAFocusedControl : public ::testing::TestWithParam<FocusedControl> {};

TEST_P(ReturnOnAFocusedControl, ActsOnItAndStartsACheckOnlyFromTheStartButton) {
  TwoCardWindow desktop;
  ASSERT_TRUE(desktop.ready) << "the window with two cards never came up";
  const FocusedControl& control = GetParam();
  ASSERT_FALSE(control.acted(desktop)) << control.name << " has acted before any key";
  ASSERT_TRUE(desktop.tabTo(desktop.named(QString::fromLatin1(control.name)))) << "Tab never reached " << control.name;
  QTest::keyClick(desktop.window(), control.key, control.key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
  EXPECT_TRUE(turnLoopUntil([&] { return control.acted(desktop); }, 10s)) << "the key did not act on " << control.name;
  CardWindow::pause();
  if (control.starts) return;
  EXPECT_TRUE(desktop.nothingStarted()) << "the key on " << control.name << " started a check";
  // Space still does what it always did: the same again.
  if (control.name == std::string("reinsertToggleBox")) {
    QTest::keyClick(desktop.window(), Qt::Key_Space);
    EXPECT_TRUE(turnLoopUntil([&] { return !control.acted(desktop); }, 5s)) << "Space did not untick the box";
  }
  desktop.world.model->setShowingHowItWorks(false);
}

INSTANTIATE_TEST_SUITE_P(
    CardPage, ReturnOnAFocusedControl,
    ::testing::Values(FocusedControl{"howItWorksButton", Qt::Key_Return, sheetAsked, false},
                      FocusedControl{"howItWorksButton", Qt::Key_Enter, sheetAsked, false},
                      FocusedControl{"reinsertToggleBox", Qt::Key_Return, boxTicked, false},
                      FocusedControl{"reinsertToggleBox", Qt::Key_Enter, boxTicked, false},
                      FocusedControl{"startButton", Qt::Key_Return, checkStarted, true},
                      FocusedControl{"startButton", Qt::Key_Enter, checkStarted, true}));

// Refresh is disabled while it refreshes: a second Return, pressed meanwhile, presses
// nothing else (How It Works beside it), and the focus is back on Refresh with its ring.
TEST(ReturnOnTheDesktop, OnRefreshTwiceRefreshesAndKeepsTheFocusThere) {
  TwoCardWindow desktop;
  ASSERT_TRUE(desktop.ready) << "the window with two cards never came up";
  ASSERT_TRUE(desktop.tabTo(desktop.rowOf(desktop.first.id)));
  ASSERT_TRUE(desktop.tabTo(desktop.named(QStringLiteral("communityRow"))));
  QTest::keyClick(desktop.window(), Qt::Key_Return);
  ASSERT_TRUE(turnLoopUntil([&] { return desktop.selected(AppModel::Selection::community()); }, 5s));
  QQuickItem* refresh = nullptr;
  ASSERT_TRUE(turnLoopUntil([&] { return (refresh = desktop.named(QStringLiteral("refreshButton"))) != nullptr; }, 5s));
  ASSERT_TRUE(desktop.tabTo(refresh)) << "Tab never reached Refresh";
  QTest::keyClick(desktop.window(), Qt::Key_Return);
  QTest::keyClick(desktop.window(), Qt::Key_Return);
  CardWindow::pause();
  EXPECT_FALSE(sheetAsked(desktop)) << "the second Return opened How It Works";
  EXPECT_TRUE(turnLoopUntil([&] { return desktop.focused() == refresh && refresh->property("visualFocus").toBool(); }, 10s))
      << "the focus is on " << (desktop.focused() ? desktop.focused()->objectName().toStdString() : "nothing");
}

// A click gives a button the focus but no ring: nothing looks focused, so Return is the
// page's again, Check This Card.
TEST(ReturnOnTheDesktop, OnAButtonAClickFocusedStartsTheCheck) {
  TwoCardWindow desktop;
  ASSERT_TRUE(desktop.ready) << "the window with two cards never came up";
  QQuickItem* button = desktop.named(QStringLiteral("howItWorksButton"));
  QTest::mouseClick(desktop.window(), Qt::LeftButton, {}, testing::centreOf(button));
  ASSERT_TRUE(turnLoopUntil([&] { return sheetAsked(desktop); }, 5s));
  QTest::keyClick(desktop.window(), Qt::Key_Escape);
  ASSERT_TRUE(turnLoopUntil([&] { return !sheetAsked(desktop); }, 5s));
  ASSERT_TRUE(turnLoopUntil([&] { return desktop.focused() == button; }, 5s)) << "the focus did not come back";
  ASSERT_FALSE(button->property("visualFocus").toBool()) << "a click's focus shows a ring";
  QTest::keyClick(desktop.window(), Qt::Key_Return);
  EXPECT_TRUE(turnLoopUntil([&] { return checkStarted(desktop); }, 10s)) << "Return did not start the check";
  EXPECT_FALSE(sheetAsked(desktop)) << "Return pressed the button no ring showed on";
}

TEST(ReturnOnTheDesktop, WithNothingInParticularFocusedStartsTheCheck) {
  TwoCardWindow desktop;
  ASSERT_TRUE(desktop.ready) << "the window with two cards never came up";
  QQuickItem* focused = desktop.focused();
  ASSERT_TRUE(focused == nullptr || !focused->property("visualFocus").toBool())
      << focused->objectName().toStdString() << " holds the focus";
  QTest::keyClick(desktop.window(), Qt::Key_Return);
  EXPECT_TRUE(turnLoopUntil([&] { return desktop.firstSession()->stage().isBusy(); }, 10s))
      << "Return did not start the check";
}

// Writing done with the card asked to be taken out and put back, as the setting asks.
bool writtenAndAskedToReinsert(CardWindow& desktop) {
  desktop.world.files.settings.setValue(QStringLiteral("ReinsertBeforeVerify"), true);
  desktop.medium->setWriteRate(0);
  desktop.startCheck();
  return turnLoopUntil([&] { return desktop.session->stage() == CardSessionStage::reinsert(false); }, 120s);
}

// A second and a half more of the system's repeats, at its pace.
void keepHolding(HeldReturn& held) {
  for (int repeat = 0; repeat < 30; ++repeat) {
    held.repeat();
    turnLoopUntil([] { return false; }, 30ms);
  }
}

// The advanced test's writing over, the card still in, asked to be taken out: Return on
// Check Without Removing goes on to reading back, and never ejects the card.
TEST(ReturnOnTheDesktop, OnCheckWithoutRemovingGoesOnToReadingBackAndEjectsNothing) {
  CardWindow desktop;
  ASSERT_TRUE(desktop.active) << "the window never became active";
  ASSERT_TRUE(writtenAndAskedToReinsert(desktop)) << "the check never asked for the card to be taken out";
  ASSERT_TRUE(turnLoopUntil([&] { return desktop.shown.named(QStringLiteral("checkWithoutRemovingButton")) != nullptr; }, 10s));
  auto* goOn = qobject_cast<QQuickItem*>(desktop.shown.named(QStringLiteral("checkWithoutRemovingButton")));
  for (int step = 0; step < 30 && desktop.window()->activeFocusItem() != goOn; ++step) {
    QTest::keyClick(desktop.window(), Qt::Key_Tab);
  }
  ASSERT_EQ(desktop.window()->activeFocusItem(), goOn) << "Tab never reached Check Without Removing";
  ASSERT_TRUE(goOn->property("visualFocus").toBool());
  QTest::keyClick(desktop.window(), Qt::Key_Return);
  EXPECT_TRUE(turnLoopUntil([&] { return desktop.session->stage().kind == CardSessionStage::Kind::full; }, 10s))
      << "Return did not go on to reading back";
  EXPECT_FALSE(desktop.session->isEjecting()) << "Return ejected the card";
  EXPECT_FALSE(desktop.session->errorMessage().has_value())
      << desktop.session->errorMessage().value_or(QString()).toStdString();
}

// Held down with nothing focused: the check starts, the focus goes to Stop with its ring
// while the key is still down, and the repeats that follow leave the check running.
TEST(ReturnOnTheDesktop, HeldDownStartsTheCheckOnceAndNeverStopsIt) {
  CardWindow desktop;
  ASSERT_TRUE(desktop.active) << "the window never became active";
  {
    HeldReturn held(desktop.window());
    ASSERT_TRUE(turnLoopUntil(
        [&] {
          held.repeat();
          return desktop.focusShownOn(QStringLiteral("stopButton"));
        },
        30s))
        << "the check never started, or the focus is on " << desktop.focusedName().toStdString();
    // As long again as a user's 1.5 s hold goes on past the start.
    keepHolding(held);
  }
  // A stop takes the engine a moment: long enough for one to have come through.
  EXPECT_FALSE(turnLoopUntil([&] { return desktop.session->stage().isAtRest(); }, 3s)) << "the held Return stopped the check";
  EXPECT_TRUE(desktop.session->stage().isBusy());
}

// The advanced test's writing over and the card taken out: only Stop is left on the page,
// with the focus. Return, Enter and a held Return leave the wait as it was; Escape stops.
TEST(ReturnOnTheDesktop, WithTheCardOutForReinsertionNeverStopsAndEscapeStops) {
  CardWindow desktop;
  ASSERT_TRUE(desktop.active) << "the window never became active";
  ASSERT_TRUE(writtenAndAskedToReinsert(desktop)) << "the check never asked for the card to be taken out";
  desktop.pull(desktop.device.id);
  ASSERT_TRUE(turnLoopUntil([&] { return desktop.session->stage() == CardSessionStage::reinsert(true); }, 10s))
      << "the card taken out was not seen";
  // Stop is the page's only control: the focus goes there, or Tab takes it there.
  if (!turnLoopUntil([&] { return desktop.focusShownOn(QStringLiteral("stopButton")); }, 5s)) {
    ASSERT_NE(desktop.tabTo(QStringLiteral("stopButton")), nullptr) << "Tab never reached Stop";
  }
  QTest::keyClick(desktop.window(), Qt::Key_Return);
  QTest::keyClick(desktop.window(), Qt::Key_Enter, Qt::KeypadModifier);
  {
    HeldReturn held(desktop.window());
    keepHolding(held);
  }
  EXPECT_FALSE(turnLoopUntil([&] { return desktop.session->stage() != CardSessionStage::reinsert(true); }, 3s))
      << "Return on Stop ended the wait for the card";
  ASSERT_TRUE(desktop.focusShownOn(QStringLiteral("stopButton"))) << "the focus is on " << desktop.focusedName().toStdString();

  QTest::keyClick(desktop.window(), Qt::Key_Escape);
  // After a minute of the advanced test, Escape asks first.
  EXPECT_TRUE(turnLoopUntil(
      [&] {
        if (desktop.isOpen(QStringLiteral("stopQuestion"))) desktop.clickAt(QStringLiteral("stopQuestionStop"));
        return desktop.session->stage() != CardSessionStage::reinsert(true);
      },
      30s))
      << "Escape did not stop";
  EXPECT_TRUE(desktop.session->fullStopped()) << "the advanced test was not marked as stopped";
}

// In a question, as in Qt's own dialogs, Return presses the button that shows the focus,
// not the default one.
TEST(ReturnOnTheDesktop, InTheQuitQuestionOnQuitAnywayQuitsRatherThanKeepsTesting) {
  CardWindow desktop;
  ASSERT_TRUE(desktop.active) << "the window never became active";
  desktop.startCheck();
  QTest::keyClick(desktop.window(), Qt::Key_Q, Qt::ControlModifier);
  ASSERT_TRUE(turnLoopUntil([&] { return desktop.isOpen(QStringLiteral("quitAlert")); }, 5s)) << "no quit question";
  auto* quitAnyway = qobject_cast<QQuickItem*>(desktop.shown.named(QStringLiteral("quitAnywayButton")));
  for (int step = 0; step < 6 && desktop.window()->activeFocusItem() != quitAnyway; ++step) {
    QTest::keyClick(desktop.window(), Qt::Key_Tab);
  }
  ASSERT_EQ(desktop.window()->activeFocusItem(), quitAnyway) << "Tab never reached Quit Anyway";
  QTest::keyClick(desktop.window(), Qt::Key_Return);
  EXPECT_TRUE(turnLoopUntil([&] { return desktop.world.quits == 1; }, 60s)) << "Return kept testing";
}

}  // namespace
}  // namespace tessorin
