// The live progress displays: the quick check through its phases, the advanced test from
// preparing to reading back, the reinsertion wait, the stall note, the provisional
// banner of every verdict, the speed box and the probe strip.

#include <algorithm>
#include <cmath>

#include "FinishedCheckSeam.hpp"
#include "GalleryEngineValues.hpp"
#include "GalleryState.hpp"
#include "GalleryWorld.hpp"
#include "card/progress/NotRespondingNoteModel.hpp"
#include "card/charts/ProbeStripInput.hpp"
#include "card/progress/ProvisionalBannerInput.hpp"
#include "card/charts/SpeedSummaryInput.hpp"
#include "session/check/CardSession.hpp"

namespace tessorin::gallery {
namespace {

using QuickPhase = QuickProbeProgress::Phase;
using QuickStep = QuickProbeProgress::Step;
using FullPhase = FullTest::Progress::Phase;

constexpr std::uint64_t GB = 1'000'000'000;
constexpr std::uint64_t MiB = 1ull << 20;
constexpr std::int64_t zoneMiB = 1024;
constexpr QSize panelSize(800, 1000);

QVariantMap withSession(CardSession* session) {
  // States that show no stall take the time of the last report as now.
  const QDateTime last = session->lastProgress();
  NotRespondingNoteModel::setClock([last] { return last; });
  return {{QStringLiteral("session"), QVariant::fromValue<QObject*>(session)}};
}

QuickProbeProgress quickReport(QuickPhase phase, QuickStep step, double fraction, std::int64_t completed = 0,
                               std::int64_t total = 0, double speed = 0) {
  QuickProbeProgress progress(phase, step, completed, total, speed);
  progress.fraction = fraction;
  return progress;
}

// A 64 GB card's probes across its free space, each with its outcome.
QuickProbeResult probed(std::vector<ProbeOutcome> outcomes, QuickProbeResult::Stage completed) {
  QuickProbeResult quick;
  quick.layout.zoneBytes = 1 * GB;
  quick.layout.slotCount = outcomes.size();
  quick.layout.spacing = 60 * GB / outcomes.size();
  quick.probeSize = 4 * MiB;
  quick.outcomes = std::move(outcomes);
  quick.writeSeconds = std::vector<double>(quick.outcomes.size(), 0.4);
  quick.volumeBytes = 64 * GB;
  quick.usedBytes = 2 * GB;
  quick.completed = completed;
  return quick;
}

std::vector<ProbeOutcome> outcomes(int ok, int failing, ProbeOutcome failure = ProbeOutcome::stale) {
  std::vector<ProbeOutcome> list(static_cast<std::size_t>(ok), ProbeOutcome::ok);
  list.insert(list.end(), static_cast<std::size_t>(failing), failure);
  return list;
}

// A zone written at `write` and read back at `read` bytes per second, as long as the zone
// test makes it at that speed unless `segments` says how far it got.
ZoneResult zoneOf(double write, double read, std::optional<double> randomRead = 2100,
                  std::optional<double> randomWrite = 640, std::vector<double> segments = {}) {
  if (segments.empty()) {
    for (std::size_t segment = 0; segment < zoneSegmentsAt(write); ++segment) {
      segments.push_back(write * (1 + 0.02 * std::cos(static_cast<double>(segment))));
    }
  }
  const double bytes = static_cast<double>(segments.size() * zoneSegmentBytes);
  return ZoneResult::make(segments.size() * zoneSegmentBytes, zoneWriteSeconds(segments), segments, bytes / read,
                          {read, read * 1.03},
                          SectorTally{}, false, std::nullopt, randomRead, randomWrite);
}

// The first `mebibytes` of the 1 GiB zone a 64 GB card plans written, one sample per 4 MiB.
void writeZone(CardSession* session, int mebibytes, double speed) {
  const int samples = mebibytes / 4;
  for (int i = 1; i <= samples; ++i) {
    const double wobble = 1 + 0.06 * std::sin(i * 0.3) - (i == samples / 2 ? 0.3 : 0);
    session->applyProbeProgress(
        quickReport(QuickPhase::zone, QuickStep::writing, i / 256.0, i * 4, zoneMiB, speed * wobble));
  }
}

// The zone's first `mebibytes` read back at `speed`, after writing all of it at 30 MB/s.
void readZoneBack(CardSession* session, int mebibytes, double speed) {
  writeZone(session, zoneMiB, 30e6);
  for (int i = 1; i <= mebibytes / 4; ++i) {
    session->applyProbeProgress(quickReport(QuickPhase::zone, QuickStep::verifying, 0.5 + i / 2560.0, i * 4, zoneMiB,
                                            speed * (1 + 0.03 * std::cos(i * 0.5))));
  }
}

// The whole test space read back at about `speed`, one sample per 1/60 of it.
std::vector<SpeedSample> readBack(std::uint64_t total, double speed) {
  std::vector<SpeedSample> samples;
  for (int i = 1; i <= 60; ++i) samples.push_back({total / 60 * static_cast<std::uint64_t>(i), speed * (1 + 0.03 * std::sin(i))});
  return samples;
}

CardSession* quickSession(GalleryWorld& world, const QuickProbeProgress& progress) {
  CardSession* session = world.session(GalleryWorld::builtInCard(64 * GB, "SDXC"));
  session->setStage(CardSessionStage::quick(progress));
  return session;
}

FullTest::Progress fullReport(FullPhase phase, std::uint64_t total, std::uint64_t done, double speed,
                              const CapacityMap& map, std::vector<SpeedSample> samples = {}) {
  FullTest::Progress report;
  report.phase = phase;
  report.bytesTotal = total;
  report.bytesDone = done;
  report.bytesPerSecond = speed;
  report.map = map;
  report.newSamples = std::move(samples);
  return report;
}

// Writing of `total` bytes up to `share` of them, one sample per 1/60 of the card.
CardSession* writingSession(CardSession* session, std::uint64_t total, double share, double speed) {
  session->setStage(CardSessionStage::full(FullPhase::preparing));
  CapacityMap map(total);
  const int count = static_cast<int>(share * 60);
  std::vector<SpeedSample> samples;
  for (int i = 1; i <= count; ++i) {
    const double dip = i > count / 2 && i < count / 2 + 4 ? 0.55 : 1;
    samples.push_back({total / 60 * static_cast<std::uint64_t>(i), speed * dip * (1 + 0.04 * std::cos(i * 0.7))});
  }
  const auto done = static_cast<std::uint64_t>(share * static_cast<double>(total));
  map.markWritten(0, done);
  session->applyFullProgress(fullReport(FullPhase::writing, total, done, speed, map, samples));
  return session;
}

QVariantMap bannerOf(QuickProbeResult quick) {
  return {{QStringLiteral("input"), QVariant::fromValue(ProvisionalBannerInput{std::move(quick)})}};
}

// With all three notes: probes lost after reading back, little free space, a stall. A
// probe lost after reading back stays a failed probe, so only a result with failed probes
// has lost any.
QuickProbeResult withNotes(QuickProbeResult quick) {
  const auto failed = std::count_if(quick.outcomes.begin(), quick.outcomes.end(),
                                    [](ProbeOutcome outcome) { return outcome != ProbeOutcome::ok; });
  quick.lostAfterVerifying = std::min<std::int64_t>(2, failed);
  quick.usedBytes = 40 * GB;
  quick.writeSeconds.back() = 14;
  return quick;
}

QVariantMap summaryOf(ZoneResult zone, std::optional<double> ceiling, bool isSDCard, std::optional<double> usbLink) {
  SpeedSummaryInput input{zone, SpeedRating::rate(zone, ceiling), isSDCard, usbLink};
  return {{QStringLiteral("input"), QVariant::fromValue(input)}};
}

QVariantMap stripOf(std::size_t count) {
  ProbeStripInput input;
  input.live = true;
  for (std::size_t i = 0; i < count; ++i) {
    input.probes.push_back(i % 29 == 7 ? ProbeCell::bad : i < count * 2 / 3 ? ProbeCell::ok : i < count * 5 / 6 ? ProbeCell::written : ProbeCell::untested);
  }
  return {{QStringLiteral("input"), QVariant::fromValue(input)}};
}

Expectation shown(const char* object, bool visible);
QVariantMap writing63(GalleryWorld& world);

// The stall note of a session whose last report came `seconds` ago.
GalleryState silentFor(int seconds, bool noteShown) {
  return {.view = "NotRespondingNote",
          .state = QStringLiteral("%1s").arg(seconds),
          .size = QSize(700, 120),
          .scene = "scenes/NotRespondingNoteScene.qml",
          .properties =
              [seconds](GalleryWorld& world) {
                CardSession* session = world.session(GalleryWorld::builtInCard(64 * GB, "SDXC"));
                QVariantMap properties = withSession(session);
                const QDateTime last = session->lastProgress();
                NotRespondingNoteModel::setClock([last, seconds] { return last.addSecs(seconds); });
                return properties;
              },
          .expectations = {shown("note", noteShown)}};
}

Expectation text(const char* object, const char* value) {
  return {QString::fromLatin1(object), QStringLiteral("text"), QString::fromUtf8(value)};
}
Expectation shown(const char* object, bool visible) {
  return {QString::fromLatin1(object), QStringLiteral("visible"), visible};
}

// The speed zone a third written, after probes that found a fake.
QVariantMap zoneWriting40(GalleryWorld& world) {
  CardSession* session = quickSession(world, quickReport(QuickPhase::zone, QuickStep::writing, 0, 0, zoneMiB));
  session->applyPartialQuickResult(probed(outcomes(12, 2), QuickProbeResult::Stage::fine));
  writeZone(session, 324, 38e6);
  session->applyProbeProgress(quickReport(QuickPhase::zone, QuickStep::writing, 0.3182, 326, zoneMiB, 37.6e6));
  return withSession(session);
}

// The zone's short chart keeps its position labels and title whatever width the panel gets.
const Expectation zoneChartAxisWhole{QStringLiteral("zoneChart"), QStringLiteral("positionAxisWhole"), true};

GalleryState zoneWritingAtWidth(const char* state, int width) {
  return {.view = "QuickProgressPanel", .state = state, .size = QSize(width, 760),
          .scene = "scenes/QuickProgressPanelScene.qml", .properties = zoneWriting40,
          .expectations = {zoneChartAxisWhole}};
}

const bool registered = addGalleryStates({
    {.view = "QuickProgressPanel", .state = "zone-writing-40", .size = panelSize,
     .scene = "scenes/QuickProgressPanelScene.qml",
     .properties = zoneWriting40,
     .expectations = {text("quickPercent", "40%"), shown("zoneChart", true), shown("provisionalBanner", true),
                      text("bannerHeadline", "So far: fake"), shown("speedSummary", false), zoneChartAxisWhole}},
    zoneWritingAtWidth("zone-chart-at-560", 560),
    zoneWritingAtWidth("zone-chart-at-1100", 1100),
    {.view = "QuickProgressPanel", .state = "coarse-writing-0", .size = QSize(800, 560),
     .scene = "scenes/QuickProgressPanelScene.qml",
     .properties = [](GalleryWorld& world) {
       CardSession* session = quickSession(world, quickReport(QuickPhase::coarse, QuickStep::writing, 0, 0, 16));
       QuickProbeProgress progress = quickReport(QuickPhase::coarse, QuickStep::writing, 0, 0, 16);
       progress.cells = std::vector<ProbeCell>(16, ProbeCell::untested);
       session->applyProbeProgress(progress);
       return withSession(session);
     },
     .expectations = {text("quickPercent", "0%"), text("quickTitle", "Probing the whole card"),
                      text("probeCounter", "Probe 0 of 16"), shown("probeStrip", true)}},
    {.view = "QuickProgressPanel", .state = "probe-3-of-16", .size = QSize(800, 560),
     .scene = "scenes/QuickProgressPanelScene.qml",
     .properties = [](GalleryWorld& world) {
       QuickProbeProgress progress = quickReport(QuickPhase::coarse, QuickStep::verifying, 3 / 16.0, 3, 16);
       progress.cells = std::vector<ProbeCell>(16, ProbeCell::written);
       for (int i = 0; i < 3; ++i) progress.cells[static_cast<std::size_t>(i)] = ProbeCell::ok;
       CardSession* session = quickSession(world, progress);
       session->applyProbeProgress(progress);
       return withSession(session);
     },
     .expectations = {text("probeCounter", "Probe 3 of 16"), text("quickStep", "Reading the probes back…")}},
    {.view = "QuickProgressPanel", .state = "random-writes", .size = QSize(800, 700),
     .scene = "scenes/QuickProgressPanelScene.qml",
     .properties = [](GalleryWorld& world) {
       QuickProbeProgress progress = quickReport(QuickPhase::zone, QuickStep::random, 0.6);
       progress.randomWrites = true;
       progress.operationsPerSecond = 1234.5;
       progress.bytesPerSecond = 1234.5 * 4096;
       CardSession* session = quickSession(world, progress);
       session->applyPartialQuickResult(probed(outcomes(16, 0), QuickProbeResult::Stage::fine));
       return withSession(session);
     },
     .expectations = {text("quickPercent", "90%"), text("bannerHeadline", "So far: no sign of fakery")}},
    {.view = "QuickProgressPanel", .state = "cleaning-99", .size = panelSize,
     .scene = "scenes/QuickProgressPanelScene.qml",
     .properties = [](GalleryWorld& world) {
       CardSession* session = quickSession(world, quickReport(QuickPhase::cleaning, QuickStep::writing, 0.5));
       QuickProbeResult quick = probed(outcomes(16, 0), QuickProbeResult::Stage::zone);
       quick.zone = zoneOf(42e6, 88e6);
       session->applyPartialQuickResult(quick);
       return withSession(session);
     },
     .expectations = {text("quickPercent", "99%"), text("quickTitle", "Tidying up…"), shown("speedSummary", true),
                      text("bannerHeadline", "Quick check: no sign of fakery"),
                      text("bannerExplanation", "The advanced test comes next and checks every byte.")}},
    {.view = "QuickProgressPanel", .state = "zone-only-35", .size = QSize(800, 640),
     .scene = "scenes/QuickProgressPanelScene.qml",
     .properties = [](GalleryWorld& world) {
       CardSession* session = quickSession(world, quickReport(QuickPhase::zone, QuickStep::writing, 0, 0, zoneMiB));
       session->setQuickSkipped(QuickProbe::Unsupported::fileSystem("msdos"));
       writeZone(session, 508, 24e6);
       session->applyProbeProgress(quickReport(QuickPhase::zone, QuickStep::writing, 0.5, 512, zoneMiB, 23.5e6));
       return withSession(session);
     },
     .expectations = {text("quickPercent", "35%"), text("quickTitle", "Measuring the real speed")}},

    {.view = "FullProgressPanel", .state = "preparing", .size = QSize(800, 560),
     .scene = "scenes/FullProgressPanelScene.qml",
     .properties = [](GalleryWorld& world) {
       CardSession* session = world.session(GalleryWorld::builtInCard(32 * GB, "SDHC"));
       session->setStage(CardSessionStage::full(FullPhase::preparing));
       return withSession(session);
     },
     .expectations = {text("advancedPercent", "0%"), text("phaseTitle", "Getting ready"),
                      shown("cardMapSection", false), shown("speedSection", false), shown("reinsertToggle", true)}},
    {.view = "FullProgressPanel", .state = "writing-63", .size = QSize(800, 1240),
     .scene = "scenes/FullProgressPanelScene.qml",
     .properties = writing63,
     .expectations = {text("advancedPercent", "63%"), shown("cardMapSection", true), shown("speedSection", true),
                      text("bannerHeadline", "Quick check: no sign of fakery")}},
    {.view = "FullProgressPanel", .state = "verifying-90-failures", .size = QSize(800, 1000),
     .scene = "scenes/FullProgressPanelScene.qml",
     .properties = [](GalleryWorld& world) {
       CardSession* session = world.session(GalleryWorld::cardInUSBReader(32 * GB));
       session->setQuickSkipped(QuickProbe::Unsupported::fileSystem("msdos"));
       session->setZoneResult(zoneOf(18e6, 36e6, std::nullopt, std::nullopt));
       const std::uint64_t total = 31 * GB;
       writingSession(session, total, 1.0, 18e6);
       CapacityMap map(total);
       map.markWritten(0, total);
       const std::uint64_t checked = total * 6 / 10;
       map.recordChecked(0, checked / 2, checked / 2 / 512, 0);
       map.recordChecked(checked / 2, checked / 4, checked / 4 / 512 / 2, checked / 4 / 512 / 2);
       map.recordChecked(checked * 3 / 4, checked / 4, 0, checked / 4 / 512);
       FullTest::Progress report = fullReport(FullPhase::verifying, total, checked, 35e6, map);
       report.tally.ok = static_cast<std::int64_t>(checked / 512 * 5 / 8);
       report.tally.stale = static_cast<std::int64_t>(checked / 512 * 3 / 8);
       std::vector<SpeedSample> reads;
       for (int i = 1; i <= 36; ++i) reads.push_back({total / 60 * static_cast<std::uint64_t>(i), 35e6 * (1 + 0.03 * std::sin(i))});
       report.newSamples = reads;
       session->applyFullProgress(report);
       return withSession(session);
     },
     .expectations = {text("advancedPercent", "90%"), text("phaseTitle", "Checking every byte"),
                      shown("provisionalBanner", false), shown("failureLabel", true), shown("reinsertToggle", false),
                      text("failureText", "7\u00A0GB failed so far")}},
    // Everything read back; the card deletes the test files and reports nothing meanwhile.
    {.view = "FullProgressPanel", .state = "cleaning", .size = QSize(800, 1000),
     .scene = "scenes/FullProgressPanelScene.qml",
     .properties = [](GalleryWorld& world) {
       CardSession* session = world.session(GalleryWorld::builtInCard(32 * GB, "SDHC"));
       const std::uint64_t total = 31 * GB;
       writingSession(session, total, 1.0, 18e6);
       CapacityMap map(total);
       map.markWritten(0, total);
       map.recordChecked(0, total, total / 512, 0);
       session->applyFullProgress(fullReport(FullPhase::verifying, total, total, 41e6, map, readBack(total, 41e6)));
       session->applyFullProgress(fullReport(FullPhase::cleaning, 0, 0, 0, map));
       return withSession(session);
     },
     .expectations = {text("advancedPercent", "100%"), text("phaseTitle", "Deleting the test data"),
                      text("phaseDetail", "Almost done.")}},
    {.view = "FullProgressPanel", .state = "2tb-writing", .size = QSize(800, 1000),
     .scene = "scenes/FullProgressPanelScene.qml",
     .properties = [](GalleryWorld& world) {
       CardSession* session = world.session(GalleryWorld::usbDrive(2000 * GB));
       session->setQuickSkipped(QuickProbe::Unsupported::slowAllocation());
       return withSession(writingSession(session, 1990 * GB, 0.3, 25e6));
     },
     .expectations = {text("phaseTitle", "Filling the card with test data")}},

    {.view = "ReinsertPanel", .state = "card-in", .size = QSize(800, 700), .scene = "scenes/ReinsertPanelScene.qml",
     .properties = [](GalleryWorld& world) {
       CardSession* session = world.session(GalleryWorld::builtInCard(64 * GB, "SDXC"));
       session->setStage(CardSessionStage::reinsert(false));
       return withSession(session);
     },
     .expectations = {shown("reinsertActions", true), shown("waitingForCard", false),
                      shown("reinsertRequiredReason", false), shown("guideStepDoneMark", false),
                      // The plain answer and Stop are of the large size class; the glowing Eject
                      // is its title-3 label with 14 above and below.
                      {"checkWithoutRemovingButton", "height", 40.0}, {"ejectButton", "height", 45.0},
                      {"stopButton", "height", 40.0}}},
    {.view = "ReinsertPanel", .state = "required", .size = QSize(800, 760), .scene = "scenes/ReinsertPanelScene.qml",
     .properties = [](GalleryWorld& world) {
       CardSession* session = world.session(GalleryWorld::usbDrive(64 * GB));
       FinishedCheckSeam::awaitRequiredReinsertion(*session);
       return withSession(session);
     },
     .expectations = {shown("reinsertActions", true), shown("reinsertRequiredReason", true)}},
    {.view = "ReinsertPanel", .state = "card-out", .size = QSize(800, 700), .scene = "scenes/ReinsertPanelScene.qml",
     .properties = [](GalleryWorld& world) {
       CardSession* session = world.session(GalleryWorld::builtInCard(64 * GB, "SDXC"));
       session->setQuickSkipped(QuickProbe::Unsupported::fileSystem("msdos"));
       session->setStage(CardSessionStage::reinsert(true));
       return withSession(session);
     },
     .expectations = {shown("reinsertActions", false), shown("waitingForCard", true),
                      {QStringLiteral("waitingSign"), QStringLiteral("running"), true},
                      shown("guideStepDoneMark", true)}},

    silentFor(20, false),
    silentFor(21, true),
    silentFor(75, true),

    {.view = "ProvisionalBanner", .state = "passed", .size = QSize(760, 220),
     .scene = "scenes/ProvisionalBannerScene.qml",
     .properties = [](GalleryWorld&) { return bannerOf(withNotes(probed(outcomes(16, 0), QuickProbeResult::Stage::fine))); },
     .expectations = {text("bannerHeadline", "So far: no sign of fakery")}},
    {.view = "ProvisionalBanner", .state = "fake", .size = QSize(760, 200), .scene = "scenes/ProvisionalBannerScene.qml",
     .properties = [](GalleryWorld&) { return bannerOf(withNotes(probed(outcomes(6, 10), QuickProbeResult::Stage::coarse))); },
     .expectations = {text("bannerHeadline", "So far: fake")}},
    {.view = "ProvisionalBanner", .state = "damaged", .size = QSize(760, 220),
     .scene = "scenes/ProvisionalBannerScene.qml",
     .properties = [](GalleryWorld&) {
       QuickProbeResult quick = probed(outcomes(16, 0), QuickProbeResult::Stage::zone);
       quick.outcomes[5] = ProbeOutcome::corrupted;
       quick.zone = zoneOf(20e6, 40e6);
       return bannerOf(withNotes(quick));
     },
     .expectations = {text("bannerHeadline", "Quick check: damaged")}},
    {.view = "ProvisionalBanner", .state = "inconclusive", .size = QSize(760, 220),
     .scene = "scenes/ProvisionalBannerScene.qml",
     .properties = [](GalleryWorld&) { return bannerOf(withNotes(probed(outcomes(0, 16), QuickProbeResult::Stage::fine))); },
     .expectations = {text("bannerHeadline", "So far: a few probes failed")}},

    {.view = "SpeedSummary", .state = "sd-card-markings", .size = QSize(760, 330), .scene = "scenes/SpeedSummaryScene.qml",
     // A slow card in a fast USB 3 reader: the reader shows it falls short of U3 and V30.
     .properties = [](GalleryWorld&) { return summaryOf(zoneOf(12e6, 40e6, 420, 95), std::nullopt, true, 5e9); },
     .expectations = {shown("doesNotReachRow", true), shown("markingBadge-u3-missed", true),
                      shown("markingBadge-class10-met", true), shown("readerNote", false), shown("usbNote", true)}},
    {.view = "SpeedSummary", .state = "legacy-bus", .size = QSize(760, 300), .scene = "scenes/SpeedSummaryScene.qml",
     .properties = [](GalleryWorld&) { return summaryOf(zoneOf(18e6, 20e6, std::nullopt, std::nullopt), 90e6, true, std::nullopt); },
     .expectations = {shown("readerNote", true)}},
    {.view = "SpeedSummary", .state = "data-lost", .size = QSize(760, 260), .scene = "scenes/SpeedSummaryScene.qml",
     .properties = [](GalleryWorld&) {
       ZoneResult zone = zoneOf(30e6, 60e6, std::nullopt, std::nullopt, {30e6, 31e6, 3e6, 2e6, 2.5e6, 30e6, 29e6});
       zone.writeFailed = true;
       return summaryOf(zone, std::nullopt, true, std::nullopt);
     },
     .expectations = {shown("dataLostText", true), shown("livesUpToRow", false), shown("pausesLabel", true)}},
    {.view = "SpeedSummary", .state = "read-from-memory", .size = QSize(760, 340),
     .scene = "scenes/SpeedSummaryScene.qml",
     // An ordinary user's FUSE volume: the read-back came through the computer's copy, so
     // no read figure and no bus: a fast reader that read this card from memory does not
     // make it a card without UHS; its real writes still miss U3.
     .properties = [](GalleryWorld&) {
       ZoneResult zone = zoneOf(14e6, 900e6, std::nullopt, 180);
       zone.readBackReachedCard = false;
       return summaryOf(zone, 90e6, true, 5e9);
     },
     .expectations = {shown("livesUpToRow", true), shown("readerNote", false), shown("doesNotReachRow", true),
                      {QStringLiteral("sequentialRead"), QStringLiteral("text"), QStringLiteral("—")}}},
    {.view = "SpeedSummary", .state = "usb-drive", .size = QSize(760, 260), .scene = "scenes/SpeedSummaryScene.qml",
     .properties = [](GalleryWorld&) { return summaryOf(zoneOf(95e6, 240e6, 3100, 900), std::nullopt, false, 5e9); },
     .expectations = {shown("livesUpToRow", false), shown("usbNote", false)}},

    {.view = "ProbeStrip", .state = "0-probes", .size = QSize(760, 110), .scene = "scenes/ProbeStripScene.qml",
     .properties = [](GalleryWorld&) { return stripOf(0); },
     .expectations = {text("probeStripCount", "Probes intact: 0 of 0")}},
    {.view = "ProbeStrip", .state = "65-probes", .size = QSize(760, 110), .scene = "scenes/ProbeStripScene.qml",
     .properties = [](GalleryWorld&) { return stripOf(65); }},
    {.view = "ProbeStrip", .state = "130-probes", .size = QSize(760, 110), .scene = "scenes/ProbeStripScene.qml",
     .properties = [](GalleryWorld&) { return stripOf(130); }},
});


// The advanced test two-thirds written on a 64 GB card after a clean quick check.
QVariantMap writing63(GalleryWorld& world) {
  CardSession* session = world.session(GalleryWorld::builtInCard(64 * GB, "SDXC"));
  QuickProbeResult quick = probed(outcomes(16, 0), QuickProbeResult::Stage::zone);
  quick.zone = zoneOf(41e6, 90e6);
  session->applyPartialQuickResult(quick);
  return withSession(writingSession(session, 62 * GB, 0.84, 40e6));
}

// The card map shows all four of its rows whatever width the panel gets.
GalleryState writingAtWidth(const char* state, int width) {
  return {.view = "FullProgressPanel", .state = state, .size = QSize(width, 1240),
          .scene = "scenes/FullProgressPanelScene.qml", .properties = writing63,
          .expectations = {{QStringLiteral("cardMap"), QStringLiteral("rowsShown"), 4},
                           {QStringLiteral("cardMap"), QStringLiteral("accessibleName"), QStringLiteral("Card map")}}};
}

// A quick check at one step of one phase, after a first pass that found nothing wrong.
GalleryState quickAt(const char* state, QuickPhase phase, QuickStep step, double fraction, std::int64_t done,
                     std::int64_t total, double speed = 0) {
  return {.view = "QuickProgressPanel", .state = state, .size = QSize(800, 760),
          .scene = "scenes/QuickProgressPanelScene.qml",
          .properties = [=](GalleryWorld& world) {
            QuickProbeProgress progress = quickReport(phase, step, fraction, done, total, speed);
            if (phase == QuickPhase::fine) {
              // As the check reports them, one cell per slot: the coarse probes of every
              // fourth slot intact, the fine ones between them read back up to `done`.
              progress.cells = std::vector<ProbeCell>(static_cast<std::size_t>(total + total / 3), ProbeCell::written);
              std::int64_t fine = 0;
              for (std::size_t slot = 0; slot < progress.cells.size(); ++slot) {
                if (slot % 4 == 0 || fine++ < done) progress.cells[slot] = ProbeCell::ok;
              }
            } else if (phase != QuickPhase::zone) {
              progress.cells = std::vector<ProbeCell>(static_cast<std::size_t>(total), ProbeCell::written);
              for (std::int64_t i = 0; i < done; ++i) progress.cells[static_cast<std::size_t>(i)] = ProbeCell::ok;
            }
            CardSession* session = quickSession(world, progress);
            // The zone is read back only after all of it was written.
            if (phase == QuickPhase::zone && step == QuickStep::verifying) readZoneBack(session, static_cast<int>(done), speed);
            if (phase == QuickPhase::fine) {
              // The coarse probes took every fourth slot; the fine passes probe the rest.
              std::vector<ProbeOutcome> slots(static_cast<std::size_t>(total + total / 3), ProbeOutcome::untested);
              for (std::size_t slot = 0; slot < slots.size(); slot += 4) slots[slot] = ProbeOutcome::ok;
              session->applyPartialQuickResult(probed(std::move(slots), QuickProbeResult::Stage::coarse));
            } else if (phase != QuickPhase::coarse) {
              session->applyPartialQuickResult(probed(outcomes(16, 0), QuickProbeResult::Stage::coarse));
            }
            session->applyProbeProgress(progress);
            return withSession(session);
          },
          .expectations = {shown("quickPercent", true)}};
}

const bool registeredMore = addGalleryStates({
    writingAtWidth("card-map-at-560", 560),
    writingAtWidth("card-map-at-800", 800),
    writingAtWidth("card-map-at-1100", 1100),
    quickAt("fine-verifying", QuickPhase::fine, QuickStep::verifying, 0.5, 24, 48),
    quickAt("coarse-flushing", QuickPhase::coarse, QuickStep::flushing, 0.5, 0, 16),
    quickAt("zone-read-back", QuickPhase::zone, QuickStep::verifying, 0.6, 614, zoneMiB, 86.5e6),

    {.view = "QuickProgressPanel", .state = "not-responding", .size = QSize(800, 760),
     .scene = "scenes/QuickProgressPanelScene.qml",
     .properties = [](GalleryWorld& world) {
       CardSession* session = quickSession(world, quickReport(QuickPhase::zone, QuickStep::writing, 0, 0, zoneMiB));
       session->applyPartialQuickResult(probed(outcomes(16, 0), QuickProbeResult::Stage::fine));
       writeZone(session, 160, 30e6);
       QVariantMap properties = withSession(session);
       const QDateTime last = session->lastProgress();
       NotRespondingNoteModel::setClock([last] { return last.addSecs(48); });
       return properties;
     },
     .expectations = {shown("notRespondingText", true)}},
    {.view = "FullProgressPanel", .state = "not-responding", .size = QSize(800, 1240),
     .scene = "scenes/FullProgressPanelScene.qml",
     .properties = [](GalleryWorld& world) {
       QVariantMap properties = writing63(world);
       auto* session = qobject_cast<CardSession*>(properties.value(QStringLiteral("session")).value<QObject*>());
       const QDateTime last = session->lastProgress();
       NotRespondingNoteModel::setClock([last] { return last.addSecs(95); });
       return properties;
     },
     .expectations = {shown("notRespondingText", true), {QStringLiteral("cardMap"), QStringLiteral("rowsShown"), 4}}},
    {.view = "FullProgressPanel", .state = "cleaning-rated-card", .size = QSize(800, 1240),
     .scene = "scenes/FullProgressPanelScene.qml",
     .properties = [](GalleryWorld& world) {
       CardSession* session = world.session(GalleryWorld::builtInCard(32 * GB, "SDHC"));
       session->setZoneResult(zoneOf(22e6, 88e6));
       const std::uint64_t total = 30 * GB;
       writingSession(session, total, 1.0, 21e6);
       CapacityMap map(total);
       map.markWritten(0, total);
       map.recordChecked(0, total, total / 512, 0);
       session->applyFullProgress(fullReport(FullPhase::verifying, total, total, 84e6, map, readBack(total, 84e6)));
       session->applyFullProgress(fullReport(FullPhase::cleaning, total, total, 0, map));
       return withSession(session);
     },
     .expectations = {shown("phaseTitle", true), {QStringLiteral("cardMap"), QStringLiteral("rowsShown"), 4}}},
    {.view = "FullProgressPanel", .state = "reinsert-on", .size = QSize(800, 560),
     .scene = "scenes/FullProgressPanelScene.qml",
     .properties = [](GalleryWorld& world) {
       CardSession* session = world.session(GalleryWorld::builtInCard(32 * GB, "SDHC"));
       session->setStage(CardSessionStage::full(FullPhase::preparing));
       QVariantMap properties = withSession(session);
       properties.insert(QStringLiteral("reinsertOn"), true);
       return properties;
     },
     .expectations = {{QStringLiteral("reinsertToggleBox"), QStringLiteral("checked"), true}}},
    {.view = "SpeedSummary", .state = "cannot-check", .size = QSize(760, 340), .scene = "scenes/SpeedSummaryScene.qml",
     .properties = [](GalleryWorld&) { return summaryOf(zoneOf(27e6, 28e6, 2200, 700), std::nullopt, true, 480e6); },
     .expectations = {shown("livesUpToRow", true), shown("appClassBadge", true), shown("readerNote", true)}},
    // A card too slow for any marking in a reader too slow to show it falls short of one.
    {.view = "SpeedSummary", .state = "no-marking-beside-undecided", .size = QSize(760, 340),
     .scene = "scenes/SpeedSummaryScene.qml",
     .properties = [](GalleryWorld&) { return summaryOf(zoneOf(1.5e6, 1.7e6, std::nullopt, std::nullopt), std::nullopt, true, 480e6); },
     .expectations = {shown("noMarkingChip", true), shown("markingBadge-class2-unknown", true),
                      shown("markingBadge-u1-unknown", true), shown("markingBadge-v6-unknown", true),
                      shown("doesNotReachRow", false)}},
});

}  // namespace
}  // namespace tessorin::gallery
