// The one dialog frame, in real Qt Quick windows with the house's style: buttons stand in
// one order whatever order a view writes them in, Return presses the default button (from a
// field in the frame too, while a field on the page keeps it from the page) or the button
// that shows the keyboard's focus, Escape closes (of two frames open one over the other,
// only the top one), and in the smallest
// window (900 × 640) a question with a very long message, or a sheet with very
// tall content, keeps every button whole in view while its body scrolls.

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>
#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>
#include <gtest/gtest.h>

#include "TurnLoop.hpp"

#include "theme/style/HouseStyle.hpp"

Q_IMPORT_QML_PLUGIN(Tessorin_ThemePlugin)
Q_IMPORT_QML_PLUGIN(Tessorin_Theme_StylePlugin)

namespace tessorin {
namespace {

using testing::turnLoopUntil;

// A window of the smallest size the application allows, showing the QML of `body` (inside
// an Item that fills it, with QtQuick, QtQuick.Controls and Tessorin.Theme imported).
class Window {
 public:
  explicit Window(const QString& body) {
    static const bool styled = (useHouseStyle(), true);
    (void)styled;
    engine_.addImportPath(QStringLiteral("qrc:/"));
    QQmlComponent component(&engine_);
    component.setData(QStringLiteral("import Tessorin.Theme\nimport QtQuick\nimport QtQuick.Controls\n"
                                     "Item {\n    id: scene\n    property int dismissals: 0\n    property string pressed\n%1\n}\n")
                          .arg(body)
                          .toUtf8(),
                      QUrl::fromLocalFile(QStringLiteral("/DialogFrameScene.qml")));
    auto* root = qobject_cast<QQuickItem*>(component.create());
    if (root == nullptr) ADD_FAILURE() << component.errorString().toStdString();
    view_->setResizeMode(QQuickView::SizeRootObjectToView);
    view_->setContent(QUrl(), nullptr, root);
    view_->resize(900, 640);
    view_->show();
    view_->requestActivate();
    turnLoopUntil([this] { return view_->isExposed() && view_->isActive(); });
  }

  QQuickItem* named(const QString& name) const {
    std::function<QQuickItem*(QQuickItem*)> search = [&](QQuickItem* item) -> QQuickItem* {
      if (item->objectName() == name) return item;
      for (QQuickItem* child : item->childItems()) {
        if (QQuickItem* found = search(child)) return found;
      }
      return nullptr;
    };
    return search(view_->contentItem());
  }
  QVariant scene(const char* property) const { return view_->rootObject()->property(property); }
  void setScene(const char* property, const QVariant& value) { view_->rootObject()->setProperty(property, value); }
  void press(Qt::Key key) { QTest::keyClick(view_.get(), key); }
  QQuickView* view() const { return view_.get(); }

  // The named buttons, left to right as they stand.
  std::vector<std::string> buttonsFromLeft(const std::vector<QString>& names) const {
    std::vector<std::pair<qreal, std::string>> placed;
    for (const QString& name : names) {
      QQuickItem* button = named(name);
      if (button == nullptr || !button->isVisible()) continue;
      placed.emplace_back(button->mapToScene(QPointF(0, 0)).x(), name.toStdString());
    }
    std::sort(placed.begin(), placed.end());
    std::vector<std::string> order;
    for (const auto& [x, name] : placed) order.push_back(name);
    return order;
  }

  // What a user sees of the button: its rectangle in the window, cut by the clipping items around it.
  QRectF seen(QQuickItem* item) const {
    QRectF part = item->mapRectToScene(QRectF(0, 0, item->width(), item->height()));
    for (QQuickItem* around = item->parentItem(); around != nullptr; around = around->parentItem()) {
      if (around->clip()) part &= around->mapRectToScene(QRectF(0, 0, around->width(), around->height()));
    }
    return part & QRectF(0, 0, view_->width(), view_->height());
  }

 private:
  QQmlEngine engine_;
  std::unique_ptr<QQuickView> view_ = std::make_unique<QQuickView>(&engine_, nullptr);
};

QString button(const QString& name, const QString& role, bool isDefault = false) {
  return QStringLiteral("Button { objectName: \"%1\"; text: \"%1\"; highlighted: %2; %3 onClicked: scene.pressed = \"%1\" }")
      .arg(name, isDefault ? QStringLiteral("true") : QStringLiteral("false"),
           role.isEmpty() ? QString() : QStringLiteral("DialogButtonBox.buttonRole: DialogButtonBox.%1;").arg(role));
}

QString alert(const QStringList& buttons, const QString& message = QStringLiteral("Go on?")) {
  return QStringLiteral("PageAlert { objectName: \"alert\"; shown: true; heading: \"A question\"; message: \"%1\"\n"
                        "    onDismissed: scene.dismissals += 1\n    buttons: [ %2 ] }")
      .arg(message, buttons.join(QStringLiteral(",\n")));
}

struct OrderRow {
  const char* what;
  QStringList buttons;
  std::vector<std::string> fromLeft;
};

TEST(DialogFrame, ButtonsStandInOneOrderWhateverOrderTheyAreWrittenIn) {
  const std::vector<OrderRow> rows = {
      {"the default ends the row, Cancel before it",
       {button("OK", "AcceptRole", true), button("Cancel", "RejectRole")},
       {"Cancel", "OK"}},
      {"a destructive answer after Cancel",
       {button("Erase", "DestructiveRole"), button("Cancel", "RejectRole")},
       {"Cancel", "Erase"}},
      {"a default that is also the cancel answer still ends the row",
       {button("Keep", "RejectRole", true), button("Quit", "DestructiveRole")},
       {"Quit", "Keep"}},
      {"a further action before Cancel",
       {button("Erase", "DestructiveRole"), button("FreeSpace", "ActionRole"), button("Cancel", "RejectRole")},
       {"FreeSpace", "Cancel", "Erase"}},
      {"a help button at the leading end",
       {button("Done", "AcceptRole", true), button("Disks", "HelpRole"), button("Cancel", "RejectRole")},
       {"Disks", "Cancel", "Done"}},
      {"a button without a role before Cancel",
       {button("Cancel", "NoRole"), button("More", "")},
       {"More", "Cancel"}},
  };
  for (const OrderRow& row : rows) {
    Window window(alert(row.buttons));
    std::vector<QString> names;
    for (const std::string& name : row.fromLeft) names.push_back(QString::fromStdString(name));
    ASSERT_TRUE(turnLoopUntil([&] { return window.named(names.back()) && window.named(names.back())->isVisible(); }))
        << row.what;
    EXPECT_EQ(window.buttonsFromLeft(names), row.fromLeft) << row.what;
    // The last one stands at the frame's trailing edge, a help button at its leading edge.
    QQuickItem* frame = window.named(QStringLiteral("alertButtons"));
    ASSERT_NE(frame, nullptr);
    const QRectF row_ = frame->mapRectToScene(QRectF(0, 0, frame->width(), frame->height()));
    QQuickItem* last = window.named(names.back());
    EXPECT_NEAR(last->mapRectToScene(QRectF(0, 0, last->width(), 1)).right(), row_.right() - 28, 1) << row.what;
  }
}

TEST(DialogFrame, ReturnPressesTheDefaultButtonAndEscapeCloses) {
  Window window(alert({button("Cancel", "RejectRole"), button("Go", "AcceptRole", true)}));
  ASSERT_TRUE(turnLoopUntil([&] { return window.named(QStringLiteral("Go")) && window.named(QStringLiteral("Go"))->isVisible(); }));
  window.press(Qt::Key_Return);
  EXPECT_EQ(window.scene("pressed").toString(), "Go");
  window.press(Qt::Key_Escape);
  EXPECT_TRUE(turnLoopUntil([&] { return window.scene("dismissals").toInt() == 1; })) << "Escape did not close";
  EXPECT_EQ(window.scene("pressed").toString(), "Go") << "Escape pressed a button";
}

TEST(DialogFrame, ReturnDoesNothingWithoutADefaultButton) {
  Window window(alert({button("Cancel", "RejectRole"), button("Erase", "DestructiveRole")}));
  ASSERT_TRUE(turnLoopUntil([&] { return window.named(QStringLiteral("Erase")) && window.named(QStringLiteral("Erase"))->isVisible(); }));
  window.press(Qt::Key_Return);
  EXPECT_EQ(window.scene("pressed").toString(), "") << "Return erased";
}

// As in Qt's own dialogs: the button the keyboard's focus is on answers Return, not the
// default one; a button only a click focused shows no focus, and leaves it to the default.
TEST(DialogFrame, ReturnPressesTheButtonShowingTheFocusRatherThanTheDefault) {
  Window window(alert({button("Cancel", "RejectRole"), button("Go", "AcceptRole", true)}));
  QQuickItem* cancel = window.named(QStringLiteral("Cancel"));
  ASSERT_TRUE(turnLoopUntil([&] { return cancel && cancel->isVisible(); }));
  turnLoopUntil([] { return false; }, 100);
  for (int step = 0; step < 4 && !cancel->hasActiveFocus(); ++step) window.press(Qt::Key_Tab);
  ASSERT_TRUE(cancel->hasActiveFocus()) << "Tab never reached Cancel";
  window.press(Qt::Key_Return);
  EXPECT_EQ(window.scene("pressed").toString(), "Cancel");
  window.setScene("pressed", QString());
  QTest::keyClick(window.view(), Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(window.scene("pressed").toString(), "Cancel") << "Enter, on the keypad";

  cancel->setFocus(false);
  cancel->forceActiveFocus(Qt::MouseFocusReason);
  ASSERT_FALSE(cancel->property("visualFocus").toBool());
  window.setScene("pressed", QString());
  window.press(Qt::Key_Return);
  EXPECT_EQ(window.scene("pressed").toString(), "Go") << "a click's focus took Return from the default button";
}

// Two questions, the lower one with a default button; the upper one opens over it while
// `upperShown` holds, with a default button when `upperHasDefault`.
QString stackedAlerts(bool upperHasDefault) {
  return QStringLiteral(R"(
    property bool upperShown: false
    PageAlert { objectName: "lower"; shown: true; heading: "Below"; message: "Go on?"
        buttons: [ %1, %2 ] }
    PageAlert { objectName: "upper"; shown: scene.upperShown; heading: "Above"; message: "Really?"
        onDismissed: { scene.dismissals += 1; scene.upperShown = false }
        buttons: [ %3, %4 ] })")
      .arg(button("LowerCancel", "RejectRole"), button("LowerGo", "AcceptRole", true), button("UpperCancel", "RejectRole"),
           button("UpperGo", "AcceptRole", upperHasDefault));
}

class StackedFrames {
 public:
  explicit StackedFrames(bool upperHasDefault) : window_(stackedAlerts(upperHasDefault)) {
    EXPECT_TRUE(shown("LowerGo"));
    openUpper();
  }

  void openUpper() {
    window_.setScene("upperShown", true);
    EXPECT_TRUE(shown("UpperGo"));
  }
  // The button the key pressed, "" when none.
  std::string pressing(Qt::Key key) {
    window_.setScene("pressed", QString());
    window_.press(key);
    return window_.scene("pressed").toString().toStdString();
  }
  Window& window() { return window_; }

 private:
  // In view, and past the frame's opening (until then it answers no key).
  bool shown(const char* name) {
    const bool inView = turnLoopUntil([&] {
      QQuickItem* item = window_.named(QString::fromLatin1(name));
      return item != nullptr && item->isVisible();
    });
    turnLoopUntil([] { return false; }, 100);
    return inView;
  }

  Window window_;
};

TEST(DialogFrame, ReturnPressesTheDefaultButtonOfTheTopFrameOnlyAndEscapeClosesOnlyThatFrame) {
  StackedFrames frames(true);
  EXPECT_EQ(frames.pressing(Qt::Key_Return), "UpperGo");
  EXPECT_EQ(frames.pressing(Qt::Key_Enter), "UpperGo") << "Enter, on the keypad";

  EXPECT_EQ(frames.pressing(Qt::Key_Escape), "");
  ASSERT_TRUE(turnLoopUntil([&] { return frames.window().scene("dismissals").toInt() == 1; })) << "Escape did not close";
  turnLoopUntil([] { return false; }, 100);
  QQuickItem* lowerGo = frames.window().named(QStringLiteral("LowerGo"));
  ASSERT_TRUE(lowerGo != nullptr && lowerGo->isVisible()) << "Escape closed the frame below too";
  EXPECT_EQ(frames.pressing(Qt::Key_Return), "LowerGo") << "the frame below does not answer once the top one closed";

  frames.openUpper();
  EXPECT_EQ(frames.pressing(Qt::Key_Return), "UpperGo") << "opened again, the top frame does not answer";
}

TEST(DialogFrame, ReturnDoesNotReachAFrameUnderOneWithoutADefaultButton) {
  StackedFrames frames(false);
  EXPECT_EQ(frames.pressing(Qt::Key_Return), "");
  EXPECT_EQ(frames.pressing(Qt::Key_Enter), "");
}

// A field on the page keeps Return from the page's own shortcut; a field in a sheet leaves
// it to the sheet's default button, as in any desktop dialog.
TEST(DialogFrame, ReturnInAFieldOfASheetPressesItsDefaultButtonAndInAFieldOfThePageIsTheFields) {
  Window window(QStringLiteral(R"(
    Shortcut { sequences: ["Return", "Enter"]; onActivated: scene.pressed = "page" }
    TextField { objectName: "pageField"; onAccepted: scene.pressed = "pageField" }
    PageSheet {
        objectName: "sheet"
        shown: scene.dismissals === 0 && scene.pressed === "pageField"
        onDismissed: scene.dismissals += 1
        content: Component {
            TextField {
                objectName: "sheetField"
                readonly property string heading: "Name"
                property list<Item> buttons: [
                    Button { objectName: "sheetCancel"; text: "Cancel"; DialogButtonBox.buttonRole: DialogButtonBox.RejectRole },
                    Button { objectName: "sheetGo"; text: "Go"; highlighted: true; onClicked: scene.pressed = "sheetGo" }
                ]
            }
        }
    })"));
  QQuickItem* pageField = window.named(QStringLiteral("pageField"));
  ASSERT_NE(pageField, nullptr);
  pageField->forceActiveFocus();
  window.press(Qt::Key_Return);
  EXPECT_EQ(window.scene("pressed").toString(), "pageField") << "Return in a field on the page";

  ASSERT_TRUE(turnLoopUntil([&] { return window.named(QStringLiteral("sheetField")) && window.named(QStringLiteral("sheetGo"))->isVisible(); }));
  window.named(QStringLiteral("sheetField"))->forceActiveFocus();
  window.press(Qt::Key_Return);
  EXPECT_EQ(window.scene("pressed").toString(), "sheetGo") << "Return in a field of a sheet";
}

// Taller than the window by far: a question with a long message, and a sheet whose content
// is a tall column with a long name in its heading.
const QString longMessage = QStringLiteral("A line of a long message that goes on. ").repeated(400);
const QString tallSheet = QStringLiteral(R"(
    PageSheet {
        objectName: "sheet"
        shown: true
        content: Component {
            Item {
                readonly property string heading: "Allow Tessorin to test “%1”"
                property list<Item> buttons: [
                    Button { objectName: "sheetCancel"; text: "Cancel"; DialogButtonBox.buttonRole: DialogButtonBox.RejectRole },
                    Button { objectName: "sheetGo"; text: "Try Again"; highlighted: true }
                ]
                implicitWidth: 500
                implicitHeight: 2400
            }
        }
    })")
                              .arg(QStringLiteral("My Holiday Photos from Lisbon and Porto 2024 ").repeated(3));

struct FitRow {
  const char* what;
  QString scene;
  QStringList buttons;
  QString body;
};

TEST(DialogFrame, InTheSmallestWindowEveryButtonStaysWholeInViewAndTheBodyScrolls) {
  const std::vector<FitRow> rows = {
      {"a question with a long message", alert({button("Cancel", "RejectRole"), button("Go", "AcceptRole", true)}, longMessage),
       {QStringLiteral("Cancel"), QStringLiteral("Go")}, QStringLiteral("alertBody")},
      {"a sheet with tall content", tallSheet, {QStringLiteral("sheetCancel"), QStringLiteral("sheetGo")},
       QStringLiteral("sheetBody")},
  };
  for (const FitRow& row : rows) {
    Window window(row.scene);
    ASSERT_TRUE(turnLoopUntil([&] {
      QQuickItem* last = window.named(row.buttons.back());
      return last != nullptr && last->isVisible() && last->height() > 0;
    })) << row.what;
    turnLoopUntil([] { return false; }, 100);
    for (const QString& name : row.buttons) {
      QQuickItem* item = window.named(name);
      const QRectF whole = item->mapRectToScene(QRectF(0, 0, item->width(), item->height()));
      const QRectF seen = window.seen(item);
      EXPECT_NEAR(seen.height(), whole.height(), 0.5) << row.what << ": " << name.toStdString() << " is cut";
      EXPECT_NEAR(seen.width(), whole.width(), 0.5) << row.what << ": " << name.toStdString() << " is cut";
      EXPECT_GE(item->height(), item->implicitHeight() - 0.5) << row.what << ": " << name.toStdString() << " is squeezed";
    }
    QQuickItem* body = window.named(row.body);
    ASSERT_NE(body, nullptr) << row.what;
    EXPECT_TRUE(body->property("interactive").toBool()) << row.what << ": the body does not scroll";
    EXPECT_GT(body->property("contentHeight").toReal(), body->height()) << row.what;
  }
}

}  // namespace
}  // namespace tessorin
