// An endless motion bound to OnScreen.shown runs only while its item can be seen: it
// stops, and the window stops drawing, when the item is scrolled out of its Flickable,
// clipped away, on a page another page covers, or in a window that is minimised or
// hidden; and it starts again when the item comes back. One bound to OnScreen.lively also
// keeps still while the desktop asks for reduced motion, and for nothing else: not for a
// window without the focus, not for a long while without input. Real windows of Qt Quick.

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QtQml/qqmlextensionplugin.h>
#include <functional>
#include <memory>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "TurnLoop.hpp"
#include "theme/motion/OnScreen.hpp"
#include "theme/motion/ReducedMotion.hpp"

Q_IMPORT_QML_PLUGIN(Tessorin_ThemePlugin)

namespace tessorin {
namespace {

// A spinner in a tall Flickable, another behind a clipping frame, and a third on the
// second page of a StackLayout: each turns while OnScreen says it is shown.
constexpr const char* scene = R"(
import QtQuick
import QtQuick.Layouts
import Tessorin.Theme

Item {
    width: 400
    height: 300

    // Unclipped: what is scrolled past its viewport still lies inside the window.
    Flickable {
        objectName: "flickable"
        y: 150
        width: 200
        height: 150
        contentHeight: 2000

        Rectangle {
            y: 50
            width: 50
            height: 50
            RotationAnimation on rotation {
                objectName: "scrolled"
                from: 0; to: 360; duration: 1000; loops: Animation.Infinite
                running: OnScreen.shown
            }
        }
    }

    Item {
        objectName: "frame"
        x: 250
        width: 100
        height: 100
        clip: true

        Rectangle {
            objectName: "clippedSpinner"
            width: 20
            height: 20
            RotationAnimation on rotation {
                objectName: "clipped"
                from: 0; to: 360; duration: 1000; loops: Animation.Infinite
                running: OnScreen.shown
            }
        }
    }

    StackLayout {
        objectName: "pages"
        x: 250
        y: 150
        width: 100
        height: 100
        Item {}
        Item {
            Rectangle {
                width: 20
                height: 20
                RotationAnimation on rotation {
                    objectName: "paged"
                    from: 0; to: 360; duration: 1000; loops: Animation.Infinite
                    running: OnScreen.shown
                }
            }
        }
    }
}
)";

using testing::turnLoopUntil;

struct Scene {
  QQmlEngine engine;
  std::unique_ptr<QQuickView> view = std::make_unique<QQuickView>(&engine, nullptr);
  int frames = 0;

  Scene() {
    engine.addImportPath(QStringLiteral("qrc:/"));
    QObject::connect(view.get(), &QQuickWindow::frameSwapped, [this] { ++frames; });
    QQmlComponent component(&engine);
    component.setData(scene, QUrl::fromLocalFile(QStringLiteral("/OnScreenScene.qml")));
    auto* root = qobject_cast<QQuickItem*>(component.create());
    if (root == nullptr) ADD_FAILURE() << component.errorString().toStdString() << component.status();
    view->setContent(QUrl(), nullptr, root);
    view->resize(400, 300);
    view->show();
    turnLoopUntil([this] { return view->isExposed() && frames > 0; });
  }
  QObject* named(const char* name) const { return view->rootObject()->findChild<QObject*>(QLatin1String(name)); }
  bool running(const char* animation) const { return named(animation)->property("running").toBool(); }
  // Frames drawn over a while in which nothing but the animations changes.
  int framesOver(int milliseconds) {
    turnLoopUntil([] { return false; }, 100);
    frames = 0;
    turnLoopUntil([] { return false; }, milliseconds);
    return frames;
  }
};

TEST(OnScreenTest, AMotionRunsOnlyWhileItsItemIsInSightAndTheWindowDrawsNothingOnceAllAreOutOfSight) {
  Scene shown;
  ASSERT_NE(shown.view->rootObject(), nullptr);
  ASSERT_TRUE(turnLoopUntil([&] { return shown.running("scrolled") && shown.running("clipped"); }));
  EXPECT_FALSE(shown.running("paged")) << "the second page of the stack is covered by the first";
  EXPECT_GT(shown.framesOver(300), 3) << "the spinners in sight do not draw";

  // Out of sight one by one: scrolled past, moved out of its clipping frame.
  shown.named("flickable")->setProperty("contentY", 150);
  EXPECT_TRUE(turnLoopUntil([&] { return !shown.running("scrolled"); })) << "scrolled out of sight, still turning";
  EXPECT_TRUE(shown.running("clipped"));
  shown.named("clippedSpinner")->setProperty("x", 150);
  EXPECT_TRUE(turnLoopUntil([&] { return !shown.running("clipped"); })) << "clipped away, still turning";
  EXPECT_EQ(shown.framesOver(500), 0) << "frames drawn with every motion out of sight";

  // Back in sight, each starts again.
  shown.named("flickable")->setProperty("contentY", 20);
  EXPECT_TRUE(turnLoopUntil([&] { return shown.running("scrolled"); })) << "scrolled back, still standing";
  shown.named("pages")->setProperty("currentIndex", 1);
  EXPECT_TRUE(turnLoopUntil([&] { return shown.running("paged"); })) << "its page shown, still standing";
  shown.named("pages")->setProperty("currentIndex", 0);
  EXPECT_TRUE(turnLoopUntil([&] { return !shown.running("paged"); })) << "its page covered, still turning";
}

TEST(OnScreenTest, AMinimisedOrHiddenWindowStopsItsMotionsAndTheyResumeWhenItIsShownAgain) {
  const struct {
    const char* how;
    std::function<void(QQuickView&)> leave;
  } cases[] = {
      {"minimised", [](QQuickView& view) { view.showMinimized(); }},
      {"hidden", [](QQuickView& view) { view.hide(); }},
  };
  for (const auto& test : cases) {
    Scene shown;
    ASSERT_TRUE(turnLoopUntil([&] { return shown.running("scrolled"); })) << test.how;
    test.leave(*shown.view);
    EXPECT_TRUE(turnLoopUntil([&] { return !shown.running("scrolled") && !shown.running("clipped"); })) << test.how;
    EXPECT_EQ(shown.framesOver(500), 0) << test.how;
    shown.view->showNormal();
    EXPECT_TRUE(turnLoopUntil([&] { return shown.running("scrolled"); })) << test.how << ", then shown again";
  }
}

// A pulse stepped by the shared clock, in a window of its own.
constexpr const char* livelyScene = R"(
import QtQuick
import Tessorin.Theme
Rectangle {
    width: 100; height: 100
    property bool lively: OnScreen.lively
    property alias pulsing: pulse.running
    property alias phase: pulse.phase
    opacity: 1 - 0.5 * pulse.phase
    SteppedLoop { id: pulse; period: 1600; running: OnScreen.lively }
}
)";

struct LivelyScene {
  QQmlEngine engine;
  QQuickView view{&engine, nullptr};
  int frames = 0;

  LivelyScene() {
    engine.addImportPath(QStringLiteral("qrc:/"));
    QObject::connect(&view, &QQuickWindow::frameSwapped, [this] { ++frames; });
    QQmlComponent component(&engine);
    component.setData(livelyScene, QUrl::fromLocalFile(QStringLiteral("/Lively.qml")));
    view.setContent(QUrl(), nullptr, component.create());
    view.show();
    view.requestActivate();
    turnLoopUntil([this] { return view.isActive(); });
  }
  bool lively() const { return view.rootObject()->property("lively").toBool(); }
  bool pulsing() const { return view.rootObject()->property("pulsing").toBool(); }
  // Whether the pulse still steps and the window still draws it, over a second.
  bool stepping() {
    const qreal phase = view.rootObject()->property("phase").toReal();
    frames = 0;
    turnLoopUntil([] { return false; }, 1000);
    return frames >= 3 && view.rootObject()->property("phase").toReal() != phase;
  }
};

// A motion in sight goes on for as long as it is shown: another window taking the focus
// and a long while without input (longer than any pause a motion might once have made
// for its cost) do not stop it.
TEST(OnScreenTest, AMotionGoesOnInAWindowWithoutTheFocusAndLongAfterTheLastInput) {
  QQuickView other;
  LivelyScene scene;
  ASSERT_NE(scene.view.rootObject(), nullptr);
  ASSERT_TRUE(turnLoopUntil([&] { return scene.pulsing(); })) << "no pulse at first";
  other.show();
  other.requestActivate();
  ASSERT_TRUE(turnLoopUntil([&] { return !scene.view.isActive(); })) << "the other window never took the focus";
  EXPECT_TRUE(scene.stepping()) << "stopped when another window took the focus";
  turnLoopUntil([] { return false; }, 12'000);
  EXPECT_TRUE(scene.lively() && scene.pulsing()) << "stopped without input";
  EXPECT_TRUE(scene.stepping()) << "no longer drawn without input";
}

// The desktop asking for reduced motion keeps a motion in sight still, until it no longer asks.
TEST(OnScreenTest, AMotionKeepsStillWhileTheDesktopAsksForReducedMotion) {
  LivelyScene scene;
  ASSERT_NE(scene.view.rootObject(), nullptr);
  ASSERT_TRUE(turnLoopUntil([&] { return scene.pulsing(); }));
  ReducedMotion::instance().setRequested(true);
  EXPECT_TRUE(turnLoopUntil([&] { return !scene.lively() && !scene.pulsing(); })) << "moves although asked not to";
  EXPECT_FALSE(scene.stepping()) << "still drawn";
  ReducedMotion::instance().setRequested(false);
  EXPECT_TRUE(turnLoopUntil([&] { return scene.pulsing(); })) << "still once the desktop no longer asks";
}

TEST(ReducedMotionTest, AKdeAnimationSpeedOfZeroAsksForStillness) {
  const struct {
    const char* file;
    bool still;
  } cases[] = {
      {"[KDE]\nAnimationDurationFactor=0\n", true},
      {"[KDE]\nAnimationDurationFactor=0.5\n", false},
      {"[KDE]\nSingleClick=false\n", false},
  };
  for (const auto& test : cases) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("kdeglobals"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(test.file);
    file.close();
    EXPECT_EQ(ReducedMotion::kdeGlobalsAskForStillness(path).value_or(false), test.still) << test.file;
  }
}

TEST(ReducedMotionTest, AFifoInPlaceOfTheDesktopsSettingsIsPassedOverNotWaitedOn) {
  QTemporaryDir folder;
  ASSERT_EQ(::mkfifo(QFile::encodeName(folder.filePath(QStringLiteral("kdeglobals"))).constData(), 0600), 0);
  const QByteArray configHome = qgetenv("XDG_CONFIG_HOME");
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder.path()));
  EXPECT_FALSE(ReducedMotion::kdeAsksForStillness());
  if (configHome.isNull()) {
    qunsetenv("XDG_CONFIG_HOME");
  } else {
    qputenv("XDG_CONFIG_HOME", configHome);
  }
}

TEST(OnScreenTest, AnItemOutsideAnyWindowIsNotShown) {
  QQmlEngine engine;
  engine.addImportPath(QStringLiteral("qrc:/"));
  QQmlComponent component(&engine);
  component.setData("import QtQuick\nimport Tessorin.Theme\nItem { property bool shown: OnScreen.shown }",
                    QUrl::fromLocalFile(QStringLiteral("/Alone.qml")));
  std::unique_ptr<QObject> alone(component.create());
  ASSERT_NE(alone, nullptr) << component.errorString().toStdString();
  EXPECT_FALSE(alone->property("shown").toBool());
}

}  // namespace
}  // namespace tessorin
