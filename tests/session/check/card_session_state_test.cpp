#include "session/check/CardSession.hpp"

#include <cmath>

#include <QSignalSpy>
#include <gtest/gtest.h>

#include "../SessionFixture.hpp"
#include "session/records/OutcomeVerdict.hpp"

namespace tessorin {
namespace {

using namespace std::chrono_literals;
using Kind = CardSessionStage::Kind;
using Phase = FullTest::Progress::Phase;
using Action = PermissionRequest::Action;
constexpr std::uint64_t MiB = 1ull << 20;
constexpr std::uint64_t GiB = 1ull << 30;

CardDevice cardWith(std::uint64_t total, std::uint64_t available, bool leftovers = false) {
  CardDevice device;
  device.id = "CARD-1";
  device.volumeURL = "/nonexistent/CARD";
  device.volumeName = "CARD";
  device.mediaBytes = total;
  device.volume = VolumeStats("exfat", 4096, total, available, "/dev/nonexistent1");
  device.hasLeftoverTestFiles = leftovers;
  return device;
}

struct Session {
  testing::SessionWorld world;
  CardSession session;
  explicit Session(CardDevice device = cardWith(8 * GiB, 8 * GiB))
      : session(std::move(device), &world.history, world.settings, testing::smallCardEnvironment()) {}
};

QuickProbeProgress zoneReport(QuickProbeProgress::Step step, std::int64_t completed, double speed) {
  return QuickProbeProgress(QuickProbeProgress::Phase::zone, step, completed, 64, speed);
}

TEST(CardSessionState, StageNotifiesOnlyWhenItsPayloadChanges) {
  Session s;
  QSignalSpy changes(&s.session, &CardSession::stageChanged);
  s.session.setStage(CardSessionStage::idle());
  EXPECT_EQ(changes.count(), 0);
  s.session.setStage(CardSessionStage::quick(zoneReport(QuickProbeProgress::Step::writing, 1, 5e6)));
  s.session.setStage(CardSessionStage::quick(zoneReport(QuickProbeProgress::Step::writing, 1, 5e6)));
  EXPECT_EQ(changes.count(), 1);
  s.session.setStage(CardSessionStage::quick(zoneReport(QuickProbeProgress::Step::writing, 2, 5e6)));
  s.session.setStage(CardSessionStage::reinsert(true));
  s.session.setStage(CardSessionStage::reinsert(false));
  EXPECT_EQ(changes.count(), 4);
}

TEST(CardSessionState, QuickSkippedAndZoneResultNotifyOnlyWhenTheyChange) {
  Session s;
  QSignalSpy skipped(&s.session, &CardSession::quickSkippedChanged);
  QSignalSpy zones(&s.session, &CardSession::zoneResultChanged);
  s.session.setQuickSkipped(QuickProbe::Unsupported::fileSystem("msdos"));
  s.session.setQuickSkipped(QuickProbe::Unsupported::fileSystem("msdos"));
  s.session.setQuickSkipped(QuickProbe::Unsupported::fileSystem("ntfs"));
  ZoneResult zone;
  zone.bytes = 64 * MiB;
  s.session.setZoneResult(zone);
  s.session.setZoneResult(zone);
  s.session.setZoneResult(std::nullopt);
  EXPECT_EQ(skipped.count(), 2);
  EXPECT_EQ(zones.count(), 2);
}

TEST(CardSessionState, ClaimedBrandIsSavedOnEveryWriteButNotifiesOnlyOnChange) {
  Session s;
  QSignalSpy changes(&s.session, &CardSession::claimedBrandChanged);
  s.session.setClaimedBrand(Brand::lexar);
  s.world.settings.remove("ClaimedBrands");
  s.session.setClaimedBrand(Brand::lexar);
  EXPECT_EQ(changes.count(), 1);
  EXPECT_EQ(s.world.settings.value("ClaimedBrands").toMap().value("CARD-1").toString(), "lexar");
  s.session.setClaimedBrand(std::nullopt);
  EXPECT_FALSE(s.world.settings.value("ClaimedBrands").toMap().contains("CARD-1"));

  // A new session of the same card starts with what was chosen last.
  s.session.setClaimedBrand(Brand::other);
  s.session.setCustomBrandName("  Acme  ");
  CardSession again(cardWith(8 * GiB, 8 * GiB), &s.world.history, s.world.settings, testing::smallCardEnvironment());
  EXPECT_EQ(again.claimedBrand(), Brand::other);
  EXPECT_EQ(again.brandName(), "Acme");
}

TEST(CardSessionState, BrandNameFallsBackToTheCatchAllLabelAndKeepsThirtyCharacters) {
  Session s;
  EXPECT_FALSE(s.session.brandName());
  s.session.setClaimedBrand(Brand::other);
  s.session.setCustomBrandName(" \n ");
  EXPECT_EQ(s.session.brandName(), "Other brand");
  s.session.setCustomBrandName(std::string(40, 'x'));
  EXPECT_EQ(s.session.brandName(), std::string(30, 'x'));
  s.session.setClaimedBrand(Brand::sandisk);
  EXPECT_EQ(s.session.brandName(), Brand(Brand::sandisk).label());
}

TEST(CardSessionState, StartAsksToEraseOffersToEraseOrChecksByTheCardsFigures) {
  struct Case {
    std::uint64_t total, available;
    bool leftovers;
    bool confirm, offer;
  };
  const Case cases[] = {
      {8 * GiB, 8 * GiB - 60 * MiB, false, false, false},      // at most 64 MiB used: never asked
      {4 * GiB, 3900 * MiB, false, false, false},              // 100 MiB used of 4 GB: checks
      {1000 * MiB, 900 * MiB, false, true, false},             // under 1 GiB free
      {64 * GiB, 5 * GiB, false, true, false},                 // under a tenth free
      {64 * GiB, 20 * GiB, false, false, true},                // over a tenth used
      {512 * MiB, 512 * MiB - 65 * MiB, false, true, false},   // too little free comes first
      {64 * GiB, 1 * GiB, true, false, false},                 // leftovers free their space
  };
  using Answer = CardSession::StartAnswer;
  for (const Case& c : cases) {
    Session s(cardWith(c.total, c.available, c.leftovers));
    // start() asks this once it has read the card's figures again (a loop volume's test).
    const Answer expected = c.confirm ? Answer::askToErase : c.offer ? Answer::offerToErase : Answer::check;
    EXPECT_EQ(s.session.startAnswer(), expected) << c.total << " " << c.available;
  }
}

TEST(CardSessionState, FilesOnTheCardCountFromSixtyFourMiBOnSmallCardsAndATenthOnLargeOnes) {
  EXPECT_TRUE(Session(cardWith(512 * MiB, 512 * MiB - 65 * MiB)).session.hasFiles());
  EXPECT_FALSE(Session(cardWith(1 * GiB, 1 * GiB - 100 * MiB)).session.hasFiles());
  EXPECT_TRUE(Session(cardWith(1 * GiB, 1 * GiB - 110 * MiB)).session.hasFiles());
  EXPECT_FALSE(Session(cardWith(0, 0)).session.hasFiles());
  EXPECT_FALSE(Session(cardWith(1 * GiB, 0, true)).session.hasFiles());
}

TEST(CardSessionState, NothingStartsWhileBusy) {
  Session s;
  s.session.setStage(CardSessionStage::decision());
  s.session.start();
  s.session.check();
  s.session.eraseAndCheck();
  EXPECT_FALSE(s.session.permissionRequest());
  EXPECT_EQ(s.session.stage().kind, Kind::decision);
  s.session.discardOutcome();
  EXPECT_EQ(s.session.stage().kind, Kind::decision);
}

TEST(CardSessionState, LateQuickReportsAreDroppedAndOnlyMovingSpeedsTraceTheZone) {
  Session s;
  s.session.applyProbeProgress(zoneReport(QuickProbeProgress::Step::writing, 1, 5e6));
  EXPECT_EQ(s.session.stage().kind, Kind::idle) << "no report moves a session into the quick stage";

  s.session.setStage(CardSessionStage::quick(QuickProbeProgress{}));
  s.session.applyProbeProgress(zoneReport(QuickProbeProgress::Step::writing, 16, 0));
  s.session.applyProbeProgress(zoneReport(QuickProbeProgress::Step::writing, 32, 20e6));
  s.session.applyProbeProgress(zoneReport(QuickProbeProgress::Step::random, 0, 1e6));
  s.session.applyProbeProgress(zoneReport(QuickProbeProgress::Step::verifying, 8, 30e6));
  ASSERT_EQ(s.session.zoneTrace().write.size(), 1u);
  EXPECT_EQ(s.session.zoneTrace().write[0].position, 32 * MiB);
  EXPECT_EQ(s.session.zoneTrace().read.size(), 1u);

  s.session.setStage(CardSessionStage::decision());
  s.session.applyProbeProgress(zoneReport(QuickProbeProgress::Step::writing, 40, 20e6));
  EXPECT_EQ(s.session.stage().kind, Kind::decision);
}

TEST(CardSessionState, PartialQuickResultsNeverGoBackToAnEarlierStage) {
  Session s;
  QuickProbeResult fine;
  fine.completed = QuickProbeResult::Stage::fine;
  fine.probeSize = 1;
  QuickProbeResult coarse;
  coarse.completed = QuickProbeResult::Stage::coarse;
  s.session.applyPartialQuickResult(fine);
  s.session.applyPartialQuickResult(coarse);
  EXPECT_EQ(s.session.quickResult()->completed, QuickProbeResult::Stage::fine);
  QuickProbeResult laterFine = fine;
  laterFine.probeSize = 2;
  s.session.applyPartialQuickResult(laterFine);
  EXPECT_EQ(s.session.quickResult()->probeSize, 2);
}

FullTest::Progress fullReport(Phase phase, std::uint64_t done, std::uint64_t total, double speed) {
  FullTest::Progress progress;
  progress.phase = phase;
  progress.bytesDone = done;
  progress.bytesTotal = total;
  progress.bytesPerSecond = speed;
  progress.newSamples = {SpeedSample{done, speed}};
  return progress;
}

TEST(CardSessionState, AdvancedTestFiguresFollowThePhaseAndIgnoreLateWrites) {
  Session s;
  s.session.setStage(CardSessionStage::full(Phase::preparing));
  s.session.applyFullProgress(fullReport(Phase::writing, 250'000'000, 1'000'000'000, 10e6));
  EXPECT_EQ(s.session.stage(), CardSessionStage::full(Phase::writing));
  ASSERT_TRUE(s.session.fullRemainingSeconds());
  EXPECT_NEAR(*s.session.fullRemainingSeconds(), 75 + 100.0 / 3, 1e-6);
  EXPECT_EQ(s.session.full().writeSamples.size(), 1u);

  s.session.applyFullProgress(fullReport(Phase::verifying, 250'000'000, 1'000'000'000, 10e6));
  EXPECT_NEAR(*s.session.fullRemainingSeconds(), 75, 1e-6);
  const QDateTime verifyingSince = s.session.full().phaseStarted;
  s.session.applyFullProgress(fullReport(Phase::writing, 900'000'000, 1'000'000'000, 10e6));
  EXPECT_EQ(s.session.stage(), CardSessionStage::full(Phase::verifying));
  EXPECT_EQ(s.session.full().bytesDone, 250'000'000u);
  EXPECT_EQ(s.session.full().phaseStarted, verifyingSince);

  s.session.applyFullProgress(fullReport(Phase::cleaning, 0, 0, 0));
  EXPECT_EQ(s.session.full().readSamples.size(), 1u) << "cleaning keeps no samples";
  // The clean-up reports no amounts; the ring must not fall back to nothing while it waits.
  EXPECT_EQ(s.session.full().bytesDone, 250'000'000u);
  EXPECT_EQ(s.session.full().bytesTotal, 1'000'000'000u);
  EXPECT_EQ(s.session.full().bytesPerSecond, 0);
  EXPECT_FALSE(s.session.fullRemainingSeconds());
}

TEST(CardSessionState, AnAnswerToAWithdrawnFolderRequestChangesNothing) {
  testing::SessionWorld world;
  std::function<void(std::optional<QString>)> pendingAnswer;
  CardSession::Environment environment = testing::smallCardEnvironment();
  environment.folderPicker = [&pendingAnswer](const QString&, const QString&,
                                              std::function<void(std::optional<QString>)> answer) {
    pendingAnswer = std::move(answer);
  };
  CardSession session(cardWith(8 * GiB, 8 * GiB), &world.history, world.settings, environment);
  session.check();
  ASSERT_TRUE(testing::turnLoopUntil([&] { return session.permissionRequest().has_value(); }, 30s));
  const QUuid requestID = session.permissionRequest()->id;

  session.handlePermissionGrant();
  pendingAnswer(QStringLiteral("/somewhere/else"));
  ASSERT_TRUE(session.permissionRequest());
  EXPECT_EQ(session.permissionRequest()->id, requestID);
  EXPECT_TRUE(session.permissionRequest()->pickedWrongFolder);

  session.handlePermissionGrant();
  session.setPermissionRequest(std::nullopt);  // the guide was closed while the dialog was open
  pendingAnswer(QStringLiteral("/nonexistent/CARD"));
  EXPECT_FALSE(session.permissionRequest());
  EXPECT_FALSE(session.task()) << "no check starts from a withdrawn request";
}

CheckRecord recordNamed(const std::string& cardName) {
  CheckRecord record;
  record.cardName = cardName;
  return record;
}

TEST(CardSessionState, ALateShareNameLandsOnTheSharedRecordNotOnANewerCheck) {
  Session s;
  const CheckRecord shared = recordNamed("older");
  s.world.history.add(shared);
  s.session.setStage(CardSessionStage::decision());
  // A newer check of the card finishes before the cloud answers.
  QuickProbeResult quick;
  s.session.applyPartialQuickResult(quick);
  s.session.finish();
  ASSERT_TRUE(s.session.record());
  const QUuid newer = s.session.record()->id;

  s.session.updateRecord(shared.id, "record-1");
  EXPECT_FALSE(s.session.record()->sharedRecordName);
  ASSERT_EQ(s.world.history.records().size(), 2u);
  EXPECT_EQ(s.world.history.records()[0].id, newer);
  EXPECT_FALSE(s.world.history.records()[0].sharedRecordName);
  EXPECT_EQ(s.world.history.records()[1].sharedRecordName, "record-1");

  s.session.updateRecord(newer, "record-2");
  EXPECT_EQ(s.session.record()->sharedRecordName, "record-2");
  s.session.setClaimedBrand(Brand::other);
  s.session.setCustomBrandName("  Acme ");
  s.session.savePurchase(Purchase{});
  EXPECT_EQ(s.session.record()->brandName, "Acme");
  EXPECT_EQ(s.session.record()->sharedRecordName, "record-2") << "saving keeps the shared name";
  EXPECT_EQ(s.world.history.records()[0], *s.session.record());
}

// An advanced test that wrote nothing judged nothing, unless the card refused its first
// write: a card that takes no data is damaged, and a fake the quick check proved stays fake.
TEST(CardSessionState, AnAdvancedTestThatWroteNothingDecidesOnlyWhenTheCardRefusedItsFirstWrite) {
  FullTestResult nothingWritten;
  FullTestResult refused;
  refused.manifest.writeStop = FullTestResult::WriteStop::ioError(EROFS, 0);
  ZoneResult failedZone;
  failedZone.writeFailed = true;
  QuickProbeResult quickPassed;
  quickPassed.outcomes = {ProbeOutcome::ok, ProbeOutcome::ok};
  QuickProbeResult quickFake;
  quickFake.wrapDistance = 256 * MiB;
  using Verdict = CheckOutcome::Verdict;
  using Method = CheckOutcome::Method;
  const struct {
    const char* what;
    std::optional<QuickProbeResult> quick;
    FullTestResult full;
    std::optional<ZoneResult> zone;
    Verdict verdict;
    Method method;
  } cases[] = {
      {"nothing written", std::nullopt, nothingWritten, std::nullopt, Verdict::inconclusive, Method::quick},
      {"nothing written, zone failed", std::nullopt, nothingWritten, failedZone, Verdict::damaged, Method::quick},
      {"first write refused", std::nullopt, refused, std::nullopt, Verdict::damaged, Method::full},
      {"first write refused after a passed quick check", quickPassed, refused, std::nullopt, Verdict::damaged,
       Method::full},
      {"first write refused after a fake quick check", quickFake, refused, std::nullopt, Verdict::fake, Method::quick},
  };
  for (const auto& c : cases) {
    const OutcomeVerdict decided = OutcomeVerdict::decide(c.quick, c.full, c.zone);
    EXPECT_EQ(decided.verdict, c.verdict) << c.what;
    EXPECT_EQ(decided.method, c.method) << c.what;
  }
}

// A check stopped once its speed was measured, before the advanced test read anything
// back, is judged by the speed zone alone: data that came back written for a place a
// wrap away is a fake's, read back from the card or through this computer's copy (which
// holds what was written for each place, so cannot have served it), and no size is
// claimed; anything else lost is damage; nothing lost is no answer.
TEST(CardSessionState, ACheckStoppedAfterItsSpeedWasMeasuredClaimsOnlyWhatTheZoneShowed) {
  using Verdict = CheckOutcome::Verdict;
  const auto zoneWith = [](SectorTally tally, bool fromCard) {
    ZoneResult zone = ZoneResult::make(192 * MiB, 2, {96e6, 96e6}, 1, {192e6}, tally, false);
    zone.readBackReachedCard = fromCard;
    return zone;
  };
  SectorTally wrapped;
  wrapped.ok = 200'000;
  wrapped.misplaced = 131'072;
  wrapped.corrupted = 12;
  wrapped.smallestWrapDistance = 128 * MiB;
  SectorTally corrupted;
  corrupted.ok = 390'000;
  corrupted.corrupted = 3;
  SectorTally clean;
  clean.ok = 393'216;
  const struct {
    const char* what;
    ZoneResult zone;
    Verdict verdict;
  } cases[] = {
      {"misplaced, read from the card", zoneWith(wrapped, true), Verdict::fake},
      {"misplaced, read through this computer's copy", zoneWith(wrapped, false), Verdict::fake},
      {"corrupted only", zoneWith(corrupted, true), Verdict::damaged},
      {"clean", zoneWith(clean, true), Verdict::inconclusive},
      {"clean through this computer's copy", zoneWith(clean, false), Verdict::inconclusive},
  };
  for (const auto& c : cases) {
    Session s;
    s.session.setZoneResult(c.zone);
    s.session.finish();
    ASSERT_TRUE(s.session.outcome()) << c.what;
    const CheckOutcome& outcome = *s.session.outcome();
    EXPECT_EQ(outcome.verdict, c.verdict) << c.what;
    EXPECT_EQ(outcome.method, CheckOutcome::Method::quick) << c.what;
    EXPECT_FALSE(outcome.realBytes) << c.what;
    // Memory's speed is no card's.
    EXPECT_EQ(outcome.speed.has_value(), c.zone.readBackReachedCard) << c.what;
    ASSERT_EQ(s.world.history.records().size(), 1u) << c.what;
    const CheckRecord& kept = s.world.history.records().front();
    EXPECT_EQ(kept.verdict, c.verdict) << c.what;
    EXPECT_FALSE(kept.realBytes) << c.what;
    EXPECT_EQ(kept.readSpeed.has_value(), c.zone.readBackReachedCard) << c.what;
  }
}

// The card page's alert reads both; a plain message must not keep an older error's words.
TEST(CardSessionError, APlainMessageOrClosingTheAlertClearsTheSystemsWords) {
  testing::SessionWorld world;
  CardDevice device;
  device.id = "CARD-1";
  device.volumeURL = "/media/user/CARD";
  CardSession session(device, &world.history, world.settings, testing::smallCardEnvironment());
  QSignalSpy changes(&session, &CardSession::errorMessageChanged);

  session.setError({QStringLiteral("The test stopped: the card is full."), QStringLiteral("No space left on device")});
  EXPECT_EQ(session.errorMessage(), QStringLiteral("The test stopped: the card is full."));
  EXPECT_EQ(session.errorDetail(), "No space left on device");
  session.setError({QStringLiteral("The test stopped: the card is full."), QStringLiteral("No space left on device")});
  EXPECT_EQ(changes.count(), 1) << "the same notice again is no change";

  session.setErrorMessage(QStringLiteral("The card was removed during the test."));
  EXPECT_EQ(session.errorDetail(), "");
  EXPECT_EQ(changes.count(), 2);

  session.setError({QStringLiteral("The card was removed during the test."), QStringLiteral("No such device")});
  EXPECT_EQ(changes.count(), 3) << "new words under the same message are a change";
  session.setErrorMessage(std::nullopt);
  EXPECT_FALSE(session.errorMessage());
  EXPECT_EQ(session.errorDetail(), "");
  EXPECT_EQ(changes.count(), 4);
}

}  // namespace
}  // namespace tessorin
