// The card page at rest: the verdict's ring pulses while its seal can be seen, and once
// it is scrolled out of sight or its window is minimised the pulse stops and the page
// draws no frame at all, so nothing else on it repaints without a change.

#include <QQuickItem>
#include <QQuickWindow>
#include <gtest/gtest.h>

#include "ByteLiterals.hpp"
#include "FinishedCheckSeam.hpp"
#include "LoadedPage.hpp"
#include "LoopVolume.hpp"
#include "theme/motion/Motion.hpp"
#include "../results/ResultValues.hpp"
#include "../session/SessionFixture.hpp"

namespace tessorin {
namespace {

using namespace std::chrono_literals;
using namespace testing::literals;
using testing::LoadedPage;
using testing::turnLoopUntil;

// The page tests run with motion off; these are about motion.
struct MotionOn {
  MotionOn() { Motion::setEnabled(true); }
  ~MotionOn() { Motion::setEnabled(false); }
};

// Frames the window draws over a while in which nothing changes, once what a change sets
// going has ended (the scroll bar fades out 0.65 s after a scroll).
int framesOver(QQuickWindow& window, std::chrono::milliseconds span) {
  turnLoopUntil([] { return false; }, 1200ms);
  int frames = 0;
  const auto counting = QObject::connect(&window, &QQuickWindow::frameSwapped, [&frames] { ++frames; });
  turnLoopUntil([] { return false; }, span);
  QObject::disconnect(counting);
  return frames;
}

TEST(CardPageMotion, TheVerdictPulsesOnlyWhileItsSealCanBeSeenAndThePageOtherwiseDrawsNothing) {
  TESSORIN_REQUIRE_VOLUMES();
  const MotionOn motion;
  auto volume = testing::LoopVolume::create(testing::FileSystemKind::ext4, 64_MiB);
  testing::SessionWorld world;
  CardSession session(testing::deviceFor(volume->mountPoint(), volume->loopDevice(), 64_MiB), &world.history,
                      world.settings, testing::smallCardEnvironment());
  FinishedCheckSeam::finish(session, {.quick = testing::fakeQuickResult(8'000'000, 16'000'000)});

  LoadedPage page(&session);
  ASSERT_TRUE(page.loaded());
  ASSERT_TRUE(turnLoopUntil([&] { return page.shows("verdictSeal"); }, 5s));
  auto* scroll = qobject_cast<QQuickItem*>(page.find(QStringLiteral("pageScroll")));
  ASSERT_NE(scroll, nullptr);
  QQuickWindow& window = *scroll->window();
  // A window as short as a laptop's, so that the page scrolls.
  window.resize(1000, 500);
  auto* flickable = scroll->property("contentItem").value<QQuickItem*>();
  ASSERT_NE(flickable, nullptr);
  const auto pulsing = [&] { return page.property(QStringLiteral("verdictPulse"), "running").toBool(); };
  EXPECT_TRUE(turnLoopUntil(pulsing, 5s)) << "the seal in sight does not pulse";
  // A whole pulse: the ring draws no frames in the part of it where it has faded away.
  EXPECT_GE(framesOver(window, 1600ms), 4);

  turnLoopUntil([&] { return flickable->property("contentHeight").toReal() > flickable->height() + 300; }, 5s);
  flickable->setProperty("contentY", flickable->property("contentHeight").toReal() - flickable->height());
  EXPECT_TRUE(turnLoopUntil([&] { return !pulsing(); }, 5s)) << "scrolled out of sight, still pulsing";
  EXPECT_EQ(framesOver(window, 600ms), 0) << "the page repaints with nothing in sight that moves";

  flickable->setProperty("contentY", 0);
  EXPECT_TRUE(turnLoopUntil(pulsing, 5s)) << "scrolled back, the pulse does not start again";

  window.showMinimized();
  EXPECT_TRUE(turnLoopUntil([&] { return !pulsing(); }, 5s)) << "minimised, still pulsing";
  EXPECT_EQ(framesOver(window, 600ms), 0) << "a minimised window draws";
  window.showNormal();
  EXPECT_TRUE(turnLoopUntil(pulsing, 5s)) << "shown again, the pulse does not start again";
  EXPECT_TRUE(page.problems().isEmpty()) << page.problems().join(QLatin1Char('\n')).toStdString();
}

}  // namespace
}  // namespace tessorin
