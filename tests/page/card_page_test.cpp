// The card page with its real modules over sessions of loop-mounted cards and cards from
// the counterfeit harness: a user's clicks and keys take a check from the start panel to
// its end, and the page's questions and kind menu do what they say.

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "ByteLiterals.hpp"
#include "Command.hpp"
#include "CounterfeitCard.hpp"
#include "FinishedCheckSeam.hpp"
#include "LoadedPage.hpp"
#include "LoopVolume.hpp"
#include "theme/motion/Motion.hpp"
#include "../session/SessionFixture.hpp"

namespace tessorin {
namespace {

using namespace std::chrono_literals;
using namespace testing::literals;
using testing::CounterfeitCard;
using testing::FileSystemKind;
using testing::LoadedPage;
using testing::LoopVolume;
using testing::turnLoopUntil;
using Kind = CardSessionStage::Kind;

// A session over a mounted card, stopped and drained when the test ends.
struct Checked {
  testing::SessionWorld world;
  std::unique_ptr<CardSession> session;

  explicit Checked(CardDevice device) {
    session = std::make_unique<CardSession>(std::move(device), &world.history, world.settings,
                                            testing::smallCardEnvironment());
  }
  ~Checked() {
    if (!session) return;
    session->stop();
    turnLoopUntil([this] { return !session->hasSuspendedCoroutine() && !session->task(); }, 120s);
  }
};

CardDevice deviceOf(const std::string& mountPoint, const std::string& loopDevice, std::uint64_t bytes) {
  return testing::deviceFor(mountPoint, loopDevice, bytes);
}

void expectClean(const LoadedPage& page) {
  EXPECT_TRUE(page.problems().isEmpty()) << page.problems().join(QLatin1Char('\n')).toStdString();
}

TEST(CardPage, AGenuineExFATCardGoesFromCheckThisCardThroughBothChecksToItsOutcome) {
  TESSORIN_REQUIRE_VOLUMES();
  auto volume = LoopVolume::create(FileSystemKind::exfat, 256_MiB);
  Checked card(deviceOf(volume->mountPoint(), volume->loopDevice(), 256_MiB));
  LoadedPage page(card.session.get());
  ASSERT_TRUE(page.loaded());
  ASSERT_TRUE(page.shows("startPanel"));
  ASSERT_TRUE(page.click("startButton"));

  bool sawQuick = false;
  bool sawAdvanced = false;
  ASSERT_TRUE(turnLoopUntil(
      [&] {
        sawQuick |= page.shows("quickPanel");
        sawAdvanced |= page.shows("fullPanel");
        return page.shows("outcomePanel");
      },
      300s))
      << "stage " << static_cast<int>(card.session->stage().kind);
  EXPECT_TRUE(sawQuick);
  EXPECT_TRUE(sawAdvanced);
  EXPECT_EQ(page.text("verdictTitle"), QStringLiteral("Genuine card"));
  EXPECT_FALSE(page.shows("startPanel"));
  EXPECT_TRUE(page.shows("xrayPanel"));
  expectClean(page);
}

// A card that keeps 128 MiB of the 512 it claims and wraps its addresses, at its decision.
// It stands for a driver that reserves space without writing it, as the check's options
// here do: exfat-fuse's zeros for the quick check's slots would otherwise wrap over the
// file system's structures before any probe is written, and once a busy host let go of
// its copy of them the quick check would find a damaged card instead of a wrapping one.
struct WrapAroundAtDecision {
  std::unique_ptr<CounterfeitCard> fake = CounterfeitCard::make(
      {.claimed = 512_MiB, .real = 128_MiB, .mode = CounterfeitCard::Mode::wrap, .unwrittenReservations = true});
  Checked card{deviceOf(fake->mountPoint(), fake->loopDevice(), 512_MiB)};
  LoadedPage page{card.session.get()};

  bool reachDecision() {
    return page.click("startButton") && turnLoopUntil([&] { return page.shows("decisionPanel"); }, 240s);
  }
};

TEST(CardPage, AWrapAroundFakeStopsAtTheDecisionAndReturnConfirmsWithTheAdvancedTest) {
  TESSORIN_REQUIRE_VOLUMES();
  std::vector<Kind> stages;  // outlives the session, which reports its stop on the way out
  WrapAroundAtDecision run;
  ASSERT_TRUE(run.reachDecision()) << "stage " << static_cast<int>(run.card.session->stage().kind);
  EXPECT_EQ(run.page.text("verdictTitle"), QStringLiteral("Fake card"));
  EXPECT_TRUE(run.page.shows("decisionComparison"));
  EXPECT_EQ(run.page.text("decisionSentence"),
            QStringLiteral("Probes written past the real size landed on top of earlier ones: the card wraps around "
                           "and overwrites itself."));
  // The advanced test may end soon on a card whose wrapping wrecked its file system:
  // what counts is the stage that follows the decision.
  QObject::connect(run.card.session.get(), &CardSession::stageChanged,
                   [&] { stages.push_back(run.card.session->stage().kind); });
  run.page.pressReturn();
  ASSERT_TRUE(turnLoopUntil([&] { return !stages.empty(); }, 10s));
  EXPECT_EQ(stages.front(), Kind::full) << "Return confirms, never finishes";
  expectClean(run.page);
}

TEST(CardPage, FinishHereEndsAWrapAroundFakesCheckWithItsQuickVerdict) {
  TESSORIN_REQUIRE_VOLUMES();
  WrapAroundAtDecision run;
  ASSERT_TRUE(run.reachDecision());
  ASSERT_TRUE(run.page.click("finishHereButton"));
  ASSERT_TRUE(turnLoopUntil([&] { return run.page.shows("outcomePanel"); }, 60s));
  EXPECT_EQ(run.card.session->stage().kind, Kind::finished);
  EXPECT_EQ(run.page.text("verdictTitle"), QStringLiteral("Fake card"));
  ASSERT_TRUE(run.card.session->outcome());
  EXPECT_FALSE(run.card.session->outcome()->full.has_value());
  expectClean(run.page);
}

TEST(CardPage, ACardWithFilesAsksFirstAndReturnPressesNothingBehindTheQuestion) {
  TESSORIN_REQUIRE_VOLUMES();
  // Over a tenth of a 2 GiB card in use, with more than a gibibyte free: the files question.
  auto volume = LoopVolume::create(FileSystemKind::ext4, 2_GiB);
  std::filesystem::path photos = std::filesystem::path(volume->mountPoint()) / "photos.bin";
  ASSERT_EQ(testing::runCommand({"fallocate", "-l", std::to_string(300_MiB), photos.string()}).exitCode, 0);
  Checked card(deviceOf(volume->mountPoint(), volume->loopDevice(), 2_GiB));
  LoadedPage page(card.session.get());
  ASSERT_TRUE(page.click("startButton"));
  ASSERT_TRUE(turnLoopUntil([&] { return page.property("offerEraseAlert", "opened").toBool(); }, 10s));

  page.pressReturn();
  EXPECT_TRUE(card.session->offeringErase()) << "Return must not answer the question";
  EXPECT_EQ(card.session->stage().kind, Kind::idle);
  EXPECT_FALSE(card.session->task());

  ASSERT_TRUE(page.click("checkFreeSpaceButton"));
  ASSERT_TRUE(turnLoopUntil([&] { return card.session->stage().kind != Kind::idle; }, 30s));
  EXPECT_NE(card.session->stage().kind, Kind::erasing);
  EXPECT_FALSE(card.session->offeringErase());
  EXPECT_TRUE(std::filesystem::exists(photos)) << "checking free space only keeps the files";
  EXPECT_TRUE(turnLoopUntil([&] { return !page.property("offerEraseAlert", "visible").toBool(); }, 10s));
  expectClean(page);
}

// A card taken out while its page stays selected: the page keeps its picture and name but
// shows no free space read through the folder left behind, and offers no check, to a click
// or to Return.
TEST(CardPage, ARemovedCardsPageOffersNoCheckAndNoStorageBar) {
  TESSORIN_REQUIRE_VOLUMES();
  auto volume = LoopVolume::create(FileSystemKind::exfat, 256_MiB);
  Checked card(deviceOf(volume->mountPoint(), volume->loopDevice(), 256_MiB));
  ASSERT_TRUE(volume->unmount());
  LoadedPage page(card.session.get(), false);
  ASSERT_TRUE(page.loaded());
  ASSERT_TRUE(page.shows("startPanel"));
  EXPECT_TRUE(page.shows("removedNote"));
  EXPECT_FALSE(page.shows("startButton"));
  EXPECT_FALSE(page.shows("startPlan"));
  EXPECT_FALSE(page.shows("storageBar"));
  EXPECT_TRUE(page.shows("cardHeader"));
  page.pressReturn();
  turnLoopUntil([] { return false; }, 200ms);
  EXPECT_FALSE(card.session->task());
  EXPECT_FALSE(card.session->errorMessage()) << "nothing was started to be refused";
  EXPECT_EQ(card.session->stage().kind, Kind::idle);
  expectClean(page);

  LoadedPage present(card.session.get());
  EXPECT_TRUE(present.shows("startButton"));
  EXPECT_TRUE(present.shows("storageBar"));
  EXPECT_FALSE(present.shows("removedNote"));
}

// Return is the alert's OK: it closes the alert and starts nothing behind it.
TEST(CardPage, ReturnWhileTheErrorAlertIsOpenStartsNothing) {
  TESSORIN_REQUIRE_VOLUMES();
  auto volume = LoopVolume::create(FileSystemKind::exfat, 256_MiB);
  Checked card(deviceOf(volume->mountPoint(), volume->loopDevice(), 256_MiB));
  LoadedPage page(card.session.get());
  card.session->setErrorMessage(QStringLiteral("%1 <b>x</b> could not be opened"));
  ASSERT_TRUE(turnLoopUntil([&] { return page.property("errorAlert", "opened").toBool(); }, 10s));
  EXPECT_EQ(page.text("errorAlertMessage"), QStringLiteral("%1 <b>x</b> could not be opened"));
  page.pressReturn();
  EXPECT_EQ(card.session->stage().kind, Kind::idle);
  EXPECT_FALSE(card.session->task());
  EXPECT_FALSE(card.session->errorMessage().has_value());
  EXPECT_TRUE(turnLoopUntil([&] { return !page.property("errorAlert", "visible").toBool(); }, 10s));

  card.session->setErrorMessage(QStringLiteral("The card went away"));
  ASSERT_TRUE(turnLoopUntil([&] { return page.property("errorAlert", "opened").toBool(); }, 10s));
  ASSERT_TRUE(page.click("errorOKButton"));
  EXPECT_FALSE(card.session->errorMessage().has_value());
  expectClean(page);
}

TEST(CardPage, ChoosingUSBDriveChangesChipAndPictureAtOnceAndHoldsInANewSession) {
  TESSORIN_REQUIRE_VOLUMES();
  auto volume = LoopVolume::create(FileSystemKind::exfat, 64_MiB);
  CardDevice device = deviceOf(volume->mountPoint(), volume->loopDevice(), 64_MiB);
  device.connection = CardDevice::Connection::usb();
  Checked card(device);
  LoadedPage page(card.session.get());
  ASSERT_EQ(page.text("kindMenuChip"), QStringLiteral("USB card reader  ▾"));
  ASSERT_FALSE(page.property("cardSilhouette", "drive").toBool());

  ASSERT_TRUE(page.click("kindMenuButton"));
  ASSERT_TRUE(turnLoopUntil([&] { return page.property("kindMenu", "opened").toBool(); }, 10s));
  ASSERT_TRUE(page.click("chooseDrive"));
  EXPECT_EQ(page.text("kindMenuChip"), QStringLiteral("USB drive  ▾"));
  EXPECT_TRUE(page.property("cardSilhouette", "drive").toBool());

  CardSession again(device, &card.world.history, card.world.settings, testing::smallCardEnvironment());
  EXPECT_EQ(again.kindLabel(), QStringLiteral("USB drive"));
  EXPECT_TRUE(again.isUSBDrive());
  expectClean(page);
}

// With motion on, as in the application.
struct Moving {
  Moving() { Motion::setEnabled(true); }
  ~Moving() { Motion::setEnabled(false); }
};

TEST(CardPage, APanelThatLeavesFadesOutOverTheNextAndProgressKeepsThePanelItHas) {
  TESSORIN_REQUIRE_VOLUMES();
  Moving motion;
  auto volume = LoopVolume::create(FileSystemKind::exfat, 64_MiB);
  Checked card(deviceOf(volume->mountPoint(), volume->loopDevice(), 64_MiB));
  LoadedPage page(card.session.get());
  ASSERT_TRUE(page.shows("startPanel"));

  card.session->setStage(CardSessionStage::quick({}));
  QCoreApplication::processEvents();
  EXPECT_TRUE(page.shows("quickPanel"));
  EXPECT_TRUE(page.shows("startPanel")) << "the start panel fades out over the quick panel";
  EXPECT_FALSE(page.click("startButton")) << "a panel on its way out takes no clicks";
  ASSERT_TRUE(turnLoopUntil([&] { return page.find("startPanel") == nullptr; }, 5s)) << "gone once faded";

  ASSERT_TRUE(turnLoopUntil([&] { return page.property("quickPanel", "opacity").toDouble() == 1.0; }, 5s));
  QObject* quickPanel = page.find("quickPanel");
  QuickProbeProgress progress;
  progress.fraction = 0.5;
  card.session->setStage(CardSessionStage::quick(progress));
  QCoreApplication::processEvents();
  EXPECT_EQ(page.find("quickPanel"), quickPanel) << "a progress report is no new panel";
  EXPECT_EQ(page.property("quickPanel", "opacity").toDouble(), 1.0) << "and does not come in again";

  card.session->setStage(CardSessionStage::idle());
  ASSERT_TRUE(turnLoopUntil([&] { return page.find("quickPanel") == nullptr; }, 5s));
  EXPECT_TRUE(page.shows("startPanel"));
  expectClean(page);
}

// The advanced test's Stop spans its panel; the quick check's and the reinsertion's stay
// as wide as their label.
TEST(CardPage, TheAdvancedTestsStopSpansItsPanelAndTheOtherStopsFitTheirLabel) {
  TESSORIN_REQUIRE_VOLUMES();
  auto volume = LoopVolume::create(FileSystemKind::exfat, 64_MiB);
  Checked card(deviceOf(volume->mountPoint(), volume->loopDevice(), 64_MiB));
  LoadedPage page(card.session.get());
  ASSERT_TRUE(page.loaded());
  // The Stop of that panel, once the panel has come in and was laid out.
  const auto stopIn = [&](const char* panel) -> QQuickItem* {
    QQuickItem* stop = nullptr;
    turnLoopUntil(
        [&] {
          QObject* shown = page.find(QString::fromLatin1(panel));
          stop = shown ? shown->findChild<QQuickItem*>(QStringLiteral("stopButton")) : nullptr;
          return stop != nullptr && stop->width() > 0 && shown->property("opacity").toDouble() == 1.0;
        },
        5s);
    return stop;
  };

  card.session->setStage(CardSessionStage::full(FullTest::Progress::Phase::writing));
  QQuickItem* stop = stopIn("fullPanel");
  ASSERT_NE(stop, nullptr);
  EXPECT_EQ(stop->width(), stop->parentItem()->width()) << "the advanced test's Stop is stretched";
  EXPECT_GT(stop->width(), 2 * stop->implicitWidth());

  for (const auto& [panel, stage] : {std::pair{"quickPanel", CardSessionStage::quick({})},
                                     std::pair{"reinsertPanel", CardSessionStage::reinsert(true)}}) {
    card.session->setStage(stage);
    stop = stopIn(panel);
    ASSERT_NE(stop, nullptr) << panel;
    EXPECT_EQ(stop->width(), stop->implicitWidth()) << panel << "'s Stop fits its label";
  }
  card.session->setStage(CardSessionStage::idle());
  expectClean(page);
}

TEST(CardPage, DeletingTheSessionWhileItsPageIsShownLeavesAnEmptyPage) {
  TESSORIN_REQUIRE_VOLUMES();
  auto volume = LoopVolume::create(FileSystemKind::exfat, 256_MiB);
  const CardDevice device = deviceOf(volume->mountPoint(), volume->loopDevice(), 256_MiB);
  QuickProbeResult fake;
  fake.probeSize = 1'000'000;
  fake.usedBytes = 99'000'000;
  fake.layout.spacing = 101'000'000;
  fake.layout.slotCount = 3;
  fake.volumeBytes = device.volume.totalBytes;
  fake.outcomes = {ProbeOutcome::ok, ProbeOutcome::blank, ProbeOutcome::blank};
  fake.writeSeconds = {0.5, 0.5, 0.5};
  ASSERT_EQ(fake.verdict(), QuickProbeResult::Verdict::fake);

  const struct {
    const char* name;
    const char* panel;
    std::function<void(CardSession&)> bring;
  } cases[] = {
      {"idle", "startPanel", [](CardSession&) {}},
      {"decision", "decisionPanel",
       [&](CardSession& s) {
         s.applyPartialQuickResult(fake);
         s.setStage(CardSessionStage::decision());
       }},
      {"finished", "outcomePanel", [&](CardSession& s) { FinishedCheckSeam::finish(s, {.quick = fake}); }},
      {"erasing", "erasingPanel", [](CardSession& s) { s.setStage(CardSessionStage::erasing()); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Checked card(device);
    c.bring(*card.session);
    LoadedPage page(card.session.get());
    ASSERT_TRUE(page.shows(c.panel));
    card.session->setErrorMessage(QStringLiteral("shown as it goes"));
    card.session.reset();
    QCoreApplication::processEvents();
    EXPECT_FALSE(page.shows("pageScroll"));
    EXPECT_FALSE(page.shows(c.panel));
    EXPECT_FALSE(page.property("errorAlert", "visible").toBool());
    EXPECT_EQ(page.title(), QString());
    expectClean(page);
  }
}

}  // namespace
}  // namespace tessorin
