// The keyboard's focus stays in sight on a card's page, on an X server with a window
// manager, at the window's first size and its smallest: a check started from the focused
// Check This Card hands the focus to the speed stage's Stop, the advanced test's and the
// result's first action, each shown whole with its ring once its panel has come in; and the
// result is read from its top: the page scrolls no further than Share Result needs, so the
// verdict's seal and headline show above it whenever they fit.

#include <QQuickItem>
#include <QTest>
#include <gtest/gtest.h>

#include "FinishedCheckSeam.hpp"
#include "GalleryEngineValues.hpp"
#include "HalfwayWriting.hpp"
#include "window/DesktopCardWindow.hpp"

namespace tessorin {
namespace {

using namespace std::chrono_literals;
using testing::CardWindow;
using testing::turnLoopUntil;

// The ring stands five pixels out from its control.
constexpr qreal ringReach = 5;

QQuickItem* pageScroll(const CardWindow& desktop) {
  return qobject_cast<QQuickItem*>(desktop.shown.named(QStringLiteral("pageScroll")));
}

// Whether `item` shows whole in the page's scrolling area, with its ring when it has one.
bool inSight(const CardWindow& desktop, QQuickItem* item, qreal reach) {
  QQuickItem* page = pageScroll(desktop);
  if (page == nullptr || item == nullptr || !item->isVisible()) return false;
  const QRectF place =
      item->mapRectToItem(page, QRectF(0, 0, item->width(), item->height())).adjusted(-reach, -reach, reach, reach);
  return QRectF(0, 0, page->width(), page->height()).contains(place);
}

bool focusInSight(const CardWindow& desktop, const QString& name) {
  return desktop.focusShownOn(name) && inSight(desktop, desktop.window()->activeFocusItem(), ringReach);
}

QQuickItem* named(const CardWindow& desktop, const char* name) {
  return qobject_cast<QQuickItem*>(desktop.shown.named(QString::fromLatin1(name)));
}

class TheFocusOnACardsPage : public ::testing::TestWithParam<QSize> {};

TEST_P(TheFocusOnACardsPage, StaysInSightFromStageToStageAndTheResultIsReadFromItsTop) {
  CardWindow desktop;
  ASSERT_TRUE(desktop.active) << "the window never became active";
  desktop.window()->resize(GetParam());
  ASSERT_TRUE(turnLoopUntil([&] { return desktop.window()->size() == GetParam(); }, 5s)) << "the window was not resized";
  ASSERT_NE(desktop.tabTo(QStringLiteral("startButton")), nullptr) << "Tab never reached Check This Card";
  QTest::keyClick(desktop.window(), Qt::Key_Return);
  ASSERT_TRUE(turnLoopUntil([&] { return desktop.session->stage().isBusy(); }, 30s)) << "no check started";
  EXPECT_TRUE(turnLoopUntil([&] { return focusInSight(desktop, QStringLiteral("stopButton")); }, 10s))
      << "the speed stage's Stop is out of sight; the focus is on " << desktop.focusedName().toStdString();

  // The advanced test's Stop stands below the card map and the speed chart.
  testing::writeHalfway(*desktop.session);
  ASSERT_TRUE(turnLoopUntil([&] { return named(desktop, "fullPanel") != nullptr; }, 10s));
  EXPECT_TRUE(turnLoopUntil(
      [&] {
        QQuickItem* focused = desktop.window()->activeFocusItem();
        return focused != nullptr && named(desktop, "fullPanel")->isAncestorOf(focused) &&
               focusInSight(desktop, QStringLiteral("stopButton"));
      },
      10s))
      << "the advanced test's Stop is out of sight; the focus is on " << desktop.focusedName().toStdString();

  const ZoneResult speeds = gallery::zone(30e6, 60e6);
  FinishedCheckSeam::finish(*desktop.session, {.quick = gallery::quick(512 * testing::sessionMiB, 16, 16, speeds)});
  ASSERT_TRUE(turnLoopUntil([&] { return desktop.focusShownOn(QStringLiteral("shareButton")); }, 10s))
      << "the focus is on " << desktop.focusedName().toStdString();
  QQuickItem* share = desktop.window()->activeFocusItem();
  QQuickItem* page = pageScroll(desktop);
  QQuickItem* flickable = page->property("contentItem").value<QQuickItem*>();
  // As far down as Share Result with its ring and the area's margin needs, and no further.
  const auto least = [&] {
    const QRectF place = share->mapRectToItem(flickable->property("contentItem").value<QQuickItem*>(),
                                              QRectF(0, 0, share->width(), share->height()));
    return std::max<qreal>(0, place.bottom() + ringReach + 12 - page->height());
  };
  EXPECT_TRUE(turnLoopUntil(
      [&] {
        return focusInSight(desktop, QStringLiteral("shareButton")) &&
               qAbs(flickable->property("contentY").toReal() - least()) < 1;
      },
      10s))
      << "the page stands at " << flickable->property("contentY").toReal() << " px, where " << least() << " would do";
  CardWindow::pause();
  EXPECT_TRUE(focusInSight(desktop, QStringLiteral("shareButton"))) << "the page moved on after it came to rest";
  // What fits above Share Result shows: the seal and the headline.
  if (least() == 0) {
    EXPECT_TRUE(inSight(desktop, named(desktop, "verdictSeal"), 0)) << "the verdict's seal is out of sight";
    EXPECT_TRUE(inSight(desktop, named(desktop, "verdictTitle"), 0)) << "the verdict's headline is out of sight";
  }
}

INSTANTIATE_TEST_SUITE_P(Window, TheFocusOnACardsPage, ::testing::Values(QSize(1080, 760), QSize(900, 640)),
                         [](const auto& size) {
                           return "Window" + std::to_string(size.param.width()) + "x" +
                                  std::to_string(size.param.height());
                         });

}  // namespace
}  // namespace tessorin
