#include "shell/core/AppDelegate.hpp"

#include <filesystem>
#include <future>

#include <QElapsedTimer>
#include <gtest/gtest.h>

#include "ShellWorld.hpp"
#include "shell/core/TerminationSignals.hpp"

namespace tessorin {
namespace {

using namespace std::chrono_literals;
using namespace testing::literals;
using testing::turnLoopUntil;
using Kind = CardSessionStage::Kind;
using Reply = AppDelegate::Reply;

CardDevice card(const std::string& id) {
  CardDevice device;
  device.id = id;
  device.bsdName = "sdx1";
  device.volumeURL = "/nonexistent/" + id;
  device.volumeName = id;
  device.mediaBytes = 8_GiB;
  return device;
}

using World = testing::QuitWorld;

TEST(AppDelegate, QuitsAtOnceWithoutAModelOrWithEverySessionAtRestAndAsksWhileAnyOneIsBusy) {
  AppDelegate withoutModel;
  EXPECT_EQ(withoutModel.shouldTerminate(), Reply::now);

  const std::vector<std::pair<CardSessionStage, Reply>> cases = {
      {CardSessionStage::idle(), Reply::now},
      {CardSessionStage::finished(), Reply::now},
      {CardSessionStage::quick(QuickProbeProgress{}), Reply::later},
      {CardSessionStage::full(FullTest::Progress::Phase::verifying), Reply::later},
      {CardSessionStage::reinsert(true), Reply::later},
      {CardSessionStage::decision(), Reply::later},
      {CardSessionStage::erasing(), Reply::later},
  };
  for (const auto& [stage, reply] : cases) {
    World world({card("A"), card("B")});
    world.model->sessions().back()->setStage(stage);
    EXPECT_EQ(world.delegate.shouldTerminate(), reply) << static_cast<int>(stage.kind);
    EXPECT_EQ(world.delegate.quitAlertShown(), reply == Reply::later);
    world.model->sessions().back()->setStage(CardSessionStage::idle());
  }
}

TEST(AppDelegate, KeepTestingLeavesEverythingAndOnlyOneAlertStandsAtATime) {
  World world({card("A")});
  CardSession* session = world.model->sessions().front();
  session->setStage(CardSessionStage::decision());

  world.delegate.requestQuit();
  ASSERT_TRUE(world.delegate.quitAlertShown());
  world.delegate.requestQuit();
  EXPECT_EQ(world.quits, 0);
  // The system does not ask; it takes over the standing alert, and quits once.
  world.delegate.terminateFromSystem();
  world.delegate.terminateFromSystem();
  EXPECT_FALSE(world.delegate.quitAlertShown());
  ASSERT_TRUE(turnLoopUntil([&] { return world.quits == 1; }, 35s));
  EXPECT_TRUE(session->stage().isAtRest());
  turnLoopUntil([] { return false; }, 300ms);
  EXPECT_EQ(world.quits, 1);

  World kept({card("B")});
  kept.model->sessions().front()->setStage(CardSessionStage::decision());
  kept.delegate.requestQuit();
  kept.delegate.keepTesting();
  EXPECT_FALSE(kept.delegate.quitAlertShown());
  EXPECT_EQ(kept.model->sessions().front()->stage().kind, Kind::decision);
  EXPECT_EQ(kept.quits, 0);
}

TEST(AppDelegate, ARunningEraseIsBusyAndQuitAnywayWaitsForItToEnd) {
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  World world({card("A")}, [released](const ExpectedCard&, const QString&, const std::set<std::string>&) {
    released.wait();
    return std::string("/media/CARD");
  });
  ASSERT_NE(world.model->eraseJob()->start(ExpectedCard::of(card("A")), "CARD", {}), 0u);
  EXPECT_EQ(world.model->eraseJob()->start(ExpectedCard::of(card("A")), "CARD", {}), 0u) << "one erase at a time";

  world.delegate.requestQuit();
  ASSERT_TRUE(world.delegate.quitAlertShown());
  world.delegate.quitAnyway();
  turnLoopUntil([] { return false; }, 300ms);
  EXPECT_EQ(world.quits, 0) << "quit before the erase ended";
  release.set_value();
  ASSERT_TRUE(turnLoopUntil([&] { return world.quits == 1; }, 10s));
  EXPECT_FALSE(world.model->eraseJob()->running());
}

using testing::RunningCheck;

TEST(AppDelegate, QuitAnywayDuringARealCheckStopsItRemovesItsFilesAndQuitsWithinThirtySeconds) {
  TESSORIN_REQUIRE_VOLUMES();
  RunningCheck check;
  ASSERT_TRUE(check.session->stage().isBusy());
  ASSERT_TRUE(std::filesystem::exists(check.testFolder()));

  check.world.delegate.requestQuit();
  ASSERT_TRUE(check.world.delegate.quitAlertShown());
  check.world.delegate.keepTesting();
  turnLoopUntil([] { return false; }, 200ms);
  EXPECT_TRUE(check.session->stage().isBusy()) << "Keep Testing stopped the check";

  check.world.delegate.requestQuit();
  QElapsedTimer clock;
  clock.start();
  check.world.delegate.quitAnyway();
  ASSERT_TRUE(turnLoopUntil([&] { return check.world.quits == 1; }, 35s));
  EXPECT_LT(clock.elapsed(), 30'000);
  EXPECT_TRUE(check.session->stage().isAtRest());
  EXPECT_FALSE(std::filesystem::exists(check.testFolder()));
}

TEST(AppDelegate, SigtermDuringARealCheckStopsItWithoutAsking) {
  TESSORIN_REQUIRE_VOLUMES();
  RunningCheck check;
  ASSERT_TRUE(std::filesystem::exists(check.testFolder()));
  TerminationSignals signals;
  QObject::connect(&signals, &TerminationSignals::requested, &check.world.delegate,
                   [&check](int) { check.world.delegate.terminateFromSystem(); });
  ASSERT_EQ(::raise(SIGTERM), 0);
  ASSERT_TRUE(turnLoopUntil([&] { return check.world.quits == 1; }, 35s));
  EXPECT_FALSE(check.world.delegate.quitAlertShown());
  EXPECT_TRUE(check.session->stage().isAtRest());
  EXPECT_FALSE(std::filesystem::exists(check.testFolder()));
}

}  // namespace
}  // namespace tessorin
