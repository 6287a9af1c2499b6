// Return as a keyboard user presses it in the window, on an X server with a window manager,
// over two cards: on a control that chooses or opens something it does that and starts
// nothing (no check, nothing written to the card); on an ordinary button, or with nothing
// in particular focused, it is still the page's default action, Start.

#include <QDir>
#include <QQuickItem>
#include <QTest>
#include <gtest/gtest.h>

#include "tessorin/identity/Brand.hpp"
#include "window/DesktopCardWindow.hpp"

namespace tessorin {
namespace {

using namespace std::chrono_literals;
using testing::CardWindow;
using testing::CounterfeitCard;
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

TEST(ReturnOnTheDesktop, OnAnOrdinaryButtonStartsTheCheckAndSpacePressesTheButton) {
  TwoCardWindow desktop;
  ASSERT_TRUE(desktop.ready) << "the window with two cards never came up";
  ASSERT_TRUE(desktop.tabTo(desktop.named(QStringLiteral("howItWorksButton")))) << "Tab never reached How It Works";
  QTest::keyClick(desktop.window(), Qt::Key_Return);
  EXPECT_TRUE(turnLoopUntil([&] { return desktop.firstSession()->stage().isBusy(); }, 10s))
      << "Return with a plain button focused did not start the check";
  EXPECT_FALSE(desktop.world.model->showingHowItWorks()) << "Return pressed the focused button";

  ASSERT_EQ(desktop.focused(), desktop.named(QStringLiteral("howItWorksButton")));
  QTest::keyClick(desktop.window(), Qt::Key_Space);
  EXPECT_TRUE(turnLoopUntil([&] { return desktop.world.model->showingHowItWorks(); }, 5s)) << "Space did not press it";
  desktop.world.model->setShowingHowItWorks(false);
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

}  // namespace
}  // namespace tessorin
