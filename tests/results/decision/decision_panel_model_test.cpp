// The decision after a quick check that found a fake or damaged card, over a real
// session holding real quick results.

#include <QSignalSpy>
#include <gtest/gtest.h>

#include "ResultValues.hpp"
#include "../session/SessionFixture.hpp"
#include "theme/Palette.hpp"
#include "results/decision/DecisionPanelModel.hpp"

namespace tessorin {
namespace {

using testing::cleanZone;
using testing::fakeQuickResult;
using Verdict = CheckOutcome::Verdict;

const QString lostSentence = QStringLiteral("Probes written past the real size were lost: the card pretends to store them.");
const QString wrapSentence = QStringLiteral(
    "Probes written past the real size landed on top of earlier ones: the card wraps around and overwrites itself.");
const QString startSentence = QStringLiteral(
    "What was written to the start of the card, where even a fake card has real memory, came back wrong. This card "
    "doesn’t keep what it’s given.");
const QString acrossSentence = QStringLiteral(
    "Data written across the card came back wrong in places. Fake or failing, this card doesn’t keep what it’s "
    "given.");

QuickProbeResult withZone(QuickProbeResult quick, ZoneResult zone) {
  quick.zone = std::move(zone);
  return quick;
}

// Every probe intact, but the zone at the start of the card failed.
QuickProbeResult damagedAtTheStart() {
  QuickProbeResult quick = testing::passedQuickResult(8'000'000'000);
  ZoneResult zone = cleanZone();
  zone.writeFailed = true;
  quick.zone = zone;
  return quick;
}

// The zone's writes refused by a card that turned read-only: what it took reads back.
QuickProbeResult turnedReadOnlyAtTheStart() {
  QuickProbeResult quick = damagedAtTheStart();
  quick.writesRefusedAfter = 300'000'000;
  return quick;
}

// One probe corrupted among intact ones, the zone clean.
QuickProbeResult damagedAcross() {
  QuickProbeResult quick = testing::passedQuickResult(8'000'000'000);
  quick.outcomes[1] = ProbeOutcome::corrupted;
  quick.zone = cleanZone();
  return quick;
}

QuickProbeResult wrapping(std::uint64_t distance) {
  QuickProbeResult quick = fakeQuickResult(2'000'000'000, 8'000'000'000);
  quick.wrapDistance = distance;
  return quick;
}

// A fake that lost a probe inside its real part too: ok, corrupted, ok, ok, then the tail lost.
QuickProbeResult fakeThatDamagesItsRealPart() {
  QuickProbeResult quick = fakeQuickResult(4'000'000'000, 8'000'000'000);
  quick.layout.slotCount = 7;
  quick.outcomes = {ProbeOutcome::ok, ProbeOutcome::corrupted, ProbeOutcome::ok, ProbeOutcome::ok,
                    ProbeOutcome::blank, ProbeOutcome::blank, ProbeOutcome::blank};
  quick.writeSeconds = std::vector<double>(7, 0.5);
  quick.lostAfterVerifying = 2;
  return quick;
}

TEST(DecisionPanelModelTest, FindingsOfEachQuickResult) {
  const struct {
    const char* name;
    std::optional<QuickProbeResult> quick;
    QColor tint;
    Verdict shown;
    std::optional<std::uint64_t> real;
    std::optional<std::uint64_t> wideEnd;
    bool comparison;
    QString sentence;
    bool lost;
    bool failed;
  } cases[] = {
      {"no quick result", std::nullopt, Palette::red(), Verdict::fake, {}, {}, false, {}, false, false},
      {"range within a twentieth", fakeQuickResult(8'000'000'000, 8'300'000'000), Palette::red(), Verdict::fake,
       8'000'000'000, {}, true, lostSentence, false, false},
      {"wide range", fakeQuickResult(8'000'000'000, 8'500'000'000), Palette::red(), Verdict::fake, 8'000'000'000,
       8'500'000'000, true, lostSentence, false, false},
      // The twentieth of 8,000,000,019 is cut to 400,000,000: one byte more is wide.
      {"one byte past the cut twentieth", fakeQuickResult(8'000'000'019, 8'400'000'020), Palette::red(),
       Verdict::fake, 8'000'000'019, 8'400'000'020, true, lostSentence, false, false},
      {"exactly the twentieth", fakeQuickResult(8'000'000'000, 8'400'000'000), Palette::red(), Verdict::fake,
       8'000'000'000, {}, true, lostSentence, false, false},
      {"wrap-around", wrapping(2'147'483'648), Palette::red(), Verdict::fake, 2'147'483'648, {}, true, wrapSentence,
       false, false},
      {"damaged where the zone failed", damagedAtTheStart(), Palette::amber(), Verdict::damaged, {}, {}, false,
       startSentence, false, false},
      {"turned read-only in the zone", turnedReadOnlyAtTheStart(), Palette::amber(), Verdict::damaged, {}, {}, false,
       "The card stopped accepting writes during the check. What it took still reads back, but it takes nothing "
       "new.",
       false, false},
      {"damaged across the card", damagedAcross(), Palette::amber(), Verdict::damaged, {}, {}, false,
       acrossSentence, false, false},
      {"fake that also damages its real part", fakeThatDamagesItsRealPart(), Palette::red(), Verdict::fake,
       16'003'000'000, 20'003'000'000, true, lostSentence, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.quick) {
      ASSERT_EQ(c.quick->verdict(), c.shown == Verdict::damaged ? QuickProbeResult::Verdict::damaged
                                                                : QuickProbeResult::Verdict::fake);
    }
    const DecisionPanelModel::Findings found = DecisionPanelModel::findings(c.quick);
    EXPECT_EQ(found.tint, c.tint);
    EXPECT_EQ(found.shownVerdict, c.shown);
    EXPECT_EQ(found.realBytes, c.real);
    EXPECT_EQ(found.wideRangeEnd, c.wideEnd);
    EXPECT_EQ(found.showsComparison, c.comparison);
    EXPECT_EQ(found.sentence, c.sentence);
    EXPECT_EQ(found.lostWarning, c.lost);
    EXPECT_EQ(found.failedWarning, c.failed);
  }
}

struct DecisionWorld : testing::SessionWorld {
  std::unique_ptr<CardSession> session;
  DecisionPanelModel panel;

  explicit DecisionWorld(CardDevice::Connection connection = CardDevice::Connection::builtInReader()) {
    CardDevice device;
    device.id = "card-1";
    device.volumeName = "CARD";
    device.mediaBytes = 64'000'000'000;
    device.connection = connection;
    device.volume.fileSystem = "exfat";
    device.volume.totalBytes = 64'000'000'000;
    device.volume.availableBytes = 64'000'000'000;
    session = std::make_unique<CardSession>(device, &history, settings, CardSession::Environment{});
    session->setStage(CardSessionStage::decision());
    panel.setSession(session.get());
  }
};

TEST(DecisionPanelModelTest, HeadlineAndBarsShareOneCopyOfTheQuickResultAndTheClaim) {
  DecisionWorld world;
  QSignalSpy changed(&world.panel, &DecisionPanelModel::changed);
  world.session->applyPartialQuickResult(fakeQuickResult(8'000'000'000, 8'500'000'000));
  EXPECT_GE(changed.count(), 1);
  const VerdictHeadlineInput headline = world.panel.headline();
  EXPECT_EQ(headline.verdict, Verdict::fake);
  EXPECT_EQ(headline.realBytes, 8'000'000'000u);
  EXPECT_EQ(headline.lostFrom, 8'500'000'000u);
  EXPECT_EQ(headline.advertisedBytes, 64'000'000'000u);
  EXPECT_EQ(headline.method, CheckOutcome::Method::quick);
  EXPECT_FALSE(headline.testedBytes.has_value());
  EXPECT_EQ(world.panel.comparison(), (CapacityComparisonInput{64'000'000'000, 8'000'000'000, 8'500'000'000}));
  EXPECT_EQ(world.panel.probeStrip().probes.size(), 3u);
  EXPECT_FALSE(world.panel.probeStrip().live);
  EXPECT_EQ(world.panel.estimateSentence(),
            QStringLiteral("It checks every byte and measures the exact real capacity. It can take 1h\u00A011m or more, "
                           "and you can stop it at any time."));
  EXPECT_EQ(DecisionPanelModel::estimateSentence(0),
            QStringLiteral("It checks every byte and measures the exact real capacity. It can take 1s or more, and "
                           "you can stop it at any time."));
}

TEST(DecisionPanelModelTest, SpeedBoxFromTheQuickZoneElseTheSeparateZoneAndOnlyWithAQuickResult) {
  DecisionWorld world(CardDevice::Connection::usb());
  world.session->setZoneResult(cleanZone(128'000'000));
  EXPECT_FALSE(world.panel.showsSpeed()) << "without a quick result the panel starts at the question";
  EXPECT_FALSE(world.panel.hasQuickResult());

  world.session->applyPartialQuickResult(fakeQuickResult(8'000'000'000, 8'300'000'000));
  ASSERT_TRUE(world.panel.showsSpeed());
  EXPECT_EQ(world.panel.speedSummary().zone.bytes, 128'000'000u) << "the zone run apart";

  world.session->applyPartialQuickResult(withZone(fakeQuickResult(8'000'000'000, 8'300'000'000), cleanZone()));
  ASSERT_TRUE(world.panel.showsSpeed());
  EXPECT_EQ(world.panel.speedSummary().zone.bytes, 256'000'000u) << "the quick check's own zone first";
  EXPECT_FALSE(world.panel.speedSummary().isSDCard) << "a USB drive is rated without the SD markings";

  world.session->chooseDeviceKind(false);
  EXPECT_TRUE(world.session->isUSBDrive()) << "the kind is not chosen while a decision is pending";
  world.session->setStage(CardSessionStage::idle());
  world.session->chooseDeviceKind(false);
  EXPECT_TRUE(world.panel.speedSummary().isSDCard) << "a card in a USB reader is rated against the SD markings";
}

TEST(DecisionPanelModelTest, ButtonsMoveTheSessionOnAndADeletedSessionIsNotTouched) {
  DecisionWorld world;
  world.session->applyPartialQuickResult(fakeQuickResult(8'000'000'000, 8'300'000'000));
  world.panel.finishHere();
  EXPECT_EQ(world.session->stage().kind, CardSessionStage::Kind::finished);
  ASSERT_TRUE(world.session->outcome());
  EXPECT_EQ(world.session->outcome()->verdict, Verdict::fake);

  world.session.reset();
  EXPECT_FALSE(world.panel.hasQuickResult());
  EXPECT_EQ(world.panel.tint(), Palette::red());
  world.panel.confirm();
  world.panel.finishHere();
}

}  // namespace
}  // namespace tessorin
