// The outcome panel after every kind of finished check. The sessions are real; their
// checks end through the session's own finish with engine results built here as the
// engine builds them, since no loop volume can be a 1 TB fake or a card that stalls.

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <numeric>
#include <vector>

#include <QUrl>

#include "FinishedCheckSeam.hpp"
#include "GalleryEngineValues.hpp"
#include "GalleryState.hpp"
#include "GalleryWorld.hpp"
#include "theme/Palette.hpp"

namespace tessorin::gallery {

namespace {

constexpr std::uint64_t GB = 1'000'000'000;
constexpr std::uint64_t MB = 1'000'000;
constexpr std::uint64_t MiB = 1 << 20;
constexpr double MBps = 1e6;

CardSession* finished(GalleryWorld& world, CardDevice device, FinishedCheckSeam::Results results,
                      std::optional<Brand> brand = std::nullopt, bool keepRecord = true) {
  CardSession* session = world.session(device);
  if (brand) session->setClaimedBrand(brand);
  FinishedCheckSeam::finish(*session, std::move(results));
  if (!keepRecord) FinishedCheckSeam::forgetRecord(*session);
  return session;
}

CardDevice sdCard(std::uint64_t bytes, const char* name, const char* fileSystem = "exfat") {
  CardDevice device = GalleryWorld::builtInCard(bytes, bytes > 32 * GB ? "SDXC" : "SDHC");
  device.volumeName = name;
  GalleryWorld::format(device, fileSystem);
  device.registers->manufacturerID = 0x03;
  device.registers->oemID = "SD";
  device.registers->productName = "SN64G";
  device.registers->serialNumber = std::vector<std::uint8_t>{0x8A, 0x21, 0x4C, 0x07};
  device.registers->manufacturingYear = 2023;
  device.registers->manufacturingMonth = 6;
  device.registers->speedClassCode = 4;
  return device;
}

QVariantMap sessionProperty(CardSession* session) {
  return {{QStringLiteral("session"), QVariant::fromValue(static_cast<QObject*>(session))}};
}

GalleryState outcomeSceneState(const char* state, int height, std::function<QVariantMap(GalleryWorld&)> properties,
                               std::vector<Expectation> expectations, QString click = {}) {
  return {.view = QStringLiteral("OutcomePanel"),
          .state = QString::fromLatin1(state),
          .size = {880, height},
          .scene = QStringLiteral("scenes/OutcomePanelScene.qml"),
          .properties = std::move(properties),
          .expectations = std::move(expectations),
          .click = std::move(click)};
}

GalleryState outcomeState(const char* state, int height, std::function<CardSession*(GalleryWorld&)> make,
                          std::vector<Expectation> expectations, QString click = {}) {
  return outcomeSceneState(
      state, height, [make](GalleryWorld& world) { return sessionProperty(make(world)); }, std::move(expectations),
      std::move(click));
}

// A card the quick check found genuine, whose advanced test was stopped.
CardSession* photosAfterQuickCheck(GalleryWorld& world) {
  const ZoneResult measured = zone(45 * MBps, 90 * MBps);
  return finished(world, sdCard(64 * GB, "PHOTOS"), {.quick = quick(64 * GB, 16, 16, measured), .fullStopped = true});
}

// A wrap fake claiming 4 GB and keeping 512 MiB, its advanced test read back through the
// computer's copy of it by a user who may not clear that copy. The computer let go of
// 512 MiB of it from 640 MiB on, which came back from the card holding what was written
// `wraps` wraps further on, the lowest of it `belowTheEnd` bytes below the end.
FinishedCheckSeam::Results wrapFakeReadBackFromMemory(std::initializer_list<std::uint64_t> wraps,
                                                      std::uint64_t belowTheEnd) {
  constexpr std::uint64_t written = 4'288'544'768;
  constexpr std::uint64_t letGo = 640 * MiB;
  constexpr std::uint64_t letGoBytes = 512 * MiB;
  ZoneResult measured = zone(12 * MBps, 40 * MBps);
  measured.readBackReachedCard = false;
  FullTestResult fromMemory = atSpeedsOf(full(written, written), measured);
  fromMemory.tally = SectorTally();
  fromMemory.tally.ok = static_cast<std::int64_t>((written - letGoBytes) / 512);
  fromMemory.tally.misplaced = static_cast<std::int64_t>(letGoBytes / 512);
  fromMemory.tally.firstBadPosition = letGo;
  fromMemory.tally.lastBadEnd = letGo + letGoBytes;
  fromMemory.tally.okAfterFirstBad = static_cast<std::int64_t>((written - letGo - letGoBytes) / 512);
  for (const std::uint64_t wrap : wraps) {
    const std::uint64_t distance = wrap * 512 * MiB;
    SectorTally& tally = fromMemory.tally;
    tally.smallestWrapRunDistance = std::min(tally.smallestWrapRunDistance.value_or(distance), distance);
    tally.wrapRunDistanceDivisor = std::gcd(tally.wrapRunDistanceDivisor.value_or(0), distance);
  }
  fromMemory.tally.smallestWrapDistance = fromMemory.tally.smallestWrapRunDistance;
  fromMemory.tally.lowestWrapRunSource = written - belowTheEnd;
  fromMemory.map = CapacityMap(written);
  fromMemory.map.markWritten(0, written);
  fromMemory.map.recordChecked(0, letGo, letGo / 512, 0);
  fromMemory.map.recordChecked(letGo, letGoBytes, 0, letGoBytes / 512);
  const std::uint64_t rest = written - letGo - letGoBytes;
  fromMemory.map.recordChecked(letGo + letGoBytes, rest, rest / 512, 0);
  fromMemory.readBackReachedCard = false;
  return {.zone = measured, .full = fromMemory};
}

Expectation text(const char* objectName, QString value) {
  return {QString::fromLatin1(objectName), QStringLiteral("text"), value};
}

Expectation shown(const char* objectName, bool visible) {
  return {QString::fromLatin1(objectName), QStringLiteral("visible"), visible};
}

const bool registered = addGalleryStates({
    outcomeState("genuine-64gb", 1200,
                 [](GalleryWorld& world) {
                   const ZoneResult measured = zone(45 * MBps, 90 * MBps);
                   return finished(world, sdCard(64 * GB, "PHOTOS"),
                                   {.quick = quick(64 * GB, 16, 16, measured), .full = atSpeedsOf(full(63'800 * MB, 63'800 * MB), measured)},
                                   Brand::sandisk);
                 },
                 // 63.8 GB written at 42 MB/s and read back at 87.3 MB/s: 37m 29s of writing and reading.
                 {text("verdictTitle", "Genuine card"), text("statValue0", "63.8\u00A0GB"),
                  text("statValue3", "37m\u00A029s"), shown("capacityComparison", false),
                  shown("outcomeNotes", false), shown("purchasePlace", true), shown("probePanel", false),
                  {QStringLiteral("cardMap"), QStringLiteral("accessibleName"), QStringLiteral("Card map")}}),
    outcomeState("fake-1tb-advanced", 1200,
                 [](GalleryWorld& world) {
                   return finished(world, sdCard(1000 * GB, "NEW VOLUME"),
                                   {.zone = zone(12 * MBps, 40 * MBps),
                                    .full = atSpeedsOf(full(999 * GB, 31'900 * MB), zone(12 * MBps, 40 * MBps))});
                 },
                 {text("verdictTitle", "Fake card"), text("realBarValue", "≈ 31\u00A0GB"), text("claimedBarValue", "1\u00A0TB"),
                  shown("capacityComparison", true), text("problemLabel0", "Never stored (came back empty)")}),
    // A wrap fake whose advanced test broke its own file system: writing stopped there,
    // and the page says why instead of blaming the card for refusing data.
    outcomeState("fake-wrap-broke-its-file-system", 1200,
                 [](GalleryWorld& world) {
                   const ZoneResult measured = zone(11 * MBps, 42 * MBps);
                   FullTestResult wrapped = full(9 * GB, 8 * GB, FullTestWriteStop::ioError(5, 9 * GB));
                   wrapped.manifest.plannedBytes = 63 * GB;
                   wrapped.tally.misplaced = wrapped.tally.blank;
                   wrapped.tally.blank = 0;
                   wrapped.tally.smallestWrapRunDistance = 8 * GB;
                   return finished(world, sdCard(64 * GB, "WRAP"),
                                   {.zone = measured, .full = atSpeedsOf(std::move(wrapped), measured)});
                 },
                 {text("verdictTitle", "Fake card"),
                  text("outcomeNote0", "Writing stopped after 9\u00A0GB: past its real size the card wrote over its own "
                                       "file system and broke it.")}),
    outcomeState("fake-quick-wide-range", 1000,
                 [](GalleryWorld& world) {
                   const ZoneResult measured = zone(9 * MBps, 18 * MBps);
                   return finished(world, sdCard(64 * GB, "SD64"), {.quick = quick(64 * GB, 16, 4, measured)});
                 },
                 {text("verdictTitle", "Fake card"), text("realBarValue", "12\u00A0GB – 16\u00A0GB"), shown("probePanel", true),
                  shown("fullDetailsPanel", false), shown("statsRow", false)}),
    outcomeState("damaged-io-error", 1200,
                 [](GalleryWorld& world) {
                   const ZoneResult measured = zone(20 * MBps, 40 * MBps);
                   return finished(world, sdCard(16 * GB, "CAMERA"),
                                   {.quick = quick(16 * GB, 16, 16, measured),
                                    .full = atSpeedsOf(full(12 * GB, 12 * GB, FullTestWriteStop::ioError(5, 12 * GB), 100, 16384), measured)});
                 },
                 {text("verdictTitle", "Damaged card"), text("outcomeNote0", "The card stopped accepting data after 12\u00A0GB."),
                  text("problemLabel0", "Corrupted"), text("problemAmount1", "8.4\u00A0MB")}),
    // A worn card that turned read-only during the quick check's speed stage: the probes
    // it took read back, and the check stops at its verdict.
    outcomeState("damaged-turned-read-only", 1000,
                 [](GalleryWorld& world) {
                   QuickProbeResult refused = quick(32 * GB, 16, 16, zone(12 * MBps, 30 * MBps, 4));
                   refused.zone->writeFailed = true;
                   refused.writesRefusedAfter = 300 * galleryMB;
                   return finished(world, sdCard(32 * GB, "WORN"), {.quick = refused});
                 },
                 {text("verdictTitle", "Damaged card"),
                  text("verdictExplanation",
                       "It stopped accepting data and has turned read-only. Copy your files off it while it still "
                       "reads them."),
                  text("outcomeNote0", "The card stopped accepting data after 300\u00A0MB."),
                  text("reportMeasured3", "what it took still reads back"),
                  {QStringLiteral("verdictSymbol"), QStringLiteral("color"), Palette::textShade(Palette::amber(), Qt::white)},
                  {QStringLiteral("reportTone3"), QStringLiteral("color"), Palette::textShade(Palette::green(), Qt::white)},
                  text("reportMeasured4", "turned read-only, takes no more writes"),
                  text("dataLostText", "The card stopped accepting writes while it was measured, so how fast it took "
                                       "them proves nothing.")}),
    outcomeState("stopped-after-quick", 1000,
                 [](GalleryWorld& world) {
                   const ZoneResult measured = zone(38 * MBps, 85 * MBps);
                   return finished(world, sdCard(64 * GB, "PHOTOS"),
                                   {.quick = quick(64 * GB, 16, 16, measured), .fullStopped = true});
                 },
                 {text("verdictTitle", "Probably genuine"),
                  text("outcomeNote0", "The advanced test was stopped, so this answer comes from the quick check.")}),
    outcomeState("inconclusive-ext4-stopped", 1000,
                 [](GalleryWorld& world) {
                   return finished(world, sdCard(32 * GB, "LINUX", "ext4"),
                                   {.zone = zone(18 * MBps, 40 * MBps), .fullStopped = true,
                                    .quickSkipped = QuickProbeUnsupported::fileSystem("ext4")});
                 },
                 {text("verdictTitle", "Inconclusive"),
                  text("outcomeNote0", "The advanced test was stopped before it could give an answer."),
                  text("outcomeNote1", "The quick check needs exFAT. Run the advanced test to the end for an answer.")}),
    // A wrap fake claiming 4 GB and keeping 512 MiB, on a driver that writes out what the
    // probes set aside, stopped once its speed was measured: the zone reached past the
    // real size, and its start came back holding what was written a wrap further on.
    outcomeState("fake-wrap-stopped-after-speed", 1200,
                 [](GalleryWorld& world) {
                   ZoneResult wrapped = zone(35 * MBps, 300 * MBps, 9);
                   const std::uint64_t past = wrapped.bytes - 512 * MiB;
                   wrapped.tally.misplaced = static_cast<std::int64_t>(past / 512);
                   wrapped.tally.ok -= wrapped.tally.misplaced;
                   wrapped.tally.firstBadPosition = 0;
                   wrapped.tally.smallestWrapDistance = 512 * MiB;
                   return finished(world, sdCard(4 * GB, "FAKE"),
                                   {.zone = wrapped, .fullStopped = true,
                                    .quickSkipped = QuickProbeUnsupported::zeroFilledAllocation()});
                 },
                 {text("verdictTitle", "Fake card"), text("methodChip", "Quick check"),
                  text("verdictExplanation", "It does not hold what it claims."),
                  text("reportMeasured0", "less than claimed"),
                  text("outcomeNote0", "The advanced test was stopped before it could give an answer.")}),
    // The same card checked by a user who cannot clear the computer's copy of it: the
    // zone read back intact from that copy, which says nothing of the card.
    outcomeState("inconclusive-stopped-after-speed-read-from-memory", 1000,
                 [](GalleryWorld& world) {
                   ZoneResult fromMemory = zone(35 * MBps, 300 * MBps, 9);
                   fromMemory.readBackReachedCard = false;
                   fromMemory.randomReadIOPS.reset();
                   return finished(world, sdCard(4 * GB, "FAKE"),
                                   {.zone = fromMemory, .fullStopped = true,
                                    .quickSkipped = QuickProbeUnsupported::zeroFilledAllocation()});
                 },
                 {text("verdictTitle", "Inconclusive"), text("methodChip", "Quick check"),
                  text("outcomeNote0",
                       "This computer kept its own copy of what was written, and Tessorin wasn’t allowed to clear it, "
                       "so what was read back may have come from that copy instead of the card. Check the card again "
                       "and take it out and put it back when asked."),
                  text("reportLabel1", "Data"),
                  text("reportMeasured1", "every byte came back, perhaps from this computer’s copy"),
                  shown("speedPanel", false)}),
    outcomeState("genuine-ext4-advanced", 1200,
                 [](GalleryWorld& world) {
                   return finished(world, sdCard(32 * GB, "LINUX", "ext4"),
                                   {.zone = zone(25 * MBps, 60 * MBps), .full = atSpeedsOf(full(31'200 * MB, 31'200 * MB), zone(25 * MBps, 60 * MBps)),
                                    .quickSkipped = QuickProbeUnsupported::fileSystem("ext4")});
                 },
                 {text("verdictTitle", "Genuine card"), shown("outcomeNotes", false)}),
    outcomeState("inconclusive-read-back-from-memory", 1200,
                 [](GalleryWorld& world) {
                   FullTestResult fromMemory = atSpeedsOf(full(31'200 * MB, 31'200 * MB), zone(25 * MBps, 60 * MBps));
                   fromMemory.readBackReachedCard = false;
                   return finished(world, sdCard(32 * GB, "NTFS", "ntfs"),
                                   {.zone = zone(25 * MBps, 60 * MBps), .full = fromMemory,
                                    .quickSkipped = QuickProbeUnsupported::fileSystem("ntfs")});
                 },
                 {text("verdictTitle", "Inconclusive"), text("methodChip", "Advanced test"),
                  text("outcomeNote0",
                       "This computer kept its own copy of what was written, and Tessorin wasn’t allowed to clear it, "
                       "so what was read back may have come from that copy instead of the card. Check the card again "
                       "and take it out and put it back when asked."),
                  shown("speedPanel", false), {"mapLegend", "readBackUnconfirmed", true}}),
    // A drop fake keeping 8 GB, checked without taking it out: the computer let go of
    // part of its copy, which came back lost from the card, and kept the rest.
    outcomeState("inconclusive-drop-fake-read-back-from-memory", 1200,
                 [](GalleryWorld& world) {
                   constexpr std::uint64_t written = 31'200 * MB;
                   constexpr std::uint64_t kept = 8 * GB;
                   constexpr std::uint64_t letGoEnd = 20 * GB;
                   FullTestResult fromMemory = atSpeedsOf(full(written, written), zone(25 * MBps, 60 * MBps));
                   fromMemory.tally = SectorTally();
                   fromMemory.tally.ok = static_cast<std::int64_t>((kept + written - letGoEnd) / 512);
                   fromMemory.tally.blank = static_cast<std::int64_t>((letGoEnd - kept) / 512);
                   fromMemory.tally.firstBadPosition = kept;
                   fromMemory.tally.lastBadEnd = letGoEnd;
                   fromMemory.tally.okAfterFirstBad = static_cast<std::int64_t>((written - letGoEnd) / 512);
                   fromMemory.map = CapacityMap(written);
                   fromMemory.map.markWritten(0, written);
                   fromMemory.map.recordChecked(0, kept, kept / 512, 0);
                   fromMemory.map.recordChecked(kept, letGoEnd - kept, 0, (letGoEnd - kept) / 512);
                   fromMemory.map.recordChecked(letGoEnd, written - letGoEnd, (written - letGoEnd) / 512, 0);
                   fromMemory.readBackReachedCard = false;
                   return finished(world, sdCard(32 * GB, "NO NAME"),
                                   {.zone = zone(25 * MBps, 60 * MBps), .full = fromMemory});
                 },
                 {text("verdictTitle", "Inconclusive"), text("methodChip", "Advanced test"),
                  text("verdictExplanation",
                       "12\u00A0GB came back empty: don’t trust this card. What read back intact may have come from "
                       "this computer’s copy instead of the card, so the rest isn’t confirmed."),
                  shown("capacityComparison", false), shown("speedPanel", false),
                  {"mapLegend", "readBackUnconfirmed", true}}),
    // A wrap fake claiming 4 GB and keeping 512 MiB, checked without taking it out by a
    // user who cannot clear the computer's copy: the part of it the computer let go came
    // back from the card, overwritten by what was written five and six wraps further on,
    // the last of it a whole wrap below the end of what was written: that proves the size.
    outcomeState("fake-wrap-read-back-from-memory", 1200,
                 [](GalleryWorld& world) {
                   return finished(world, sdCard(4 * GB, "WRAPFAKE"), wrapFakeReadBackFromMemory({5, 6}, 512 * MiB));
                 },
                 {text("verdictTitle", "Fake card"), text("methodChip", "Confirmed by the advanced test"),
                  text("verdictExplanation",
                       "It holds only about 536\u00A0MB of the 4\u00A0GB it claims; anything saved past that is lost."),
                  shown("capacityComparison", true), text("reportMeasured0", "about 536\u00A0MB usable"),
                  text("outcomeNote0", "This computer kept its own copy of what was written, and Tessorin wasn’t "
                                       "allowed to clear it, so the card’s read speed wasn’t measured."),
                  text("reportMeasured3", "lost past the real capacity"),
                  text("problemLabel0", "Overwritten by data meant for elsewhere"),
                  text("problemAmount0", "536.9\u00A0MB"), shown("speedPanel", false),
                  {"mapLegend", "readBackUnconfirmed", true}}),
    // The same card where only what was written seven wraps on came back from it: the
    // card may as well keep any whole fraction of that, so its size stays open.
    outcomeState("fake-wrap-read-back-from-memory-size-open", 1200,
                 [](GalleryWorld& world) {
                   return finished(world, sdCard(4 * GB, "WRAPFAKE"), wrapFakeReadBackFromMemory({7}, 500 * MiB));
                 },
                 {text("verdictTitle", "Fake card"), text("verdictExplanation", "It does not hold what it claims."),
                  text("reportMeasured0", "less than claimed"),
                  text("outcomeNote0", "This computer kept its own copy of what was written, and Tessorin wasn’t "
                                       "allowed to clear it, so the card’s real size and read speed weren’t "
                                       "measured. To learn them, check the card again and take it out and put it "
                                       "back when asked."),
                  shown("speedPanel", false)}),
    outcomeState("brand-mismatch", 1200,
                 [](GalleryWorld& world) {
                   CardDevice device = sdCard(64 * GB, "SANDISK");
                   device.registers->manufacturerID = 0x1B;
                   device.registers->oemID = "SM";
                   const ZoneResult measured = zone(45 * MBps, 90 * MBps);
                   return finished(world, device,
                                   {.quick = quick(64 * GB, 16, 16, measured), .full = atSpeedsOf(full(63'800 * MB, 63'800 * MB), measured)},
                                   Brand::sandisk);
                 },
                 {text("outcomeNote0",
                       "The capacity is real, but the X-ray below says the card may not be the brand on its label.")}),
    outcomeState("under-half-free", 1200,
                 [](GalleryWorld& world) {
                   return finished(world, sdCard(64 * GB, "FULL CARD"),
                                   {.zone = zone(30 * MBps, 80 * MBps), .full = atSpeedsOf(full(20 * GB, 20 * GB), zone(30 * MBps, 80 * MBps))});
                 },
                 {text("outcomeNote0", "Only 20\u00A0GB of the card was free, so only that part could be tested. To test the "
                                       "whole card, copy its files somewhere else and erase it.")}),
    outcomeState("usb-drive", 1200,
                 [](GalleryWorld& world) {
                   CardDevice drive = GalleryWorld::usbDrive(32 * GB);
                   drive.volumeName = "STICK";
                   FinishedCheckSeam::Results results;
                   results.quick = quick(32 * GB, 16, 16, zone(14 * MBps, 22 * MBps));
                   results.full = atSpeedsOf(full(31'900 * MB, 31'900 * MB), zone(14 * MBps, 22 * MBps));
                   results.readerBestBefore = 120 * MBps;
                   return finished(world, drive, std::move(results));
                 },
                 {text("verdictTitle", "Genuine drive"), text("reportMeasured2", "22\u00A0MB/s")}),
    outcomeState("2tb-long-name", 1200,
                 [](GalleryWorld& world) {
                   const ZoneResult measured = zone(80 * MBps, 170 * MBps);
                   return finished(world,
                                   sdCard(2000 * GB, "A card with a rather long volume name <b>x</b> for two terabytes"),
                                   {.quick = quick(2000 * GB, 64, 64, measured), .full = atSpeedsOf(full(1999 * GB, 1999 * GB), measured)});
                 },
                 {text("verdictTitle", "Genuine card"), text("statValue0", "2\u00A0TB")}),
    // ext4 spreads the probes' files over the card, so where the lost ones lie says
    // nothing of its real size: the quick check calls it fake with the size unknown.
    outcomeState("fake-capacity-unknown", 1000,
                 [](GalleryWorld& world) {
                   QuickProbeResult spread = quick(64 * GB, 16, 4, zone(9 * MBps, 18 * MBps));
                   spread.testAreaInOrder = false;
                   return finished(world, sdCard(64 * GB, "LINUX", "ext4"), {.quick = spread});
                 },
                 {text("verdictTitle", "Fake card"), text("verdictExplanation", "It does not hold what it claims."),
                  text("reportMeasured0", "less than claimed"),
                  shown("capacityComparison", true), text("realBarValue", "?"), text("claimedBarValue", "64\u00A0GB")}),
    outcomeState("fake-holds-only-the-zone", 1000,
                 [](GalleryWorld& world) {
                   return finished(world, sdCard(64 * GB, "NOTHING KEPT"), {.quick = quick(64 * GB, 16, 0, zone(9 * MBps, 18 * MBps))});
                 },
                 {text("verdictTitle", "Fake card"), shown("capacityComparison", true)}),
    outcomeState("probes-lost-after-reading-back", 1000,
                 [](GalleryWorld& world) {
                   // The last three probes read back intact, then came back blank minutes later.
                   QuickProbeResult probes = quick(64 * GB, 16, 13, zone(40 * MBps, 85 * MBps));
                   probes.lostAfterVerifying = 3;
                   return finished(world, sdCard(64 * GB, "FORGETFUL"), {.quick = probes, .fullStopped = true});
                 },
                 {shown("outcomeNotes", true), text("verdictTitle", "Fake card")}),
    outcomeState("one-random-rate", 1000,
                 [](GalleryWorld& world) {
                   ZoneResult measured = zone(38 * MBps, 85 * MBps);
                   measured.randomWriteIOPS = std::nullopt;
                   return finished(world, sdCard(64 * GB, "PHOTOS"), {.quick = quick(64 * GB, 16, 16, measured), .fullStopped = true});
                 },
                 {text("verdictTitle", "Probably genuine")}),
    // A card writing close to all a USB 2 reader manages: the markings above what the reader
    // reached stand apart from those met in the report card, and after them in the speed box.
    outcomeState("reader-too-slow-to-judge", 1000,
                 [](GalleryWorld& world) {
                   CardDevice card = GalleryWorld::cardInUSBReader(32 * GB);
                   card.volumeName = "DASHCAM";
                   card.usb->productName = "USB2.0 Card Reader";
                   card.usb->linkSpeed = 480e6;
                   return finished(world, card, {.quick = quick(32 * GB, 16, 16, zone(27 * MBps, 28 * MBps))});
                 },
                 {text("verdictTitle", "Probably genuine"), shown("reportBadgeU3", true), shown("reportBadgeC10", true),
                  shown("markingBadge-v30-unknown", true)}),
    outcomeState("share-menu", 1000, photosAfterQuickCheck,
                 {shown("copySummary", true), shown("saveSummary", true)}, QStringLiteral("shareButton")),
    // The Share menu's save, into a folder on a file system mounted read-only.
    outcomeSceneState("save-failed", 1000,
                      [](GalleryWorld& world) {
                        QVariantMap properties = sessionProperty(photosAfterQuickCheck(world));
                        const QString folder = QString::fromStdString(world.unwritableFolder());
                        properties.insert(QStringLiteral("savedInto"),
                                          QUrl::fromLocalFile(folder + QStringLiteral("/Tessorin check.txt")));
                        return properties;
                      },
                      {shown("saveFailedDialog", true),
                       text("saveFailedMessage",
                            "This folder is on a disk that can’t be written to. Choose a folder on another disk."),
                       text("saveFailedReason", "Read-only file system")}),
    outcomeState("fake-without-record", 1000,
                 [](GalleryWorld& world) {
                   const ZoneResult measured = zone(9 * MBps, 18 * MBps);
                   return finished(world, sdCard(128 * GB, "SD128"), {.quick = quick(128 * GB, 32, 8, measured)},
                                   std::nullopt, false);
                 },
                 {shown("purchasePlace", false)}),
});

}  // namespace

}  // namespace tessorin::gallery
