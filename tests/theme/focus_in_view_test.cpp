// A scrolling area with FocusInView follows the keyboard's focus: an item that takes the
// focus below or above the viewport is scrolled just into sight with its ring and margin,
// one in sight leaves the area still, one taller than the area shows its top edge, the
// area never scrolls past its content, an item handed the focus while its page still moves
// in is waited for (the area never scrolls for a place it leaves) and then stands as near
// the area's start as it can, one the page moves on later is followed unless the user
// scrolled it away, and an area inside another scrolls first, then the outer one. Without
// it, nothing moves. A real Qt Quick window.

#include <QElapsedTimer>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QtQml/qqmlextensionplugin.h>
#include <memory>
#include <gtest/gtest.h>

#include "TurnLoop.hpp"
#include "theme/focus/FocusInView.hpp"

Q_IMPORT_QML_PLUGIN(Tessorin_ThemePlugin)

namespace tessorin {
namespace {

// The outer area is 200 high over 2000 of content; the inner one, 300 down in it, is 100
// high over 600. Focus items are 40 high unless said otherwise.
constexpr const char* scene = R"(
import QtQuick
import Tessorin.Theme

Item {
    width: 300
    height: 200

    Flickable {
        objectName: "outer"
        anchors.fill: parent
        contentHeight: 2000
        FocusInView.enabled: true

        Rectangle { objectName: "top"; y: 20; width: 100; height: 40; focus: true }
        Rectangle { objectName: "visible"; y: 100; width: 100; height: 40 }
        Rectangle { objectName: "below"; y: 1000; width: 100; height: 40 }
        Rectangle { objectName: "last"; y: 1960; width: 100; height: 40 }
        Rectangle { objectName: "tall"; y: 1200; width: 100; height: 500 }
        // Moved down over a few frames, as a control below a panel that grows in.
        Rectangle {
            objectName: "pushed"; y: 600; width: 100; height: 40
            Behavior on y { NumberAnimation { duration: 300 } }
        }
        // Comes up from far below into sight, as a panel's control while the panel moves in.
        Rectangle {
            objectName: "arriving"; y: 1800; width: 100; height: 40; x: 150
            Behavior on y { NumberAnimation { duration: 300 } }
        }

        Flickable {
            objectName: "inner"
            y: 300
            width: 200
            height: 100
            contentHeight: 600
            FocusInView.enabled: true
            Rectangle { objectName: "deep"; y: 400; width: 100; height: 40 }
        }
    }

    Flickable {
        objectName: "unfollowing"
        x: 250
        width: 50
        height: 200
        contentHeight: 2000
        Rectangle { objectName: "unfollowed"; y: 1000; width: 40; height: 40 }
    }
}
)";

using testing::turnLoopUntil;

// Ring (5) and the default margin (12) around the item.
constexpr double reach = 17;

struct Scene {
  QQmlEngine engine;
  std::unique_ptr<QQuickView> view = std::make_unique<QQuickView>(&engine, nullptr);

  Scene() {
    engine.addImportPath(QStringLiteral("qrc:/"));
    QQmlComponent component(&engine);
    component.setData(scene, QUrl::fromLocalFile(QStringLiteral("/FocusInViewScene.qml")));
    auto* root = qobject_cast<QQuickItem*>(component.create());
    if (root == nullptr) ADD_FAILURE() << component.errorString().toStdString();
    view->setContent(QUrl(), nullptr, root);
    view->show();
    view->requestActivate();
    turnLoopUntil([this] { return view->isExposed() && view->isActive(); });
  }
  QQuickItem* named(const char* name) const {
    return view->rootObject()->findChild<QQuickItem*>(QLatin1String(name));
  }
  double contentY(const char* area) const { return named(area)->property("contentY").toDouble(); }
  void focus(const char* item) {
    named(item)->setActiveFocusOnTab(true);
    named(item)->forceActiveFocus(Qt::TabFocusReason);
  }
  // Lets the window draw frames for a while: long enough for an item that stands still to
  // be seen at rest, however fast they come.
  bool drawFrames(int count) {
    int drawn = 0;
    QElapsedTimer clock;
    clock.start();
    const auto connection = QObject::connect(view.get(), &QQuickWindow::afterAnimating, [&] { ++drawn; });
    const bool done = turnLoopUntil([&] {
      view->update();
      return drawn >= count && clock.elapsed() >= 200;
    });
    QObject::disconnect(connection);
    return done;
  }
  // Focuses the item and waits until the area stands at `expected`.
  bool focusAndWait(const char* item, const char* area, double expected) {
    focus(item);
    return turnLoopUntil([&] { return contentY(area) == expected; });
  }
};

TEST(FocusInViewTest, TheAreaScrollsJustEnoughToShowTheFocusedItemWithItsRing) {
  Scene shown;
  ASSERT_TRUE(shown.view->isActive());
  shown.focus("visible");
  ASSERT_TRUE(shown.drawFrames(6));
  EXPECT_EQ(shown.contentY("outer"), 0) << "an item in sight leaves the area where it is";

  EXPECT_TRUE(shown.focusAndWait("below", "outer", 1000 + 40 + reach - 200))
      << "its bottom edge at the foot of the area, not " << shown.contentY("outer");
  EXPECT_TRUE(shown.focusAndWait("top", "outer", 20 - reach)) << "its top edge at the head, not " << shown.contentY("outer");
  EXPECT_TRUE(shown.focusAndWait("last", "outer", 2000 - 200))
      << "never past the end of the content: " << shown.contentY("outer");
  EXPECT_TRUE(shown.focusAndWait("tall", "outer", 1200 - reach))
      << "taller than the area: its top edge, not " << shown.contentY("outer");
  // Already filling the area: moving within it is the user's.
  shown.focus("visible");
  shown.named("outer")->setProperty("contentY", 1400);
  shown.focus("tall");
  ASSERT_TRUE(shown.drawFrames(6));
  EXPECT_DOUBLE_EQ(shown.contentY("outer"), 1400);
}

TEST(FocusInViewTest, AnAreaInsideAnotherScrollsFirstThenTheOuterOneShowsIt) {
  Scene shown;
  ASSERT_TRUE(shown.view->isActive());
  // Scrolled within the inner area, the item's foot with its reach lies at 400 in the outer one.
  EXPECT_TRUE(shown.focusAndWait("deep", "outer", 400 - 200))
      << "the outer area brings it in; it stands at " << shown.contentY("outer");
  EXPECT_DOUBLE_EQ(shown.contentY("inner"), 400 + 40 + reach - 100);
  QQuickItem* deep = shown.named("deep");
  const QRectF inWindow = deep->mapRectToScene(QRectF(0, 0, deep->width(), deep->height()));
  EXPECT_GE(inWindow.top(), 0);
  EXPECT_LE(inWindow.bottom(), 200);
}

// A panel's control is handed the focus while the panel still moves in: scrolling for where
// it stood then would carry the page away from what it shows first.
TEST(FocusInViewTest, AnItemStillMovingInIsShownOnlyWhereItComesToRest) {
  Scene shown;
  ASSERT_TRUE(shown.view->isActive());
  QQuickItem* arriving = shown.named("arriving");
  int scrolls = 0;
  const auto counter = QObject::connect(shown.view.get(), &QQuickWindow::afterAnimating, [&, last = 0.0]() mutable {
    if (shown.contentY("outer") != last) ++scrolls;
    last = shown.contentY("outer");
  });
  arriving->setProperty("y", 100);
  shown.focus("arriving");
  FocusInView::showFromStart(arriving);
  ASSERT_TRUE(turnLoopUntil([&] { return arriving->y() == 100; })) << "the item never came in";
  ASSERT_TRUE(shown.drawFrames(6));
  QObject::disconnect(counter);
  EXPECT_EQ(scrolls, 0) << "the area scrolled while the item came in; it stands at " << shown.contentY("outer");
}

TEST(FocusInViewTest, AnItemThePageMovesOnIsFollowedUnlessTheUserScrolledItAway) {
  Scene shown;
  ASSERT_TRUE(shown.view->isActive());
  ASSERT_TRUE(shown.focusAndWait("pushed", "outer", 600 + 40 + reach - 200));
  QQuickItem* pushed = shown.named("pushed");
  pushed->setProperty("y", 1500);
  EXPECT_TRUE(turnLoopUntil([&] { return shown.contentY("outer") == 1500 + 40 + reach - 200; }))
      << "the area stayed at " << shown.contentY("outer") << " while the item went on down";

  // Scrolled away by the user: the page moving it brings it back no more.
  shown.named("outer")->setProperty("contentY", 0);
  pushed->setProperty("y", 1600);
  ASSERT_TRUE(turnLoopUntil([&] { return pushed->y() == 1600; }));
  ASSERT_TRUE(shown.drawFrames(6));
  EXPECT_EQ(shown.contentY("outer"), 0);

  // Scrolled by the user until half of it shows: the area stays where the user put it.
  shown.named("outer")->setProperty("contentY", 1600 + 20 - 200);
  ASSERT_TRUE(shown.drawFrames(6));
  EXPECT_EQ(shown.contentY("outer"), 1600 + 20 - 200);
}

// A new page is read from its top: its control is shown as near the area's start as it can
// be, wherever the previous page had left the area.
TEST(FocusInViewTest, AnItemShownWithANewPageStandsAsNearTheStartAsItCan) {
  Scene shown;
  ASSERT_TRUE(shown.view->isActive());
  shown.named("outer")->setProperty("contentY", 60);
  shown.focus("visible");
  FocusInView::showFromStart(shown.named("visible"));
  EXPECT_TRUE(turnLoopUntil([&] { return shown.contentY("outer") == 0; }))
      << "in sight from the start, yet the area stays at " << shown.contentY("outer");

  shown.named("outer")->setProperty("contentY", 1700);
  shown.focus("below");
  FocusInView::showFromStart(shown.named("below"));
  EXPECT_TRUE(turnLoopUntil([&] { return shown.contentY("outer") == 1000 + 40 + reach - 200; }))
      << "its foot at the foot of the area, not " << shown.contentY("outer");
}

TEST(FocusInViewTest, AnAreaWithoutItLetsTheFocusGoOutOfSight) {
  Scene shown;
  ASSERT_TRUE(shown.view->isActive());
  shown.focus("unfollowed");
  EXPECT_EQ(shown.contentY("unfollowing"), 0);
}

}  // namespace
}  // namespace tessorin
