// A size class fixes a control's height, whatever the button's role, label, symbol, font or
// state, so the buttons of one row line up: real buttons of the house's controls style and
// the glowing main button, made by a QML engine as the views make them.

#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QtQml/qqmlextensionplugin.h>
#include <memory>
#include <gtest/gtest.h>

#include "theme/ControlSize.hpp"
#include "theme/style/HouseStyle.hpp"

Q_IMPORT_QML_PLUGIN(Tessorin_ThemePlugin)
Q_IMPORT_QML_PLUGIN(Tessorin_Theme_StylePlugin)

namespace tessorin {
namespace {

class ControlSizeTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    useHouseStyle();
    engine_ = new QQmlEngine;
    engine_->addImportPath(QStringLiteral("qrc:/"));
  }
  static void TearDownTestSuite() {
    delete engine_;
    engine_ = nullptr;
  }

  // `item` (a QML object declaration) in a scene that imports what the views import.
  static std::unique_ptr<QQuickItem> make(const QString& item) {
    QQmlComponent component(engine_);
    const QString scene = QStringLiteral("import Tessorin.Theme\n"
                                         "import Tessorin.Theme.Style as Style\n"
                                         "import QtQuick\n"
                                         "import QtQuick.Controls\n") +
                          item;
    component.setData(scene.toUtf8(), QUrl::fromLocalFile(QStringLiteral("/ControlSizeScene.qml")));
    std::unique_ptr<QQuickItem> made(qobject_cast<QQuickItem*>(component.create()));
    EXPECT_NE(made, nullptr) << component.errorString().toStdString();
    return made;
  }

  static inline QQmlEngine* engine_ = nullptr;
};

QString sizeName(ControlSize::Size size) {
  switch (size) {
    case ControlSize::Small:
      return QStringLiteral("Small");
    case ControlSize::Regular:
      break;
    case ControlSize::Large:
      return QStringLiteral("Large");
  }
  return QStringLiteral("Regular");
}

TEST_F(ControlSizeTest, EveryButtonOfOneSizeClassHasItsHeight) {
  const QString roles[] = {QStringLiteral("Prominent"), QStringLiteral("Bordered"), QStringLiteral("Destructive"),
                           QStringLiteral("Link"), QStringLiteral("Plain")};
  // What a view puts on a button: a word, a symbol beside it, a smaller font, a long label
  // in a narrow button, a disabled or pressed state, a dialog's default button by flag.
  const QString labels[] = {
      QStringLiteral("text: \"Stop\""),
      QStringLiteral("text: \"Stop\"; icon.name: \"stop.fill\""),
      QStringLiteral("text: \"Delete Test Files\"; font: Typography.footnote"),
      QStringLiteral("text: \"Confirm With Advanced Test and a label far too long\"; width: 80"),
      QStringLiteral("text: \"Share\"; icon.name: \"person.3.fill\"; enabled: false"),
      QStringLiteral("text: \"Pressed\"; down: true"),
  };
  for (const auto size : {ControlSize::Small, ControlSize::Regular, ControlSize::Large}) {
    const int height = ControlSize::buttonHeightOf(size);
    for (const QString& role : roles) {
      for (const QString& label : labels) {
        const auto button = make(QStringLiteral("Button { %1; ControlSize.size: ControlSize.%2; "
                                                "Style.ButtonRole.role: Style.ButtonRole.%3 }")
                                     .arg(label, sizeName(size), role));
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->implicitHeight(), height) << sizeName(size).toStdString() << " " << role.toStdString()
                                                     << " button, " << label.toStdString();
      }
    }
    const auto highlighted = make(QStringLiteral("Button { text: \"Continue\"; highlighted: true; "
                                                 "ControlSize.size: ControlSize.%1 }")
                                      .arg(sizeName(size)));
    ASSERT_NE(highlighted, nullptr);
    EXPECT_EQ(highlighted->implicitHeight(), height) << "a dialog's default button, " << sizeName(size).toStdString();
  }
}

TEST_F(ControlSizeTest, TheGlowingMainButtonIsItsLabelPaddedByFourteenAboveAndBelowWhateverItsSizeClass) {
  for (const char* size : {"Regular", "Large"}) {
    const auto glowing = make(QStringLiteral("GlowButton { text: \"Eject Card\"; symbol: \"eject.fill\"; "
                                             "ControlSize.size: ControlSize.%1 }")
                                  .arg(size));
    ASSERT_NE(glowing, nullptr);
    auto* label = glowing->property("contentItem").value<QQuickItem*>();
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(glowing->implicitHeight(), label->implicitHeight() + 28) << size;
    // Its title-sized label makes it stand taller than the large buttons beside it.
    EXPECT_GT(glowing->implicitHeight(), ControlSize::buttonHeightOf(ControlSize::Large)) << size;
  }
}

TEST_F(ControlSizeTest, OnlyALabelTallerThanItsClassGrowsAButton) {
  // A very large system font must not be cut off by the class's height.
  const auto button = make(QStringLiteral("Button { text: \"Finish Here\"; font.pixelSize: 60 }"));
  ASSERT_NE(button, nullptr);
  EXPECT_GT(button->implicitHeight(), ControlSize::buttonHeightOf(ControlSize::Regular));
  auto* label = button->property("contentItem").value<QQuickItem*>();
  ASSERT_NE(label, nullptr);
  EXPECT_GE(button->implicitHeight(), label->implicitHeight());
}

TEST_F(ControlSizeTest, TheClassesGrowAndABusySignTakesItsClassSide) {
  EXPECT_LT(ControlSize::buttonHeightOf(ControlSize::Small), ControlSize::buttonHeightOf(ControlSize::Regular));
  EXPECT_LT(ControlSize::buttonHeightOf(ControlSize::Regular), ControlSize::buttonHeightOf(ControlSize::Large));
  for (const auto size : {ControlSize::Small, ControlSize::Regular, ControlSize::Large}) {
    const auto busy =
        make(QStringLiteral("BusyIndicator { running: true; ControlSize.size: ControlSize.%1 }").arg(sizeName(size)));
    ASSERT_NE(busy, nullptr);
    EXPECT_EQ(busy->implicitWidth(), ControlSize::indicatorSizeOf(size)) << sizeName(size).toStdString();
    EXPECT_EQ(busy->implicitHeight(), ControlSize::indicatorSizeOf(size)) << sizeName(size).toStdString();
  }
}

}  // namespace
}  // namespace tessorin
