// Return in a real Qt Quick window with the house's style: a button that declines Return
// (Stop) is never pressed by Return or keypad Enter, which go to the page's default action
// instead, while Space and a click still press it; a held Return acts once, whether the
// focus stays (a box is ticked once) or moves away as the key goes down (the control or
// page it moved to takes none of the repeats, nor the release), while a text area that
// keeps the focus takes every repeat as its own.

#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>
#include <memory>
#include <gtest/gtest.h>

#include "HeldReturn.hpp"
#include "TurnLoop.hpp"

#include "theme/style/HouseStyle.hpp"

Q_IMPORT_QML_PLUGIN(Tessorin_ThemePlugin)
Q_IMPORT_QML_PLUGIN(Tessorin_Theme_StylePlugin)

namespace tessorin {
namespace {

using testing::turnLoopUntil;

// A page with a default action bound to Return and Enter, as the card page's Check This
// Card, and the controls of `body`. The scene counts what each did.
class Page {
 public:
  explicit Page(const QString& body) {
    static const bool styled = (useHouseStyle(), true);
    (void)styled;
    engine_.addImportPath(QStringLiteral("qrc:/"));
    QQmlComponent component(&engine_);
    component.setData(QStringLiteral("import QtQuick\nimport QtQuick.Controls\nimport QtQuick.Layouts\n"
                                     "ColumnLayout {\n    id: scene\n    property int defaults: 0\n"
                                     "    property int stops: 0\n    property int presses: 0\n    property Item handTo: null\n"
                                     "    Shortcut { sequences: [\"Return\", \"Enter\"]; onActivated: scene.defaultAction() }\n"
                                     "    function defaultAction() {\n        scene.defaults += 1\n"
                                     "        if (handTo !== null) handTo.forceActiveFocus(Qt.TabFocusReason)\n    }\n%1\n}\n")
                          .arg(body)
                          .toUtf8(),
                      QUrl::fromLocalFile(QStringLiteral("/ReturnKeyScene.qml")));
    auto* root = qobject_cast<QQuickItem*>(component.create());
    if (root == nullptr) ADD_FAILURE() << component.errorString().toStdString();
    view_->setResizeMode(QQuickView::SizeRootObjectToView);
    view_->setContent(QUrl(), nullptr, root);
    view_->resize(600, 400);
    view_->show();
    view_->requestActivate();
    ready = turnLoopUntil([this] { return view_->isExposed() && view_->isActive(); });
  }

  QQuickView* view() const { return view_.get(); }
  // The page's default action gives the focus to the named control, with its ring.
  void handTo(const QString& name) { view_->rootObject()->setProperty("handTo", QVariant::fromValue(named(name))); }
  int count(const char* what) const { return view_->rootObject()->property(what).toInt(); }
  QQuickItem* named(const QString& name) const { return view_->rootObject()->findChild<QQuickItem*>(name); }
  QQuickItem* focused() const { return view_->activeFocusItem(); }
  // Tab until the named control has the focus with its ring.
  bool tabTo(const QString& name) {
    for (int step = 0; step < 10; ++step) {
      QTest::keyClick(view(), Qt::Key_Tab);
      if (focused() != nullptr && focused()->objectName() == name) return focused()->property("visualFocus").toBool();
    }
    return false;
  }
  void click(Qt::Key key) {
    QTest::keyClick(view(), key, key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
    QTest::qWait(50);
  }
  // Return held down for `repeats` of the system's repeats, the loop turned between them.
  void holdReturn(int repeats) {
    testing::HeldReturn held(view());
    for (int repeat = 0; repeat < repeats; ++repeat) {
      QTest::qWait(30);
      held.repeat();
    }
    QTest::qWait(30);
    held.release();
    QTest::qWait(50);
  }

  bool ready = false;

 private:
  QQmlEngine engine_;
  std::unique_ptr<QQuickView> view_ = std::make_unique<QQuickView>(&engine_, nullptr);
};

const QString stopBody = QStringLiteral(
    "Button { objectName: \"other\"; text: \"Other\"; onClicked: scene.presses += 1 }\n"
    "Button { objectName: \"stop\"; text: \"Stop\"; readonly property bool ignoresReturn: true;"
    " onClicked: scene.stops += 1 }\n");

TEST(ReturnKey, NeverPressesAButtonThatDeclinesItButGoesToThePageAndSpaceStillPressesIt) {
  Page page(stopBody);
  ASSERT_TRUE(page.ready);
  ASSERT_TRUE(page.tabTo(QStringLiteral("stop"))) << "Tab never reached Stop with its ring";
  page.click(Qt::Key_Return);
  page.click(Qt::Key_Enter);
  EXPECT_EQ(page.count("stops"), 0) << "Return or Enter pressed Stop";
  EXPECT_EQ(page.count("defaults"), 2) << "Return and Enter did not reach the page's default action";
  EXPECT_EQ(page.focused(), page.named(QStringLiteral("stop"))) << "the focus left Stop";
  page.click(Qt::Key_Space);
  EXPECT_EQ(page.count("stops"), 1) << "Space did not press Stop";
  // Any other button with its ring is pressed by Return, and the page's action does not run.
  ASSERT_TRUE(page.tabTo(QStringLiteral("other")));
  page.click(Qt::Key_Return);
  EXPECT_EQ(page.count("presses"), 1);
  EXPECT_EQ(page.count("defaults"), 2);
}

TEST(ReturnKey, HeldOnABoxTicksItOnce) {
  Page page(QStringLiteral("CheckBox { objectName: \"box\"; text: \"Ask\" }"));
  ASSERT_TRUE(page.ready);
  ASSERT_TRUE(page.tabTo(QStringLiteral("box")));
  page.holdReturn(12);
  EXPECT_TRUE(page.named(QStringLiteral("box"))->property("checked").toBool()) << "the held Return did not tick it";
  page.holdReturn(12);
  EXPECT_FALSE(page.named(QStringLiteral("box"))->property("checked").toBool()) << "the second held Return did not untick it";
  EXPECT_EQ(page.count("defaults"), 0);
}

// The page's default action, as a check started from the keyboard, hands the focus to
// Stop with its ring while the key is still down, or to another control that takes
// Return.
TEST(ReturnKey, HeldWhileThePageHandsTheFocusOnActsOnceAndPressesNothingThere) {
  for (const char* handedTo : {"stop", "other"}) {
    SCOPED_TRACE(handedTo);
    Page page(stopBody);
    ASSERT_TRUE(page.ready);
    page.handTo(QString::fromLatin1(handedTo));
    for (const char* button : {"stop", "other"}) {
      ASSERT_FALSE(page.named(QString::fromLatin1(button))->hasActiveFocus()) << button << " had the focus before the key";
    }
    page.holdReturn(15);
    EXPECT_EQ(page.count("defaults"), 1) << "the page's action ran again on the repeats";
    ASSERT_EQ(page.focused(), page.named(QString::fromLatin1(handedTo))) << "the page did not hand the focus on";
    EXPECT_EQ(page.count("stops"), 0) << "the held Return pressed Stop";
    EXPECT_EQ(page.count("presses"), 0) << "the held Return pressed the control the focus went to";
    // A fresh Return is a new press, and acts where the focus now is.
    page.click(Qt::Key_Return);
    EXPECT_EQ(page.count("stops") + page.count("presses") + page.count("defaults"), 2);
  }
}

// A button whose click moves the focus on, as a page's Next or a sheet's default button.
TEST(ReturnKey, HeldOnAButtonThatMovesTheFocusPressesItOnceAndNotTheNextOne) {
  Page page(QStringLiteral("Button { objectName: \"first\"; text: \"First\"; onClicked: { scene.presses += 1;"
                           " second.forceActiveFocus(Qt.TabFocusReason) } }\n"
                           "Button { id: second; objectName: \"second\"; text: \"Second\"; onClicked: scene.stops += 1 }"));
  ASSERT_TRUE(page.ready);
  ASSERT_TRUE(page.tabTo(QStringLiteral("first")));
  page.holdReturn(15);
  EXPECT_EQ(page.count("presses"), 1) << "the held Return pressed the first button other than once";
  ASSERT_EQ(page.focused(), page.named(QStringLiteral("second")));
  EXPECT_EQ(page.count("stops"), 0) << "the held Return pressed the button the focus went to";
  EXPECT_EQ(page.count("defaults"), 0);
}

TEST(ReturnKey, HeldInATextAreaTypesALineForEveryRepeat) {
  Page page(QStringLiteral("TextArea { objectName: \"notes\"; Layout.fillWidth: true; focus: true }"));
  ASSERT_TRUE(page.ready);
  auto* notes = page.named(QStringLiteral("notes"));
  notes->forceActiveFocus(Qt::TabFocusReason);
  ASSERT_TRUE(turnLoopUntil([&] { return page.focused() == notes; }));
  page.holdReturn(4);
  EXPECT_EQ(notes->property("text").toString(), QStringLiteral("\n\n\n\n\n")) << "the press and its four repeats";
  EXPECT_EQ(page.count("defaults"), 0);
}

}  // namespace
}  // namespace tessorin
