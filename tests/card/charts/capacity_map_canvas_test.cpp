// How the card map changes colour when a new map arrives.

#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQmlParserStatus>
#include <QSignalSpy>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>
#include <gtest/gtest.h>
#include <memory>

#include "card/charts/CapacityMapCanvas.hpp"
#include "theme/Palette.hpp"

Q_IMPORT_QML_PLUGIN(Tessorin_ThemePlugin)

namespace tessorin {
namespace {

constexpr std::uint64_t GB = 1'000'000'000;

// A 256 GB map written up to `written` bytes, with every byte read back good up to `good`.
CapacityMapInput map(std::uint64_t written, std::uint64_t good = 0) {
  CapacityMapInput input{CapacityMap(256 * GB)};
  if (written > 0) input.map.markWritten(0, written);
  if (good > 0) input.map.recordChecked(0, good, good / 512, 0);
  return input;
}

// A canvas as QML makes one: its first map set while it is being created.
struct ShownCanvas {
  CapacityMapCanvas canvas;
  explicit ShownCanvas(const CapacityMapInput& first) {
    static_cast<QQmlParserStatus&>(canvas).classBegin();
    canvas.setInput(first);
    static_cast<QQmlParserStatus&>(canvas).componentComplete();
  }
};

TEST(CapacityMapCanvasTest, TheMapAViewIsCreatedWithShowsAtOnce) {
  ShownCanvas shown(map(10 * GB));
  EXPECT_FALSE(shown.canvas.changing());
  EXPECT_EQ(shown.canvas.shownColors()[0], CapacityMapCanvas::cellColor(CapacityMap::Cell::written, QColor(128, 128, 128)));
}

TEST(CapacityMapCanvasTest, ANewMapFadesFromTheColoursShownToItsOwn) {
  ShownCanvas shown(map(10 * GB));
  const CapacityMapCanvas::Colors before = shown.canvas.shownColors();
  shown.canvas.setInput(map(10 * GB, 10 * GB));
  ASSERT_TRUE(shown.canvas.changing());
  EXPECT_EQ(shown.canvas.shownColors(), before) << "the change starts where the map was";
  ASSERT_TRUE(QTest::qWaitFor([&] { return !shown.canvas.changing(); }, 10'000));
  EXPECT_EQ(shown.canvas.shownColors()[0], Palette::green());
  EXPECT_EQ(shown.canvas.shownColors()[255], before[255]) << "cells the new map leaves alone keep their colour";
}

// In a window, the fade steps with the window's one motion clock, so it is drawn in the
// frames the window's other motions draw: it holds that clock while it runs, lets it go
// when it ends or when the map goes mid-fade, and moves only on the clock's ticks.
TEST(CapacityMapCanvasTest, AFadeInAWindowStepsWithTheWindowsClock) {
  QQmlEngine engine;
  engine.addImportPath(QStringLiteral("qrc:/"));
  // A window's engine has the theme's module imported, its clock among it.
  QQmlComponent theme(&engine);
  theme.setData("import Tessorin.Theme\nimport QtQml\nQtObject {}", QUrl::fromLocalFile(QStringLiteral("/Theme.qml")));
  std::unique_ptr<QObject> imported(theme.create());
  ASSERT_TRUE(imported) << theme.errorString().toStdString();
  auto shown = std::make_unique<ShownCanvas>(map(10 * GB));
  QQmlEngine::setContextForObject(&shown->canvas, engine.rootContext());
  MotionClock* clock = MotionClock::of(&shown->canvas);
  ASSERT_NE(clock, nullptr);
  const CapacityMapCanvas::Colors before = shown->canvas.shownColors();

  QSignalSpy ticks(clock, &MotionClock::ticked);
  shown->canvas.setInput(map(10 * GB, 10 * GB));
  EXPECT_EQ(clock->holders(), 1);
  QCoreApplication::processEvents();
  if (ticks.isEmpty()) {
    EXPECT_EQ(shown->canvas.shownColors(), before) << "moved between two ticks";
  }
  ASSERT_TRUE(QTest::qWaitFor([&] { return !shown->canvas.changing(); }, 10'000));
  EXPECT_EQ(clock->holders(), 0) << "the clock runs on after the fade";
  EXPECT_EQ(shown->canvas.shownColors()[0], Palette::green());

  shown->canvas.setInput(map(20 * GB, 10 * GB));
  ASSERT_EQ(clock->holders(), 1);
  shown.reset();
  EXPECT_EQ(clock->holders(), 0) << "a map gone mid-fade still holds the clock";
}

TEST(CapacityMapCanvasTest, AReportThatRecoloursNoCellStartsNoChange) {
  ShownCanvas shown(map(10 * GB, 4 * GB));
  // More good sectors in a cell that was good already.
  CapacityMapInput more = map(10 * GB, 4 * GB);
  more.map.recordChecked(0, GB / 2, GB / 2 / 512, 0);
  shown.canvas.setInput(more);
  EXPECT_FALSE(shown.canvas.changing());
  EXPECT_EQ(shown.canvas.input(), more) << "the new map is still taken";
}

TEST(CapacityMapCanvasTest, TheChangeEasesInAndOut) {
  const QEasingCurve curve = CapacityMapCanvas::changeCurve();
  EXPECT_DOUBLE_EQ(curve.valueForProgress(0), 0);
  EXPECT_NEAR(curve.valueForProgress(0.5), 0.5, 1e-3);
  EXPECT_DOUBLE_EQ(curve.valueForProgress(1), 1);
  EXPECT_LT(curve.valueForProgress(0.2), 0.2) << "slow to leave";
  EXPECT_GT(curve.valueForProgress(0.8), 0.8) << "slow to settle";
  EXPECT_GT(curve.valueForProgress(0.6) - curve.valueForProgress(0.4), 0.2) << "fast across the middle";
}

TEST(CapacityMapCanvasTest, ABlendRunsEveryChannelFromOneColourToTheOther) {
  const QColor from = QColor::fromRgbF(0, 0.2f, 1, 0.14f);
  const QColor to = QColor::fromRgbF(1, 0.6f, 0, 1);
  EXPECT_EQ(CapacityMapCanvas::blend(from, to, 0), from);
  EXPECT_EQ(CapacityMapCanvas::blend(from, to, 1), to);
  const QColor half = CapacityMapCanvas::blend(from, to, 0.5);
  EXPECT_NEAR(half.redF(), 0.5, 1e-3);
  EXPECT_NEAR(half.greenF(), 0.4, 1e-3);
  EXPECT_NEAR(half.blueF(), 0.5, 1e-3);
  EXPECT_NEAR(half.alphaF(), 0.57, 1e-3);
}

}  // namespace
}  // namespace tessorin
