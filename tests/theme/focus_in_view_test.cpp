// A scrolling area with FocusInView follows the keyboard's focus: an item that takes the
// focus below or above the viewport is scrolled just into sight with its ring and margin,
// one in sight leaves the area still, one taller than the area shows its top edge, the
// area never scrolls past its content, an item that moves on just after it took the focus
// is followed until it rests, and an area inside another scrolls first, then the outer
// one. Without it, nothing moves. A real Qt Quick window.

#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QtQml/qqmlextensionplugin.h>
#include <memory>
#include <gtest/gtest.h>

#include "TurnLoop.hpp"

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
};

TEST(FocusInViewTest, TheAreaScrollsJustEnoughToShowTheFocusedItemWithItsRing) {
  Scene shown;
  ASSERT_TRUE(shown.view->isActive());
  shown.focus("visible");
  EXPECT_EQ(shown.contentY("outer"), 0) << "an item in sight leaves the area where it is";

  shown.focus("below");
  EXPECT_DOUBLE_EQ(shown.contentY("outer"), 1000 + 40 + reach - 200) << "its bottom edge at the foot of the area";
  shown.focus("top");
  EXPECT_DOUBLE_EQ(shown.contentY("outer"), 20 - reach) << "its top edge at the head";

  shown.focus("last");
  EXPECT_DOUBLE_EQ(shown.contentY("outer"), 2000 - 200) << "never past the end of the content";
  shown.focus("tall");
  EXPECT_DOUBLE_EQ(shown.contentY("outer"), 1200 - reach) << "taller than the area: its top edge";
  // Already filling the area: moving within it is the user's.
  shown.focus("visible");
  shown.named("outer")->setProperty("contentY", 1400);
  shown.focus("tall");
  EXPECT_DOUBLE_EQ(shown.contentY("outer"), 1400);
}

TEST(FocusInViewTest, AnAreaInsideAnotherScrollsFirstThenTheOuterOneShowsIt) {
  Scene shown;
  ASSERT_TRUE(shown.view->isActive());
  shown.focus("deep");
  EXPECT_DOUBLE_EQ(shown.contentY("inner"), 400 + 40 + reach - 100);
  // Scrolled within the inner area, the item's foot with its reach lies at 400 in the outer one.
  EXPECT_DOUBLE_EQ(shown.contentY("outer"), 400 - 200) << "then the outer area brings it in";
  QQuickItem* deep = shown.named("deep");
  const QRectF inWindow = deep->mapRectToScene(QRectF(0, 0, deep->width(), deep->height()));
  EXPECT_GE(inWindow.top(), 0);
  EXPECT_LE(inWindow.bottom(), 200);
}

TEST(FocusInViewTest, AnItemPushedDownJustAfterItTookTheFocusIsFollowedUntilItRests) {
  Scene shown;
  ASSERT_TRUE(shown.view->isActive());
  shown.focus("pushed");
  ASSERT_DOUBLE_EQ(shown.contentY("outer"), 600 + 40 + reach - 200);
  shown.named("pushed")->setProperty("y", 1500);
  EXPECT_TRUE(turnLoopUntil([&] { return shown.contentY("outer") == 1500 + 40 + reach - 200; }))
      << "the area stayed at " << shown.contentY("outer") << " while the item went on down";
}

TEST(FocusInViewTest, AnAreaWithoutItLetsTheFocusGoOutOfSight) {
  Scene shown;
  ASSERT_TRUE(shown.view->isActive());
  shown.focus("unfollowed");
  EXPECT_EQ(shown.contentY("unfollowing"), 0);
}

}  // namespace
}  // namespace tessorin
