// The card page: idle cards of each file system and size, the header's chips and storage
// bar at their edges, names that stretch or look like markup, the questions and the alert,
// erasing, each running stage, the decision after a quick check that found a fake or
// damaged card, and the finished page with and without an outcome. Decisions hold real
// quick results as the session receives them; finished pages end through its own finish.

#include <functional>
#include <string>

#include "FinishedCheckSeam.hpp"
#include "GalleryEngineValues.hpp"
#include "GalleryState.hpp"
#include "GalleryWorld.hpp"
#include "session/errors/ErrorWording.hpp"

namespace tessorin::gallery {
namespace {

constexpr std::uint64_t gigabytes = 1'000'000'000;

struct Page {
  CardDevice device;
  std::function<void(CardSession&)> prepare = [](CardSession&) {};
  // Tall enough for the whole stage panel where it is the story.
  int height = 720;
  std::optional<HostSystem> host = std::nullopt;
  bool present = true;
};

GalleryState page(QString state, Page page, std::vector<Expectation> expectations) {
  return {.view = QStringLiteral("CardDetailView"),
          .state = std::move(state),
          .size = QSize(900, page.height),
          .scene = QStringLiteral("scenes/CardDetailViewScene.qml"),
          .properties =
              [page](GalleryWorld& world) {
                CardSession* session = world.session(page.device, page.host);
                page.prepare(*session);
                return QVariantMap{{QStringLiteral("session"), QVariant::fromValue<QObject*>(session)},
                                   {QStringLiteral("present"), page.present}};
              },
          .expectations = std::move(expectations)};
}

Expectation text(const char* objectName, const QString& value) {
  return {QString::fromLatin1(objectName), QStringLiteral("text"), value};
}

Expectation shown(const char* objectName, bool visible) {
  return {QString::fromLatin1(objectName), QStringLiteral("visible"), visible};
}

CardDevice named(CardDevice device, std::string name, std::string fileSystem = "exfat",
                 std::optional<std::uint64_t> available = std::nullopt) {
  device.volumeName = std::move(name);
  GalleryWorld::format(device, std::move(fileSystem));
  if (available) device.volume.availableBytes = *available;
  return device;
}

// The quick check's findings arrive as the session's roads hand them over, then it stops
// at the decision.
void decide(CardSession& session, const QuickProbeResult& result) {
  session.setStage(CardSessionStage::quick({}));
  session.applyPartialQuickResult(result);
  session.setStage(CardSessionStage::decision());
}

// A 64 GB fake that keeps about 4 GB: one probe inside that part corrupted, and two that
// read back fine gone minutes later.
QuickProbeResult fakeThatLosesEvenBelow() {
  QuickProbeResult result = quick(64 * gigabytes, 16, 4, zone(9e6, 18e6));
  result.outcomes[1] = ProbeOutcome::corrupted;
  result.lostAfterVerifying = 2;
  return result;
}

QuickProbeResult wrapAround() {
  QuickProbeResult result = quick(64 * gigabytes, 16, 2, zone(11e6, 42e6));
  for (std::size_t slot = 2; slot < result.outcomes.size(); ++slot) result.outcomes[slot] = ProbeOutcome::misplaced;
  result.wrapDistance = 8'589'934'592;
  return result;
}

QuickProbeResult zoneFailed() {
  ZoneResult failed = zone(4e6, 12e6);
  failed.writeFailed = true;
  return quick(32 * gigabytes, 16, 16, failed);
}

CardDevice throughFuse(CardDevice device) {
  device.volume.mountType = "fuseblk";
  return device;
}

CardDevice withProduct(CardDevice device, std::string productName) {
  device.registers->productName = std::move(productName);
  return device;
}

const QString markupName = QStringLiteral("<font color='red'>x</font>");
const QString longName = QStringLiteral("Holiday photos from the summer of twenty-twenty-four \U0001F3D6 EXTRA");
// A test stopped by the system, on a card whose name looks like markup: what to do, and
// under it the system's words, shown as they stand.
const QString deniedOpening = QStringLiteral("open(/media/user/<b>x</b>/TessorinTest): Permission denied");

const bool registered = addGalleryStates({
    page(QStringLiteral("idle-exfat-64-GB"),
         {named(GalleryWorld::builtInCard(64 * gigabytes, "SDXC"), "SANDISK", "exfat", 63'800'000'000)},
         {text("headerVolumeName", QStringLiteral("SANDISK")), text("headerClaim", QStringLiteral("Claims 64\u00A0GB")),
          shown("startPanel", true), shown("exFATLink", false), shown("productNameChip", false),
          {QStringLiteral("quickStepBadge"), QStringLiteral("opacity"), 1.0}}),
    page(QStringLiteral("fat32"), {named(GalleryWorld::builtInCard(32 * gigabytes, "SDHC"), "NO NAME", "msdos")},
         {shown("exFATLink", true), {QStringLiteral("quickStepBadge"), QStringLiteral("opacity"), 0.4}}),
    // exFAT through exfat-fuse, and FAT32 where exFAT would be mounted by exfat-fuse too:
    // no quick check is promised, and none is sold.
    page(QStringLiteral("exfat-driver-writes-reserved-space"),
         {throughFuse(named(GalleryWorld::builtInCard(64 * gigabytes, "SDXC"), "SANDISK", "exfat", 63'800'000'000))},
         {shown("exFATLink", false), {QStringLiteral("quickStepBadge"), QStringLiteral("opacity"), 0.4}}),
    page(QStringLiteral("fat32-without-kernel-exfat"),
         {named(GalleryWorld::builtInCard(32 * gigabytes, "SDHC"), "NO NAME", "msdos"), [](CardSession&) {}, 720,
          HostSystem::withRelease("6.1.0-18-amd64", true)},
         {shown("exFATLink", false)}),
    // Taken out while its page stays selected: no free space read through the folder left
    // behind, and no check.
    page(QStringLiteral("removed"),
         {named(GalleryWorld::builtInCard(64 * gigabytes, "SDXC"), "SANDISK", "exfat", 63'800'000'000),
          [](CardSession&) {}, 720, std::nullopt, false},
         {shown("startButton", false), shown("storageBar", false), shown("removedNote", true),
          shown("startPlan", false)}),
    page(QStringLiteral("ntfs"), {named(GalleryWorld::builtInCard(128 * gigabytes, "SDXC"), "Backup", "ntfs")},
         {shown("exFATLink", false)}),
    page(QStringLiteral("2-TB"), {named(GalleryWorld::builtInCard(2000 * gigabytes, "SDUC"), "HUGE")},
         {text("headerClaim", QStringLiteral("Claims 2\u00A0TB")), text("stepDetail3", QStringLiteral("About 37h\u00A02m"))}),
    page(QStringLiteral("long-name"), {named(GalleryWorld::builtInCard(64 * gigabytes, "SDXC"), longName.toStdString())},
         {text("headerVolumeName", longName)}),
    page(QStringLiteral("markup-name"), {named(GalleryWorld::builtInCard(16 * gigabytes, "SDHC"), markupName.toStdString())},
         {text("headerVolumeName", markupName)}),
    page(QStringLiteral("too-little-space"),
         {named(GalleryWorld::builtInCard(16 * gigabytes, "SDHC"), markupName.toStdString(), "exfat", 120'000'000),
          [](CardSession& s) { s.setConfirmingErase(true); }},
         {text("confirmEraseAlertTitle", QStringLiteral("To check “%1”, Tessorin has to erase it").arg(markupName)),
          shown("confirmEraseButton", true)}),
    page(QStringLiteral("files-on-card"),
         {named(GalleryWorld::builtInCard(64 * gigabytes, "SDXC"), longName.toStdString(), "exfat", 40 * gigabytes),
          [](CardSession& s) { s.setOfferingErase(true); }},
         {shown("checkFreeSpaceButton", true)}),
    page(QStringLiteral("files-on-card-markup"),
         {named(GalleryWorld::builtInCard(64 * gigabytes, "SDXC"), markupName.toStdString(), "exfat", 40 * gigabytes),
          [](CardSession& s) { s.setOfferingErase(true); }},
         {text("offerEraseAlertTitle", QStringLiteral("Erase “%1” before checking it?").arg(markupName))}),
    page(QStringLiteral("error"),
         {named(GalleryWorld::builtInCard(64 * gigabytes, "SDXC"), "CARD"),
          [](CardSession& s) {
            s.setError(ErrorWording::testStopped(deniedOpening, systemReasonOfText(deniedOpening), false));
          }},
         {text("errorAlertTitle", QStringLiteral("Tessorin")),
          text("errorAlertMessage", QStringLiteral("The test stopped: Tessorin isn’t allowed to write to the card. Take "
                                                   "the card out and put it back in, so that this computer mounts it "
                                                   "for you, then try again.")),
          text("errorAlertDetail", deniedOpening)}),
    page(QStringLiteral("usb-menu-enabled"), {named(GalleryWorld::cardInUSBReader(128 * gigabytes), "USB CARD")},
         {shown("kindMenuButton", true), {QStringLiteral("kindMenuButton"), QStringLiteral("enabled"), true},
          shown("kindChip", false)}),
    page(QStringLiteral("usb-menu-disabled"),
         {named(GalleryWorld::usbDrive(32 * gigabytes), "STICK"),
          [](CardSession& s) { s.setStage(CardSessionStage::quick({})); }},
         {{QStringLiteral("kindMenuButton"), QStringLiteral("enabled"), false}}),
    page(QStringLiteral("product-name"),
         {withProduct(named(GalleryWorld::builtInCard(64 * gigabytes, "SDXC"), "EXTREME"), "SN64G")},
         {shown("kindChip", true), shown("productNameChip", true)}),
    page(QStringLiteral("storage-empty"), {named(GalleryWorld::builtInCard(64 * gigabytes, "SDXC"), "EMPTY")},
         {shown("storageBarFill", false)}),
    page(QStringLiteral("storage-one-byte"),
         {named(GalleryWorld::builtInCard(64 * gigabytes, "SDXC"), "DOT", "exfat", 64 * gigabytes - 1)},
         {shown("storageBarFill", true), {QStringLiteral("storageBarFill"), QStringLiteral("width"), 6.0}}),
    page(QStringLiteral("storage-full"),
         {named(GalleryWorld::builtInCard(64 * gigabytes, "SDXC"), "FULL", "exfat", 0)},
         {text("storageBarCaption", QStringLiteral("0\u00A0bytes free of 64\u00A0GB"))}),
    page(QStringLiteral("erasing"),
         {named(GalleryWorld::builtInCard(64 * gigabytes, "SDXC"), "CARD"),
          [](CardSession& s) { s.setStage(CardSessionStage::erasing()); }},
         {text("erasingTitle", QStringLiteral("Erasing the card…"))}),
    page(QStringLiteral("quick"),
         {named(GalleryWorld::builtInCard(64 * gigabytes, "SDXC"), "CARD"),
          [](CardSession& s) { s.setStage(CardSessionStage::quick({})); }},
         {shown("quickPanel", true)}),
    page(QStringLiteral("full"),
         {named(GalleryWorld::builtInCard(64 * gigabytes, "SDXC"), "CARD"),
          [](CardSession& s) { s.setStage(CardSessionStage::full({})); }},
         {}),
    page(QStringLiteral("reinsert"),
         {named(GalleryWorld::builtInCard(64 * gigabytes, "SDXC"), "CARD"),
          [](CardSession& s) { s.setStage(CardSessionStage::reinsert(true)); }},
         {}),
    page(QStringLiteral("decision-without-quick-result"),
         {named(GalleryWorld::builtInCard(64 * gigabytes, "SDXC"), "CARD"),
          [](CardSession& s) { s.setStage(CardSessionStage::decision()); }},
         {shown("decisionPanel", true), shown("decisionHeadline", false), shown("decisionProbeStrip", false),
          shown("decisionDivider", true), shown("confirmAdvancedButton", true)}),
    page(QStringLiteral("decision-fake"),
         {named(GalleryWorld::builtInCard(64 * gigabytes, "SDXC"), "SD64", "exfat", 63'900'000'000),
          [](CardSession& s) { decide(s, fakeThatLosesEvenBelow()); }, 1500},
         {text("verdictTitle", QStringLiteral("Fake card")), shown("decisionComparison", true),
          shown("lostWarning", true), shown("failedWarning", true), shown("decisionSpeed", true),
          shown("decisionDivider", true),
          // "Finish Here" of the large size class, the glowing main action its label and 14
          // above and below taller.
          {QStringLiteral("finishHereButton"), QStringLiteral("height"), 40.0},
          {QStringLiteral("confirmAdvancedButton"), QStringLiteral("height"), 45.0},
          text("decisionSentence",
               QStringLiteral("Probes written past the real size were lost: the card pretends to store them."))}),
    page(QStringLiteral("decision-wrap-around"),
         {named(GalleryWorld::builtInCard(64 * gigabytes, "SDXC"), "SD64", "exfat", 63'900'000'000),
          [](CardSession& s) { decide(s, wrapAround()); }, 1400},
         {text("verdictTitle", QStringLiteral("Fake card")), shown("lostWarning", false),
          text("realBarValue", QStringLiteral("≈ 8\u00A0GB"))}),
    page(QStringLiteral("decision-damaged-zone-failed"),
         {named(GalleryWorld::builtInCard(32 * gigabytes, "SDHC"), "CAMERA", "exfat", 31'000'000'000),
          [](CardSession& s) { decide(s, zoneFailed()); }, 1300},
         {text("verdictTitle", QStringLiteral("Damaged card")), shown("decisionComparison", false),
          shown("failedWarning", false)}),
    page(QStringLiteral("finished-fake"),
         {named(GalleryWorld::builtInCard(64 * gigabytes, "SDXC"), "SD64", "exfat", 63'900'000'000),
          [](CardSession& s) {
            decide(s, fakeThatLosesEvenBelow());
            FinishedCheckSeam::finish(s, {.quick = s.quickResult()});
          },
          1500},
         {shown("outcomePanel", true), text("verdictTitle", QStringLiteral("Fake card"))}),
    page(QStringLiteral("finished-without-outcome"),
         {named(GalleryWorld::builtInCard(64 * gigabytes, "SDXC"), "CARD"),
          [](CardSession& s) { s.setStage(CardSessionStage::finished()); }},
         {shown("stagePanel", false)}),
});

}  // namespace
}  // namespace tessorin::gallery
