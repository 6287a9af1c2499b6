#include "shell/core/AppDelegate.hpp"

#include <filesystem>
#include <future>

#include <QElapsedTimer>
#include <gtest/gtest.h>

#include "ByteLiterals.hpp"
#include "CounterfeitCard.hpp"
#include "SessionFixture.hpp"
#include "shell/core/TerminationSignals.hpp"
#include "tessorin/posix/TestFolder.hpp"

namespace tessorin {
namespace {

using namespace std::chrono_literals;
using namespace testing::literals;
using testing::CounterfeitCard;
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

// A model over the given cards, and a delegate whose quits are counted.
struct World {
  testing::SessionWorld files;
  std::unique_ptr<AppModel> model;
  int quits = 0;
  AppDelegate delegate{[this] { ++quits; }};

  explicit World(std::vector<CardDevice> devices, CardEraseJob::Erase erase = {}) {
    AppModel::Sources sources{[devices](bool) { return devices; }, [] { return std::set<std::string>{}; }, false,
                              std::move(erase), {}};
    model = std::make_unique<AppModel>(files.settings, QUrl::fromLocalFile(files.folder.filePath("History.json")),
                                       testing::smallCardEnvironment(), sources);
    delegate.setModel(model.get());
  }
  ~World() {
    QCoro::waitFor(model->stopAllAndWait());
    turnLoopUntil([this] {
      return std::none_of(model->sessions().begin(), model->sessions().end(),
                          [](CardSession* s) { return s->hasSuspendedCoroutine(); });
    }, 30s);
  }
};

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

// A check on a slow simulated card, up and running.
struct RunningCheck {
  std::unique_ptr<CounterfeitCard> medium = CounterfeitCard::make({.claimed = 512_MiB, .writeBytesPerSecond = 30_MiB});
  CardDevice device = testing::deviceFor(medium->mountPoint(), medium->loopDevice(), 512_MiB);
  World world{{device}};
  CardSession* session = world.model->sessions().front();

  RunningCheck() {
    session->start();
    turnLoopUntil([this] { return std::filesystem::exists(testFolder()); }, 60s);
  }
  std::filesystem::path testFolder() const { return std::filesystem::path(medium->mountPoint()) / TestFolder::name; }
};

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
