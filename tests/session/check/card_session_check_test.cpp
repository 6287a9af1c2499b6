#include "session/check/CardSession.hpp"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "ByteLiterals.hpp"
#include "Command.hpp"
#include "CounterfeitCard.hpp"
#include "LoopVolume.hpp"
#include "UnremovableTestFolder.hpp"
#include "../SessionFixture.hpp"
#include "results/outcome/OutcomePanelModel.hpp"
#include "results/outcome/PlainTextSummary.hpp"
#include "results/outcome/VerdictHeadlineModel.hpp"
#include "session/settings/ReaderBestRead.hpp"
#include "tessorin/pattern/TestPattern.hpp"
#include "tessorin/posix/TestFolder.hpp"

namespace tessorin {
namespace {

using namespace std::chrono_literals;
using namespace testing::literals;
using testing::CounterfeitCard;
using testing::deviceFor;
using testing::turnLoopUntil;
using Kind = CardSessionStage::Kind;
using Phase = FullTest::Progress::Phase;
using Verdict = CheckOutcome::Verdict;

// A session over a card from the harness, with every stage it passes through recorded.
struct Checked {
  testing::SessionWorld world;
  std::unique_ptr<CounterfeitCard> card;
  std::unique_ptr<CardSession> session;
  std::vector<CardSessionStage> stages;

  explicit Checked(CounterfeitCard::Options options, std::uint64_t mediaBytes = 0,
                   CardSession::Environment environment = testing::smallCardEnvironment()) {
    card = CounterfeitCard::make(options);
    session = std::make_unique<CardSession>(
        deviceFor(card->mountPoint(), card->loopDevice(), mediaBytes ? mediaBytes : options.claimed),
        &world.history, world.settings, std::move(environment));
    QObject::connect(session.get(), &CardSession::stageChanged, [this] { stages.push_back(session->stage()); });
  }
  ~Checked() {
    // The coroutine must be over before the session goes.
    if (session) {
      session->stop();
      turnLoopUntil([this] { return !session->hasSuspendedCoroutine(); }, 60s);
    }
  }

  // Runs a check that asks for the card to be taken out and put back, up to that wait.
  bool runUntilReinsertion() {
    world.settings.setValue("ReinsertBeforeVerify", true);
    session->start();
    return reached(Kind::reinsert);
  }
  bool reached(Kind kind, std::chrono::milliseconds limit = 120s) {
    return turnLoopUntil([&] { return session->stage().kind == kind; }, limit);
  }
  bool reachedPhase(Phase phase, std::chrono::milliseconds limit = 120s) {
    return turnLoopUntil([&] { return session->stage() == CardSessionStage::full(phase); }, limit);
  }
  // The card found again showing the test folder an earlier check left: a new session
  // over it. A read-only volume is used only once the user has picked it, as here.
  void rescanWithLeftovers() {
    CardSession::Environment picking = testing::smallCardEnvironment();
    picking.folderPicker = [folder = QString::fromStdString(card->mountPoint())](
                               const QString&, const QString&, std::function<void(std::optional<QString>)> answer) {
      answer(folder);
    };
    CardDevice device = deviceFor(card->mountPoint(), card->loopDevice(), card->options().claimed);
    device.hasLeftoverTestFiles = true;
    session = std::make_unique<CardSession>(device, &world.history, world.settings, picking);
  }
  // Checks the card to the end; a check that stops at the decision is finished there.
  bool checkToTheEnd() {
    const auto over = [&] { return session->stage().kind == Kind::decision || (session->stage().isAtRest() && !session->task()); };
    session->check();
    // The card's folder is opened on a worker; a card the session may not write to asks for it.
    turnLoopUntil([&] { return session->permissionRequest() || over(); }, 120s);
    if (session->permissionRequest()) session->handlePermissionGrant();
    const bool ended = turnLoopUntil(over, 120s);
    if (session->stage().kind == Kind::decision) session->stop();
    return ended;
  }
  bool saw(const CardSessionStage& stage) const { return std::find(stages.begin(), stages.end(), stage) != stages.end(); }
  bool sawKind(Kind kind) const {
    return std::any_of(stages.begin(), stages.end(), [kind](const CardSessionStage& s) { return s.kind == kind; });
  }
};

// The FUSE daemon of an exFAT card's volume, stopped while the object lives: every look
// at the volume waits, as on a failing card whose reads time out one after another.
class UnansweringFileSystem {
 public:
  explicit UnansweringFileSystem(const std::string& mountPoint) : daemon_(daemonOf(mountPoint)) {
    if (daemon_ > 0) ::kill(daemon_, SIGSTOP);
  }
  ~UnansweringFileSystem() { answerAgain(); }
  UnansweringFileSystem(const UnansweringFileSystem&) = delete;
  UnansweringFileSystem& operator=(const UnansweringFileSystem&) = delete;

  bool stopped() const { return daemon_ > 0; }
  void answerAgain() {
    if (daemon_ > 0) ::kill(daemon_, SIGCONT);
  }

 private:
  static pid_t daemonOf(const std::string& mountPoint) {
    for (const auto& process : std::filesystem::directory_iterator("/proc")) {
      std::ifstream file(process.path() / "cmdline", std::ios::binary);
      std::vector<std::string> arguments;
      for (std::string argument; std::getline(file, argument, '\0');) arguments.push_back(argument);
      if (arguments.size() >= 3 && arguments.front().find("exfat-fuse") != std::string::npos &&
          arguments.back() == mountPoint) {
        return static_cast<pid_t>(std::stol(process.path().filename().string()));
      }
    }
    return -1;
  }

  pid_t daemon_;
};

// Whether `action` returns while the card's file system does not answer; a watchdog lets the
// file system answer again after 10 s, so an action that waits for it still ends.
bool returnsWithoutTheCard(const std::string& mountPoint, const std::function<void()>& action) {
  UnansweringFileSystem hung(mountPoint);
  if (!hung.stopped()) {
    ADD_FAILURE() << "no file-system daemon to stop at " << mountPoint;
    return false;
  }
  std::atomic<bool> freedByWatchdog{false};
  std::promise<void> returned;
  std::thread watchdog([&hung, &freedByWatchdog, done = returned.get_future()] {
    if (done.wait_for(10s) == std::future_status::timeout) freedByWatchdog = true;
    hung.answerAgain();
  });
  action();
  returned.set_value();
  watchdog.join();
  return !freedByWatchdog;
}

TEST(CardSessionCheck, GenuineExFATCardRunsQuickZoneAndAdvancedTestToAGenuineRecord) {
  TESSORIN_REQUIRE_VOLUMES();
  Checked checked({.claimed = 512_MiB});
  checked.session->start();
  ASSERT_TRUE(checked.session->task());
  ASSERT_TRUE(checked.reached(Kind::finished));

  EXPECT_TRUE(checked.sawKind(Kind::quick));
  EXPECT_TRUE(checked.saw(CardSessionStage::full(Phase::writing)));
  EXPECT_TRUE(checked.saw(CardSessionStage::full(Phase::verifying)));
  EXPECT_FALSE(checked.sawKind(Kind::decision));
  ASSERT_TRUE(checked.session->outcome());
  EXPECT_EQ(checked.session->outcome()->verdict, Verdict::genuine);
  EXPECT_EQ(checked.session->outcome()->method, CheckOutcome::Method::full);
  ASSERT_TRUE(checked.session->quickResult());
  EXPECT_TRUE(checked.session->quickResult()->zone) << "the quick check's zone ran";
  ASSERT_EQ(checked.world.history.records().size(), 1u);
  EXPECT_EQ(checked.world.history.records().front(), *checked.session->record());
  EXPECT_GT(checked.session->record()->testedBytes.value_or(0), 0u);
  EXPECT_FALSE(checked.session->task());
  EXPECT_FALSE(checked.session->access());
  EXPECT_FALSE(checked.session->activity());
  EXPECT_FALSE(checked.session->errorMessage());
  EXPECT_FALSE(TestFolder::exists(checked.card->mountPoint()));
}

TEST(CardSessionCheck, CounterfeitStopsAtTheDecisionAndFinishingThereRecordsItFake) {
  TESSORIN_REQUIRE_VOLUMES();
  Checked checked({.claimed = 512_MiB, .real = 128_MiB, .mode = CounterfeitCard::Mode::dropZero});
  checked.session->start();
  ASSERT_TRUE(checked.reached(Kind::decision));
  EXPECT_FALSE(checked.session->task()) << "the decision waits for the user, not for a task";
  EXPECT_TRUE(checked.session->access()) << "the access is kept for the advanced test";
  EXPECT_FALSE(checked.sawKind(Kind::full));

  checked.session->stop();
  EXPECT_EQ(checked.session->stage().kind, Kind::finished);
  ASSERT_TRUE(checked.session->outcome());
  EXPECT_EQ(checked.session->outcome()->verdict, Verdict::fake);
  EXPECT_EQ(checked.session->outcome()->method, CheckOutcome::Method::quick);
  ASSERT_TRUE(checked.session->outcome()->realBytes);
  EXPECT_EQ(checked.session->outcome()->realBytes, checked.session->quickResult()->realCapacityRange()->lower);
  EXPECT_FALSE(checked.session->outcome()->brandLooksFake);
  EXPECT_EQ(checked.world.history.records().size(), 1u);
}

TEST(CardSessionCheck, NotExFATMeasuresTheZoneAloneThenRunsTheAdvancedTest) {
  TESSORIN_REQUIRE_VOLUMES();
  Checked checked({.claimed = 384_MiB, .fileSystem = testing::FileSystemKind::ext4});
  checked.session->start();
  ASSERT_TRUE(checked.reached(Kind::finished));
  ASSERT_TRUE(checked.session->quickSkipped());
  EXPECT_EQ(checked.session->quickSkipped()->kind(), QuickProbe::Unsupported::Kind::fileSystem);
  EXPECT_FALSE(checked.session->quickResult());
  EXPECT_TRUE(checked.session->zoneResult());
  EXPECT_TRUE(checked.saw(CardSessionStage::full(Phase::verifying)));
  EXPECT_EQ(checked.session->outcome()->verdict, Verdict::genuine);
}

TEST(CardSessionCheck, DriverThatWritesReservedSpaceMeasuresTheZoneThenRunsTheAdvancedTest) {
  TESSORIN_REQUIRE_VOLUMES();
  CardSession::Environment environment = testing::smallCardEnvironment();
  environment.quickOptions.allocationTrialBytes = QuickProbe::Options().allocationTrialBytes;
  Checked checked({.claimed = 384_MiB}, 0, environment);
  checked.session->start();
  ASSERT_TRUE(checked.reached(Kind::finished));
  EXPECT_EQ(checked.session->quickSkipped(), QuickProbe::Unsupported::zeroFilledAllocation());
  EXPECT_FALSE(checked.session->quickResult());
  EXPECT_FALSE(checked.session->errorMessage()) << "a refusal is not an error";
  EXPECT_EQ(checked.session->outcome()->verdict, Verdict::genuine);
  EXPECT_EQ(checked.session->outcome()->method, CheckOutcome::Method::full);
  // The start panel promises the card's speed where the probes cannot run.
  EXPECT_TRUE(checked.session->zoneResult());
  EXPECT_TRUE(checked.session->outcome()->speed);
}

// A card that stops answering while its speed is measured, and stays mounted, fails its
// reads at once: the read-back timed those failures, which are no speed. On exFAT as its
// driver here mounts it, the probes are refused and the speed zone is measured alone.
TEST(CardSessionCheck, CardThatStopsAnsweringWhileItsSpeedIsMeasuredGetsNoReadSpeed) {
  TESSORIN_REQUIRE_VOLUMES();
  for (const auto step : {QuickProbeProgress::Step::writing, QuickProbeProgress::Step::verifying}) {
    CardSession::Environment environment = testing::smallCardEnvironment();
    environment.quickOptions.allocationTrialBytes = QuickProbe::Options().allocationTrialBytes;
    Checked checked({.claimed = 384_MiB}, 0, environment);
    bool stopped = false;
    QObject::connect(checked.session.get(), &CardSession::stageChanged, [&] {
      const CardSessionStage& stage = checked.session->stage();
      if (stopped || stage.kind != Kind::quick || stage.progress.phase != QuickProbeProgress::Phase::zone ||
          stage.progress.step != step) {
        return;
      }
      checked.card->vanish();
      stopped = true;
    });
    ASSERT_TRUE(checked.checkToTheEnd());
    ASSERT_TRUE(stopped);
    const std::string when = step == QuickProbeProgress::Step::writing ? "writing" : "reading back";
    const std::optional<CheckOutcome>& outcome = checked.session->outcome();
    ASSERT_TRUE(outcome && outcome->zone) << when;
    EXPECT_TRUE(outcome->zone->cardStoppedAnswering) << when;
    EXPECT_FALSE(outcome->zone->readBackReachedCard) << when;
    EXPECT_NE(outcome->verdict, Verdict::genuine) << when;
    EXPECT_FALSE(outcome->speed) << when;
    ASSERT_EQ(checked.world.history.records().size(), 1u) << when;
    EXPECT_FALSE(checked.world.history.records().front().readSpeed) << when;
    EXPECT_FALSE(ReaderBestRead(checked.world.settings).readerBestRead(checked.session->device())) << when;
    // Its test files stay because nothing reaches the card, not because its file system broke.
    const QString message = checked.session->errorMessage().value_or("");
    EXPECT_FALSE(message.contains("file system is damaged")) << when << ": " << message.toStdString();
    EXPECT_FALSE(checked.session->showingDiskUtilityGuide()) << when;
  }
}

bool saysTheFileSystemIsDamaged(const CardSession& session) {
  const std::optional<QString>& message = session.errorMessage();
  return message && message->contains(QStringLiteral("file system is damaged")) &&
         !message->contains(QStringLiteral("The test stopped")) && session.showingDiskUtilityGuide();
}

TEST(CardSessionCheck, TestFolderTheCardCannotRemoveIsACardFaultWithTheEraseAdvice) {
  TESSORIN_REQUIRE_VOLUMES();
  Checked checked({.claimed = 384_MiB});
  testing::UnremovableTestFolder stuck(checked.card->volume());
  checked.session->check();
  ASSERT_TRUE(turnLoopUntil([&] { return checked.session->stage().isAtRest() && !checked.session->task(); }, 60s));
  EXPECT_TRUE(saysTheFileSystemIsDamaged(*checked.session)) << checked.session->errorMessage().value_or("").toStdString();
  EXPECT_FALSE(checked.session->outcome()) << "nothing was measured";
}

// A folder of the test folder's name that was on the card before the check and holds what
// no test writes is the user's: the check names it and stops before writing anything.
TEST(CardSessionCheck, AUsersFolderOfTheTestFoldersNameIsKeptAndTheCheckStopsBeforeWriting) {
  TESSORIN_REQUIRE_VOLUMES();
  Checked checked({.claimed = 384_MiB});
  const std::filesystem::path folder = TestFolder::path(checked.card->mountPoint());
  std::filesystem::create_directory(folder);
  std::ofstream(folder / "holiday.jpg") << "the user's";
  ::sync();
  const std::uint64_t writtenBefore = checked.card->bytesWrittenToDevice();
  checked.session->check();
  ASSERT_TRUE(turnLoopUntil([&] { return checked.session->stage().isAtRest() && !checked.session->task(); }, 60s));
  const QString message = checked.session->errorMessage().value_or("");
  EXPECT_TRUE(message.contains(QString::fromStdString(folder.string())) && message.contains("not made by Tessorin"))
      << message.toStdString();
  EXPECT_FALSE(checked.session->outcome());
  EXPECT_FALSE(checked.session->showingDiskUtilityGuide()) << "the user's folder is no card fault";
  EXPECT_TRUE(std::filesystem::exists(folder / "holiday.jpg"));
  EXPECT_LT(checked.card->bytesWrittenToDevice() - writtenBefore, 1_MiB) << "the check wrote before it stopped";
}

TEST(CardSessionCheck, FakeWhoseTestFolderCannotBeRemovedKeepsItsVerdictAndGetsTheEraseAdvice) {
  TESSORIN_REQUIRE_VOLUMES();
  Checked checked({.claimed = 512_MiB, .real = 128_MiB, .mode = CounterfeitCard::Mode::dropZero});
  checked.session->start();
  ASSERT_TRUE(checked.reached(Kind::decision));
  // What the quick check's probes leave on a fake that wraps over its own directories.
  testing::UnremovableTestFolder stuck(checked.card->volume());
  checked.session->startAdvancedTest();
  ASSERT_TRUE(checked.reached(Kind::finished, 60s));
  EXPECT_TRUE(saysTheFileSystemIsDamaged(*checked.session)) << checked.session->errorMessage().value_or("").toStdString();
  ASSERT_TRUE(checked.session->outcome());
  EXPECT_EQ(checked.session->outcome()->verdict, Verdict::fake);
  EXPECT_EQ(checked.session->outcome()->realBytes, checked.session->quickResult()->realCapacityRange()->lower);
}

TEST(CardSessionCheck, WrapAroundFakeTakenOnToTheAdvancedTestEndsWithItsVerdictAndTheEraseAdvice) {
  TESSORIN_REQUIRE_VOLUMES();
  // The card stands for a driver that reserves space without writing it, as the check's
  // options here do: the quick check finds the wrap before anything lands on the card's
  // own structures. Data wrapped over its directories since is what leaves a test folder
  // that can no longer be removed.
  Checked checked({.claimed = 512_MiB, .real = 290_MiB, .mode = CounterfeitCard::Mode::wrap,
                   .unwrittenReservations = true});
  checked.session->start();
  ASSERT_TRUE(checked.reached(Kind::decision));
  ASSERT_EQ(checked.session->quickResult()->verdict(), QuickProbeResult::Verdict::fake);
  testing::UnremovableTestFolder stuck(checked.card->volume());
  checked.session->startAdvancedTest();
  ASSERT_TRUE(checked.reached(Kind::finished, 120s));
  EXPECT_TRUE(saysTheFileSystemIsDamaged(*checked.session)) << checked.session->errorMessage().value_or("").toStdString();
  ASSERT_TRUE(checked.session->outcome());
  EXPECT_EQ(checked.session->outcome()->verdict, Verdict::fake);
  EXPECT_EQ(checked.session->outcome()->realBytes, 290_MiB);
}

// The speed zone reaches past the real size of a wrap fake whose driver's reservations
// keep the probes from running: the zone reads back data written a wrap away, and a
// check stopped there calls the card fake, without a size, as History and the summary
// the user shares do.
TEST(CardSessionCheck, WrapFakeStoppedAfterItsSpeedWasMeasuredIsFakeWithoutASize) {
  TESSORIN_REQUIRE_VOLUMES();
  CardSession::Environment environment = testing::smallCardEnvironment();
  environment.quickOptions.allocationTrialBytes = QuickProbe::Options().allocationTrialBytes;
  environment.zoneOptions.minimumBytes = 192_MiB;
  environment.zoneOptions.maximumBytes = 192_MiB;
  Checked checked({.claimed = 512_MiB, .real = 128_MiB, .mode = CounterfeitCard::Mode::wrap}, 0, environment);
  // Slowed before its first write, the advanced test is still writing when it is stopped.
  QObject::connect(checked.session.get(), &CardSession::stageChanged, [&] {
    if (checked.session->stage() == CardSessionStage::full(Phase::preparing)) checked.card->setWriteRate(4_MiB);
  });
  checked.session->start();
  ASSERT_TRUE(checked.reachedPhase(Phase::writing));
  ASSERT_EQ(checked.session->quickSkipped(), QuickProbe::Unsupported::zeroFilledAllocation());
  ASSERT_TRUE(checked.session->zoneResult());
  ASSERT_GT(checked.session->zoneResult()->tally.misplaced, 0) << "the zone did not reach past the real size";
  checked.session->stop();
  ASSERT_TRUE(checked.reached(Kind::finished, 60s));

  ASSERT_TRUE(checked.session->outcome());
  const CheckOutcome& outcome = *checked.session->outcome();
  EXPECT_FALSE(outcome.full);
  EXPECT_TRUE(outcome.fullStopped);
  EXPECT_EQ(outcome.verdict, Verdict::fake);
  EXPECT_EQ(outcome.method, CheckOutcome::Method::quick);
  EXPECT_FALSE(outcome.realBytes);
  ASSERT_EQ(checked.world.history.records().size(), 1u);
  EXPECT_EQ(checked.world.history.records().front().verdict, Verdict::fake);
  EXPECT_FALSE(checked.world.history.records().front().realBytes);
  EXPECT_EQ(VerdictHeadlineModel::explanationOf(OutcomePanelModel::headlineOf(outcome)),
            "It does not hold what it claims.");
  const QString shared = PlainTextSummary::make(outcome, checked.session->device(), std::nullopt, false);
  EXPECT_TRUE(shared.contains("Verdict: Fake card")) << shared.toStdString();
  EXPECT_FALSE(shared.contains("Really holds")) << shared.toStdString();
}

TEST(CardSessionCheck, StopDuringTheQuickCheckFinishesWithWhatIsKnownAndReleasesTheCard) {
  TESSORIN_REQUIRE_VOLUMES();
  Checked checked({.claimed = 512_MiB, .writeBytesPerSecond = 40_MiB});
  checked.session->start();
  ASSERT_TRUE(turnLoopUntil([&] { return checked.session->stage().kind == Kind::quick && checked.session->quickResult(); }, 120s));
  checked.session->stop();
  ASSERT_TRUE(checked.reached(Kind::finished, 60s));
  EXPECT_FALSE(checked.sawKind(Kind::full));
  EXPECT_FALSE(checked.session->task());
  EXPECT_FALSE(checked.session->access());
  EXPECT_EQ(checked.world.history.records().size(), 1u);
}

TEST(CardSessionCheck, StopDuringWritingIsAStoppedAdvancedTestJudgedByTheQuickCheck) {
  TESSORIN_REQUIRE_VOLUMES();
  Checked checked({.claimed = 512_MiB});
  checked.session->start();
  ASSERT_TRUE(checked.reachedPhase(Phase::writing));
  checked.card->setWriteRate(8_MiB);
  checked.session->stop();
  ASSERT_TRUE(checked.reached(Kind::finished, 60s));
  EXPECT_TRUE(checked.session->fullStopped());
  EXPECT_FALSE(checked.session->fullResult());
  EXPECT_EQ(checked.session->outcome()->verdict, Verdict::likelyGenuine);
  EXPECT_TRUE(checked.session->outcome()->fullStopped);
  EXPECT_FALSE(checked.saw(CardSessionStage::full(Phase::verifying)));
  EXPECT_FALSE(TestFolder::exists(checked.card->mountPoint()));
}

TEST(CardSessionCheck, StopDuringTheReinsertionWaitFinishesStoppedAndRemovesTheTestFiles) {
  TESSORIN_REQUIRE_VOLUMES();
  Checked checked({.claimed = 512_MiB});
  ASSERT_TRUE(checked.runUntilReinsertion());
  EXPECT_TRUE(checked.session->reinsertWait());
  EXPECT_TRUE(TestFolder::exists(checked.card->mountPoint()));
  checked.session->stop();
  ASSERT_TRUE(checked.reached(Kind::finished, 60s));
  EXPECT_TRUE(checked.session->fullStopped());
  EXPECT_FALSE(checked.session->reinsertWait());
  EXPECT_FALSE(TestFolder::exists(checked.card->mountPoint()));
}

TEST(CardSessionCheck, AFolderRequestLeftFromTheReinsertionWaitEndsWithTheCheck) {
  TESSORIN_REQUIRE_VOLUMES();
  Checked checked({.claimed = 384_MiB});
  CardSession::Environment granting = testing::smallCardEnvironment();
  granting.folderPicker = [folder = QString::fromStdString(checked.card->mountPoint())](
                              const QString&, const QString&, std::function<void(std::optional<QString>)> answer) {
    answer(folder);
  };
  checked.session = std::make_unique<CardSession>(
      deviceFor(checked.card->mountPoint(), checked.card->loopDevice(), 384_MiB), &checked.world.history,
      checked.world.settings, granting);
  ASSERT_TRUE(checked.runUntilReinsertion());

  // The card goes out and comes back into a sandbox that holds no grant for it yet.
  checked.session->close();
  qputenv("APP_SANDBOX_CONTAINER_ID", "tessorin-test");
  checked.session->updateDevice(checked.session->device());
  ASSERT_TRUE(turnLoopUntil([&] { return checked.session->permissionRequest().has_value(); }, 30s));
  qunsetenv("APP_SANDBOX_CONTAINER_ID");
  ASSERT_EQ(checked.session->permissionRequest()->action, PermissionRequest::Action::resumeAfterReinsert);

  int requestChanges = 0;
  QObject::connect(checked.session.get(), &CardSession::permissionRequestChanged, [&requestChanges] { ++requestChanges; });
  checked.session->stop();
  ASSERT_TRUE(turnLoopUntil([&] { return checked.session->stage().kind == Kind::finished; }, 60s));
  EXPECT_FALSE(checked.session->permissionRequest());
  EXPECT_EQ(requestChanges, 1);

  checked.session->handlePermissionGrant();
  EXPECT_FALSE(checked.session->access()) << "a grant after the check gave a resting session the card";
  EXPECT_EQ(checked.session->stage().kind, Kind::finished);
}

// The user is asked to take the card out: nothing of the check may still hold it open,
// or the system refuses to let it go.
TEST(CardSessionCheck, TheCardComesOffWhileTheCheckWaitsForItsReinsertionAndIsReadBackWhenItReturns) {
  TESSORIN_REQUIRE_VOLUMES();
  Checked checked({.claimed = 384_MiB});
  ASSERT_TRUE(checked.runUntilReinsertion());

  EXPECT_TRUE(checked.card->volume().unmount()) << "the check still holds the card open";
  checked.session->close();
  ASSERT_TRUE(checked.card->volume().mount());
  checked.session->updateDevice(checked.session->device());

  ASSERT_TRUE(checked.reached(Kind::finished));
  EXPECT_EQ(checked.session->outcome()->verdict, Verdict::genuine);
  EXPECT_FALSE(checked.session->fullStopped());
  EXPECT_FALSE(TestFolder::exists(checked.card->mountPoint()));
}

TEST(CardSessionCheck, StopInTheSameTurnAsContinuingStillSkipsTheReadBack) {
  TESSORIN_REQUIRE_VOLUMES();
  Checked checked({.claimed = 384_MiB});
  ASSERT_TRUE(checked.runUntilReinsertion());
  checked.session->continueAfterReinsert();
  checked.session->stop();
  ASSERT_TRUE(checked.reached(Kind::finished, 60s));
  EXPECT_TRUE(checked.session->fullStopped());
  EXPECT_FALSE(checked.session->fullResult());
  EXPECT_FALSE(checked.saw(CardSessionStage::full(Phase::verifying)));
  EXPECT_FALSE(TestFolder::exists(checked.card->mountPoint()));
}

TEST(CardSessionCheck, ContinueWithoutRemovingReadsBackFromTheSameVolume) {
  TESSORIN_REQUIRE_VOLUMES();
  Checked checked({.claimed = 384_MiB});
  ASSERT_TRUE(checked.runUntilReinsertion());
  checked.session->continueAfterReinsert();
  ASSERT_TRUE(checked.reached(Kind::finished));
  EXPECT_EQ(checked.session->outcome()->verdict, Verdict::genuine);
  EXPECT_FALSE(checked.session->fullStopped());
}

TEST(CardSessionCheck, CardPulledOutDuringWritingEndsWithTheRemovedMessageNotADamagedVerdict) {
  TESSORIN_REQUIRE_VOLUMES();
  Checked checked({.claimed = 512_MiB});
  checked.session->start();
  ASSERT_TRUE(checked.reachedPhase(Phase::writing));
  checked.card->vanish();
  checked.card->volume().unmount();
  ASSERT_TRUE(turnLoopUntil([&] { return checked.session->stage().isAtRest(); }, 60s));
  EXPECT_EQ(checked.session->errorMessage(), QStringLiteral("The card was removed during the test."));
  EXPECT_TRUE(checked.session->cardRemoved());
  if (checked.session->outcome()) {
    EXPECT_NE(checked.session->outcome()->verdict, Verdict::damaged);
  }
  EXPECT_FALSE(checked.session->task());
}

// A worn card that turned read-only gets a verdict, never an error: on exFAT the quick
// check finds it before any probe and the check stops at the decision; on ext4 the speed
// zone cannot be written and the advanced test says where the card stopped taking data.
TEST(CardSessionCheck, CardReadOnlyBeforeTheCheckIsDamagedWithoutAnError) {
  TESSORIN_REQUIRE_VOLUMES();
  for (const auto fileSystem : {testing::FileSystemKind::exfat, testing::FileSystemKind::ext4}) {
    Checked checked({.claimed = 384_MiB, .fileSystem = fileSystem, .readOnlyAfterBytesWritten = 0});
    checked.session->start();
    ASSERT_TRUE(turnLoopUntil(
        [&] {
          // A check first looks at the card on a worker, idle until then: at rest means no task left.
          return checked.session->stage().kind == Kind::decision ||
                 (checked.session->stage().isAtRest() && !checked.session->task());
        },
        120s));
    if (checked.session->stage().kind == Kind::decision) checked.session->stop();

    ASSERT_EQ(checked.session->stage().kind, Kind::finished);
    EXPECT_FALSE(checked.session->errorMessage()) << checked.session->errorMessage()->toStdString();
    ASSERT_TRUE(checked.session->outcome());
    EXPECT_EQ(checked.session->outcome()->verdict, Verdict::damaged);
    const auto& outcome = *checked.session->outcome();
    const bool quickSaysSo = outcome.quick && outcome.quick->writesRefusedAfter == 0u;
    const bool fullSaysSo = outcome.full && outcome.full->manifest.writeStop.isIOError() &&
                            outcome.full->writeRefusal() == WriteRefusal::readOnly;
    EXPECT_TRUE(quickSaysSo || fullSaysSo);
    EXPECT_EQ(checked.world.history.records().size(), 1u);
  }
}

// A 512 MiB card that turns read-only some 70 MiB into the advanced test's writing,
// counted on the card from its making: turned from the test's thread once it sees the
// writing, a busy machine let the card take the whole writing first. Before the writing
// the quick check has the card take about 630 MiB on exFAT (exfat-fuse writes every byte
// it reserves) and 75 MiB on ext4, a little less on a slow machine, which makes fewer
// random writes in its time; the writing takes some 440 MiB more.
CounterfeitCard::Options turningReadOnlyWhileTheAdvancedTestWrites(testing::FileSystemKind fileSystem) {
  const bool exfat = fileSystem == testing::FileSystemKind::exfat;
  return {.claimed = 512_MiB, .fileSystem = fileSystem, .readOnlyAfterBytesWritten = exfat ? 700_MiB : 150_MiB};
}

TEST(CardSessionCheck, CardTurningReadOnlyWhileTheAdvancedTestWritesIsDamagedAndKeptWhatItTook) {
  TESSORIN_REQUIRE_VOLUMES();
  Checked checked(turningReadOnlyWhileTheAdvancedTestWrites(testing::FileSystemKind::exfat));
  checked.session->start();
  ASSERT_TRUE(checked.reached(Kind::finished));
  ASSERT_TRUE(checked.saw(CardSessionStage::full(Phase::writing)));

  EXPECT_FALSE(checked.session->errorMessage()) << checked.session->errorMessage()->toStdString();
  ASSERT_TRUE(checked.session->outcome());
  EXPECT_EQ(checked.session->outcome()->verdict, Verdict::damaged);
  ASSERT_TRUE(checked.session->outcome()->full);
  const FullTestResult& full = *checked.session->outcome()->full;
  EXPECT_TRUE(full.manifest.writeStop.isIOError());
  EXPECT_EQ(full.writeRefusal(), WriteRefusal::readOnly);
  EXPECT_EQ(full.tally.badSectors(), 0);
}

// A card that refuses writes, as a finished check shows it: damaged, refusing writes while
// keeping what it holds (the advice to copy the files off it), the test folder it keeps
// named, no error and no advice to erase it, which cannot help such a card.
void expectReadOnlyAndTheFolderNamed(const CardSession& session, const std::string& what) {
  EXPECT_FALSE(session.errorMessage()) << what << ": " << session.errorMessage()->toStdString();
  EXPECT_FALSE(session.showingDiskUtilityGuide()) << what;
  ASSERT_TRUE(session.outcome()) << what;
  const CheckOutcome& outcome = *session.outcome();
  EXPECT_EQ(outcome.verdict, Verdict::damaged) << what;
  const WriteRefusal refusal = outcome.full    ? outcome.full->writeRefusal()
                               : outcome.quick ? outcome.quick->writeRefusal()
                                               : WriteRefusal::none;
  EXPECT_EQ(refusal, WriteRefusal::readOnly) << what;
  EXPECT_TRUE(turnLoopUntil([&] { return session.outcome()->testFolderLeft; }, 30s)) << what;
}

// A card that turns read-only keeps the test folder: ext4 turns itself read-only once its
// journal cannot be written, and exfat-fuse shows the folder gone until the card is
// mounted again. Either way the user is told, rather than meeting it at the next check,
// and that check takes the folder for leftovers and judges the card, still refusing, as
// read-only rather than damaged beyond repair.
TEST(CardSessionCheck, TestFolderACardTurnedReadOnlyKeepsIsNamedAndTheNextCheckClearsItAway) {
  TESSORIN_REQUIRE_VOLUMES();
  for (const auto fileSystem : {testing::FileSystemKind::exfat, testing::FileSystemKind::ext4}) {
    const std::string what = fileSystem == testing::FileSystemKind::exfat ? "exFAT" : "ext4";
    Checked checked(turningReadOnlyWhileTheAdvancedTestWrites(fileSystem));
    checked.session->start();
    ASSERT_TRUE(checked.reached(Kind::finished)) << what;
    ASSERT_TRUE(checked.saw(CardSessionStage::full(Phase::writing))) << what;

    ASSERT_TRUE(checked.session->outcome()) << what;
    EXPECT_EQ(checked.session->outcome()->verdict, Verdict::damaged) << what;
    EXPECT_TRUE(turnLoopUntil([&] { return checked.session->outcome()->testFolderLeft; }, 30s)) << what;
    EXPECT_FALSE(checked.session->errorMessage()) << what;
    if (fileSystem == testing::FileSystemKind::ext4) continue;  // its journal cannot be replayed on a read-only card

    checked.card->volume().unmount();
    ASSERT_TRUE(checked.card->volume().mount()) << what;
    ASSERT_TRUE(TestFolder::exists(checked.card->mountPoint())) << what << ": the card did not keep the folder";
    checked.rescanWithLeftovers();
    ASSERT_TRUE(checked.checkToTheEnd()) << what;
    expectReadOnlyAndTheFolderNamed(*checked.session, what);
  }
}

// How a card that refuses writes meets the next check: the card itself refuses every
// write (EROFS or EIO), or the system mounted it read-only (its write-protect switch).
enum class Refusing { cardEROFS, cardEIO, writeProtected };

// What an earlier test left: its folder with a file of its pattern.
void leaveEarlierTestFolder(const std::string& mountPoint) {
  const std::filesystem::path folder = TestFolder::path(mountPoint);
  std::filesystem::create_directory(folder);
  std::string data(1_MiB, '\0');
  TestPattern(TestPattern::randomSession()).fill(data.data(), data.size(), 0);
  std::ofstream(folder / "F00000.otr", std::ios::binary) << data;
  ::sync();
}

// The test folder an earlier check could not delete is still on a card that refuses
// writes. That is no damage of its file system: the card gets the read-only verdict and
// the advice to copy the files off it, never the advice to erase it, and the folder is
// named as left on the card.
TEST(CardSessionCheck, CardStillRefusingWritesAtTheNextCheckIsReadOnlyNotToBeErased) {
  TESSORIN_REQUIRE_VOLUMES();
  using testing::FileSystemKind;
  const struct {
    FileSystemKind fileSystem;
    Refusing refusing;
  } cases[] = {
      {FileSystemKind::exfat, Refusing::cardEROFS},      {FileSystemKind::exfat, Refusing::cardEIO},
      {FileSystemKind::exfat, Refusing::writeProtected}, {FileSystemKind::ext4, Refusing::cardEROFS},
      {FileSystemKind::ext4, Refusing::cardEIO},         {FileSystemKind::ext4, Refusing::writeProtected},
  };
  for (const auto& c : cases) {
    const std::string what = std::string(c.fileSystem == FileSystemKind::exfat ? "exFAT, " : "ext4, ") +
                             (c.refusing == Refusing::cardEROFS ? "EROFS"
                              : c.refusing == Refusing::cardEIO ? "EIO"
                                                                : "write-protected");
    Checked checked({.claimed = 384_MiB, .fileSystem = c.fileSystem,
                     .readOnlyError = c.refusing == Refusing::cardEIO ? EIO : EROFS});
    leaveEarlierTestFolder(checked.card->mountPoint());
    if (c.refusing == Refusing::writeProtected) {
      ASSERT_TRUE(testing::runCommand({"mount", "-o", "remount,ro", checked.card->mountPoint()}).ok()) << what;
    } else {
      checked.card->turnReadOnlyAfter(0);
    }
    checked.rescanWithLeftovers();
    ASSERT_TRUE(checked.checkToTheEnd()) << what;
    expectReadOnlyAndTheFolderNamed(*checked.session, what);
  }
}

// The check ends while the card's file system no longer answers: the window goes on
// answering, and what is left on the card is looked at once the card answers again.
TEST(CardSessionCheck, FinishingWhileTheCardsFileSystemHangsDoesNotWaitForIt) {
  TESSORIN_REQUIRE_VOLUMES();
  Checked checked({.claimed = 512_MiB, .real = 128_MiB, .mode = CounterfeitCard::Mode::dropZero});
  checked.session->start();
  ASSERT_TRUE(checked.reached(Kind::decision));

  EXPECT_TRUE(returnsWithoutTheCard(checked.card->mountPoint(), [&] { checked.session->stop(); }))
      << "finishing waited for the card's file system";
  EXPECT_EQ(checked.session->stage().kind, Kind::finished);
  ASSERT_TRUE(checked.session->outcome());
  EXPECT_EQ(checked.session->outcome()->verdict, Verdict::fake);
  EXPECT_FALSE(checked.session->outcome()->testFolderLeft);
}

// A press on a card whose file system has stopped answering returns at once: the card's
// folder is opened on a worker, and the press goes on once the card answers again.
TEST(CardSessionCheck, APressOnACardThatStoppedAnsweringDoesNotWaitForIt) {
  TESSORIN_REQUIRE_VOLUMES();
  struct Press {
    const char* what;
    void (CardSession::*action)();
  };
  for (const Press press : {Press{"check", &CardSession::check}, Press{"eraseAndCheck", &CardSession::eraseAndCheck},
                            Press{"deleteTestFiles", &CardSession::deleteTestFiles}}) {
    SCOPED_TRACE(press.what);
    Checked checked({.claimed = 384_MiB});
    EXPECT_TRUE(returnsWithoutTheCard(checked.card->mountPoint(), [&] { (checked.session.get()->*press.action)(); }))
        << "the press waited for the card's file system";
    EXPECT_TRUE(checked.session->task()) << "the press holds the session while the folder opens";
    EXPECT_TRUE(turnLoopUntil([&] { return checked.session->stage().kind != Kind::idle || !checked.session->task(); },
                              60s));
    checked.session->stop();
    EXPECT_TRUE(turnLoopUntil([&] { return checked.session->stage().isAtRest() && !checked.session->task(); }, 120s));
  }
}

TEST(CardSessionCheck, AFakeLookingPartialFromACardBeingPulledIsNotRecorded) {
  TESSORIN_REQUIRE_VOLUMES();
  Checked checked({.claimed = 384_MiB});
  checked.session->start();
  ASSERT_TRUE(checked.reached(Kind::quick));
  // The failed reads of a vanishing card, posted just before the rescan sees it go.
  QuickProbeResult partial;
  partial.wrapDistance = 128_MiB;
  checked.session->applyPartialQuickResult(partial);
  checked.session->close();
  ASSERT_TRUE(turnLoopUntil([&] { return checked.session->stage().isAtRest(); }, 60s));
  EXPECT_EQ(checked.session->errorMessage(), QStringLiteral("The card was removed during the test."));
  for (const CheckRecord& record : checked.world.history.records()) EXPECT_NE(record.verdict, Verdict::fake);
}

TEST(CardSessionCheck, ACardWhoseMountOutlivesThePullBrieflyIsStillSeenAsRemoved) {
  TESSORIN_REQUIRE_VOLUMES();
  Checked checked({.claimed = 512_MiB});
  CardSession::Environment slowReader = testing::smallCardEnvironment();
  slowReader.removalSettle = 1500ms;
  checked.session = std::make_unique<CardSession>(
      deviceFor(checked.card->mountPoint(), checked.card->loopDevice(), 512_MiB), &checked.world.history,
      checked.world.settings, slowReader);
  checked.session->start();
  ASSERT_TRUE(checked.reachedPhase(Phase::writing));
  checked.card->vanish();
  // The mount entry goes only a moment after the medium, as with a USB reader.
  turnLoopUntil([] { return false; }, 300ms);
  checked.card->volume().unmount();
  ASSERT_TRUE(turnLoopUntil([&] { return checked.session->stage().isAtRest(); }, 60s));
  EXPECT_EQ(checked.session->errorMessage(), QStringLiteral("The card was removed during the test."));
  for (const CheckRecord& record : checked.world.history.records()) {
    EXPECT_NE(record.verdict, Verdict::damaged);
    EXPECT_NE(record.verdict, Verdict::fake);
  }
}

TEST(CardSessionCheck, AdvancedTestWithoutRoomForOneChunkEndsTheCheckAndAsksToErase) {
  TESSORIN_REQUIRE_VOLUMES();
  // A card too small for the quick check's plan: it refuses, and the advanced test
  // finds no room either once the card is filled.
  Checked checked({.claimed = 64_MiB});
  const std::string filler = checked.card->mountPoint() + "/filler.bin";
  {
    std::FILE* file = std::fopen(filler.c_str(), "wb");
    std::vector<char> block(1 << 20, 'x');
    while (std::fwrite(block.data(), 1, block.size(), file) == block.size()) {
    }
    std::fclose(file);
  }
  checked.session->check();
  ASSERT_TRUE(turnLoopUntil([&] { return checked.session->stage().isAtRest() && !checked.session->task(); }, 60s));
  EXPECT_TRUE(checked.session->quickSkipped());
  EXPECT_TRUE(checked.session->confirmingErase());
  EXPECT_FALSE(checked.session->errorMessage()) << "too full is a question, not an error";
  EXPECT_FALSE(checked.session->outcome() && checked.session->outcome()->verdict == Verdict::genuine)
      << "nothing was checked";
}

}  // namespace
}  // namespace tessorin
