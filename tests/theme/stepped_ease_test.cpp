// A figure that eases to each new value on the shared motion clock (SteppedEase), as the
// progress ring's arc does: from 0.2 to 0.6 over 0.3 s on an ease-out curve, in steps that
// only ever move towards the new value, and at once while motion is off.

#include <QElapsedTimer>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QtQml/qqmlextensionplugin.h>
#include <memory>
#include <utility>
#include <vector>
#include <gtest/gtest.h>

#include "TurnLoop.hpp"
#include "theme/motion/Motion.hpp"
#include "theme/motion/MotionClock.hpp"

Q_IMPORT_QML_PLUGIN(Tessorin_ThemePlugin)

namespace tessorin {
namespace {

using testing::turnLoopUntil;

constexpr const char* scene = R"(
import QtQuick
import Tessorin.Theme
QtObject {
    property real fraction: 0.2
    readonly property real shown: ease.value
    readonly property SteppedEase ease: SteppedEase { id: ease; to: fraction; duration: 300 }
}
)";

struct Ring {
  QQmlEngine engine;
  std::unique_ptr<QObject> root;

  Ring() {
    engine.addImportPath(QStringLiteral("qrc:/"));
    QQmlComponent component(&engine);
    component.setData(scene, QUrl::fromLocalFile(QStringLiteral("/Ease.qml")));
    root.reset(component.create());
    if (!root) ADD_FAILURE() << component.errorString().toStdString();
  }
  double shown() const { return root->property("shown").toDouble(); }
  void set(double fraction) { root->setProperty("fraction", fraction); }
};

TEST(SteppedEaseTest, ANewFractionEasesOutToItsLengthOverThreeTenthsOfASecond) {
  Ring ring;
  ASSERT_TRUE(ring.root);
  EXPECT_DOUBLE_EQ(ring.shown(), 0.2) << "the first fraction is drawn as it is, not eased in from nothing";

  QElapsedTimer clock;
  clock.start();
  ring.set(0.6);
  EXPECT_DOUBLE_EQ(ring.shown(), 0.2) << "jumped at once";
  std::vector<std::pair<qint64, double>> steps;
  ASSERT_TRUE(turnLoopUntil([&] {
    if (steps.empty() || steps.back().second != ring.shown()) steps.emplace_back(clock.elapsed(), ring.shown());
    return ring.shown() == 0.6;
  })) << "never reached its new length";
  EXPECT_GE(steps.back().first, 300) << "reached its length before its time";
  EXPECT_GE(steps.size(), 2U) << "jumped to its length instead of easing";
  for (std::size_t i = 1; i < steps.size(); ++i) {
    EXPECT_GT(steps[i].second, steps[i - 1].second) << "went back at step " << i;
    EXPECT_LE(steps[i].second, 0.6) << "overshot at step " << i;
  }

  // And back down, from where it stands.
  ring.set(0.3);
  EXPECT_TRUE(turnLoopUntil([&] { return ring.shown() < 0.6 && ring.shown() > 0.3; })) << "jumped back";
  EXPECT_TRUE(turnLoopUntil([&] { return ring.shown() == 0.3; }));
}

TEST(SteppedEaseTest, TheCurveSlowsTowardsItsEnd) {
  const MotionClock clock;
  EXPECT_DOUBLE_EQ(clock.easeOut(0), 0);
  EXPECT_DOUBLE_EQ(clock.easeOut(1), 1);
  EXPECT_DOUBLE_EQ(clock.easeOut(2), 1) << "past its end";
  double before = 0;
  for (int tenths = 1; tenths < 10; ++tenths) {
    const double t = tenths / 10.0;
    EXPECT_GT(clock.easeOut(t), t) << "an ease-out runs ahead of the time at " << t;
    EXPECT_GT(clock.easeOut(t), before) << "went back at " << t;
    before = clock.easeOut(t);
  }
  EXPECT_GT(clock.easeOut(0.2) - clock.easeOut(0), clock.easeOut(1) - clock.easeOut(0.8)) << "does not slow down";
}

TEST(SteppedEaseTest, WithMotionOffANewFractionIsDrawnAtOnce) {
  Motion::setEnabled(false);
  Ring ring;
  ASSERT_TRUE(ring.root);
  ring.set(0.6);
  EXPECT_DOUBLE_EQ(ring.shown(), 0.6);
  Motion::setEnabled(true);
}

}  // namespace
}  // namespace tessorin
