// The menu bar from the keyboard, on an X server with a window manager: F10 opens the first
// menu and Alt with a title's letter opens that one, each at its first item; Left and Right
// go from menu to menu; Return chooses; Escape closes and gives the focus back where it was,
// with its ring, also after a box a menu's item opened; a title's letter shows underlined
// only while Alt is held; and Return in a menu with no item chosen starts nothing.

#include <QQuickItem>
#include <QTest>
#include <gtest/gtest.h>

#include "window/DesktopCardWindow.hpp"

namespace tessorin {
namespace {

using namespace std::chrono_literals;
using testing::CardWindow;
using testing::turnLoopUntil;

QObject* menu(const CardWindow& desktop, const char* name) { return desktop.shown.named(QString::fromLatin1(name)); }
bool opened(const CardWindow& desktop, const char* name) { return menu(desktop, name)->property("opened").toBool(); }
bool shut(const CardWindow& desktop, const char* name) { return !menu(desktop, name)->property("visible").toBool(); }
// The item the keyboard stands on in the menu, by objectName.
QString current(const CardWindow& desktop, const char* name) {
  QObject* open = menu(desktop, name);
  QQuickItem* item = nullptr;
  const int index = open->property("currentIndex").toInt();
  if (index >= 0) QMetaObject::invokeMethod(open, "itemAt", Q_RETURN_ARG(QQuickItem*, item), Q_ARG(int, index));
  return item != nullptr ? item->objectName() : QStringLiteral("(none)");
}

TEST(MenuKeys, F10OpensTheFirstMenuArrowsGoFromMenuToMenuAndEscapeGivesTheFocusBack) {
  CardWindow desktop;
  ASSERT_TRUE(desktop.active) << "the window never became active";
  ASSERT_NE(desktop.tabTo(QStringLiteral("howItWorksButton")), nullptr);

  QTest::keyClick(desktop.window(), Qt::Key_F10);
  ASSERT_TRUE(turnLoopUntil([&] { return opened(desktop, "applicationMenu"); }, 5s)) << "F10 opened nothing";
  EXPECT_TRUE(turnLoopUntil([&] { return current(desktop, "applicationMenu") == QLatin1String("about"); }, 5s))
      << "the menu stands at " << current(desktop, "applicationMenu").toStdString();
  QTest::keyClick(desktop.window(), Qt::Key_Right);
  EXPECT_TRUE(turnLoopUntil([&] { return opened(desktop, "helpMenu") && shut(desktop, "applicationMenu"); }, 5s))
      << "Right did not go on to Help";
  QTest::keyClick(desktop.window(), Qt::Key_Left);
  EXPECT_TRUE(turnLoopUntil([&] { return opened(desktop, "applicationMenu") && shut(desktop, "helpMenu"); }, 5s))
      << "Left did not come back to the first menu";

  QTest::keyClick(desktop.window(), Qt::Key_Escape);
  ASSERT_TRUE(turnLoopUntil([&] { return shut(desktop, "applicationMenu"); }, 5s)) << "Escape did not close the menu";
  EXPECT_TRUE(turnLoopUntil([&] { return desktop.focusShownOn(QStringLiteral("howItWorksButton")); }, 5s))
      << "the focus is on " << desktop.focusedName().toStdString();
}

struct Letter {
  Qt::Key key;
  const char* menu;
  const char* first;
  friend void PrintTo(const Letter& letter, std::ostream* out) { *out << letter.menu; }
};

class AltAndATitlesLetter : public ::testing::TestWithParam<Letter> {};

TEST_P(AltAndATitlesLetter, OpensThatMenuAtItsFirstItem) {
  CardWindow desktop;
  ASSERT_TRUE(desktop.active) << "the window never became active";
  QTest::keyClick(desktop.window(), GetParam().key, Qt::AltModifier);
  ASSERT_TRUE(turnLoopUntil([&] { return opened(desktop, GetParam().menu); }, 5s)) << GetParam().menu << " did not open";
  EXPECT_TRUE(turnLoopUntil([&] { return current(desktop, GetParam().menu) == QLatin1String(GetParam().first); }, 5s))
      << "the menu stands at " << current(desktop, GetParam().menu).toStdString();
  QTest::keyClick(desktop.window(), Qt::Key_Escape);
  EXPECT_TRUE(turnLoopUntil([&] { return shut(desktop, GetParam().menu); }, 5s));
}

INSTANTIATE_TEST_SUITE_P(Window, AltAndATitlesLetter,
                         ::testing::Values(Letter{Qt::Key_T, "applicationMenu", "about"},
                                           Letter{Qt::Key_H, "helpMenu", "howTessorinWorks"}));

TEST(MenuKeys, AltHReturnShowsHowItWorksAndStartsNothing) {
  CardWindow desktop;
  ASSERT_TRUE(desktop.active) << "the window never became active";
  QTest::keyClick(desktop.window(), Qt::Key_H, Qt::AltModifier);
  ASSERT_TRUE(turnLoopUntil([&] { return current(desktop, "helpMenu") == QLatin1String("howTessorinWorks"); }, 5s));
  QTest::keyClick(desktop.window(), Qt::Key_Return);
  EXPECT_TRUE(turnLoopUntil([&] { return desktop.isOpen(QStringLiteral("howItWorksSheet")); }, 5s))
      << "Return did not choose How Tessorin Works";
  CardWindow::pause();
  EXPECT_TRUE(desktop.session->stage().isAtRest()) << "Return in the menu started a check";
}

// About, chosen from the menu, opens over the window; closed, it gives the focus back to
// the control that had it before the menu opened, not to the menu's item, gone with it.
TEST(MenuKeys, AfterTheBoxAMenusItemOpenedTheFocusIsBackWithItsRing) {
  CardWindow desktop;
  ASSERT_TRUE(desktop.active) << "the window never became active";
  ASSERT_NE(desktop.tabTo(QStringLiteral("howItWorksButton")), nullptr);
  QTest::keyClick(desktop.window(), Qt::Key_T, Qt::AltModifier);
  ASSERT_TRUE(turnLoopUntil([&] { return current(desktop, "applicationMenu") == QLatin1String("about"); }, 5s));
  QTest::keyClick(desktop.window(), Qt::Key_Return);
  ASSERT_TRUE(turnLoopUntil([&] { return desktop.isOpen(QStringLiteral("aboutDialog")); }, 5s)) << "About did not open";
  QTest::keyClick(desktop.window(), Qt::Key_Escape);
  ASSERT_TRUE(turnLoopUntil([&] { return desktop.isClosed(QStringLiteral("aboutDialog")); }, 5s));
  EXPECT_TRUE(turnLoopUntil([&] { return desktop.focusShownOn(QStringLiteral("howItWorksButton")); }, 5s))
      << "the focus is on " << desktop.focusedName().toStdString();
}

TEST(MenuKeys, ATitlesLetterIsUnderlinedOnlyWhileAltIsHeld) {
  CardWindow desktop;
  ASSERT_TRUE(desktop.active) << "the window never became active";
  QQuickItem* title = CardWindow::entryOf(desktop.window()->contentItem(), menu(desktop, "helpMenu"));
  ASSERT_NE(title, nullptr);
  QObject* words = title->property("contentItem").value<QObject*>();
  ASSERT_NE(words, nullptr);
  EXPECT_EQ(words->property("text").toString(), QStringLiteral("Help"));
  QTest::keyPress(desktop.window(), Qt::Key_Alt);
  EXPECT_TRUE(turnLoopUntil([&] { return words->property("text").toString() == QStringLiteral("<u>H</u>elp"); }, 5s))
      << "with Alt held: " << words->property("text").toString().toStdString();
  QTest::keyRelease(desktop.window(), Qt::Key_Alt);
  EXPECT_TRUE(turnLoopUntil([&] { return words->property("text").toString() == QStringLiteral("Help"); }, 5s))
      << "Alt let go: " << words->property("text").toString().toStdString();
}

// The page's Return is not heard through an open menu, modal or not.
TEST(MenuKeys, ReturnInAMenuWithNoItemChosenStartsNothing) {
  CardWindow desktop;
  ASSERT_TRUE(desktop.active) << "the window never became active";
  ASSERT_TRUE(desktop.openMenu(QStringLiteral("helpMenu")));
  ASSERT_EQ(current(desktop, "helpMenu"), QStringLiteral("(none)")) << "a click's menu stands at an item";
  QTest::keyClick(desktop.window(), Qt::Key_Return);
  CardWindow::pause();
  EXPECT_TRUE(desktop.session->stage().isAtRest()) << "Return through the open menu started a check";
  EXPECT_FALSE(desktop.world.model->showingHowItWorks());
  QTest::keyClick(desktop.window(), Qt::Key_Escape);
  EXPECT_TRUE(turnLoopUntil([&] { return shut(desktop, "helpMenu"); }, 5s));
}

}  // namespace
}  // namespace tessorin
