// The X-ray panel over devices found by the real scanner in sysfs fixture trees: a disk
// image, cards in this computer's slot and behind a USB reader, a generic chip, a FAT32
// card with leftovers, untrusted names and a 2 TB card.

#include <filesystem>
#include <fstream>

#include "GalleryState.hpp"
#include "GalleryWorld.hpp"
#include "SysfsCards.hpp"
#include "session/settings/ReaderBestRead.hpp"
#include "tessorin/identity/DeviceScanner.hpp"

namespace tessorin::gallery {
namespace {

using testing::SysfsFixture;
using testing::UsbStorage;

constexpr std::uint64_t sectorsOf(std::uint64_t bytes) { return bytes / 512; }

struct Mounted {
  std::string fileSystem = "exfat";  // as the block-device tags name it
  std::string label = "CARD";
  bool leftovers = false;
};

// Mounts a partition of the fixture and scans it. Every volume gets a UUID of its own, so
// that no state finds the brand another state chose for its card.
CardDevice scanned(SysfsFixture& sys, const std::string& node, const std::string& wholeDisk, const Mounted& mounted) {
  static int volumes = 0;
  const std::string mountPoint = sys.mount(node, mounted.fileSystem == "vfat" ? "vfat" : "fuseblk", "volume");
  sys.tag(node, {mounted.fileSystem, "4A1E-77C" + std::to_string(++volumes), mounted.label, ""});
  sys.tag(wholeDisk, {"", "", "", "dos"});
  if (mounted.leftovers) std::filesystem::create_directory(std::filesystem::path(mountPoint) / "Tessorin Test");
  const auto devices = DeviceScanner::scan(true, sys.sources());
  return devices.empty() ? CardDevice{} : devices.front();
}

CardDevice builtInCard(SysfsFixture::Attributes card, std::uint64_t bytes, const Mounted& mounted = {}) {
  SysfsFixture sys;
  testing::mmcCard(sys, "0", card, "mmcblk0", sectorsOf(bytes));
  return scanned(sys, "/dev/mmcblk0p1", "/dev/mmcblk0", mounted);
}

CardDevice cardInUsbReader(const UsbStorage& reader, const Mounted& mounted = {}) {
  SysfsFixture sys;
  sys.partition(testing::usbStorage(sys, reader), reader.diskName + "1", 2048, reader.sectors - 2048);
  return scanned(sys, "/dev/" + reader.diskName + "1", "/dev/" + reader.diskName, mounted);
}

CardDevice diskImage() {
  SysfsFixture sys;
  sys.disk(sys.device("virtual"), "loop0", sectorsOf(16'000'000'000), false);
  const auto mountPoint = sys.mount("/dev/loop0", "fuseblk", "image");
  sys.tag("/dev/loop0", {"exfat", "5F1E-0C2A", "IMAGE", ""});
  const auto devices = DeviceScanner::scan(true, sys.sources());
  return devices.empty() ? CardDevice{} : devices.front();
}

SysfsFixture::Attributes samsungChip() {
  auto card = testing::sdCardAttributes();
  card["manfid"] = "0x00001b";
  card["oemid"] = "0x534d";
  card["name"] = "EC1S5";
  return card;
}

QVariantMap panelOf(CardSession* session, bool showRegisters = false) {
  return {{QStringLiteral("session"), QVariant::fromValue<QObject*>(session)},
          {QStringLiteral("showRegisters"), showRegisters}};
}

Expectation chip(const char* title) { return {QStringLiteral("xrayVerdictChip"), QStringLiteral("text"), QString::fromUtf8(title)}; }
Expectation shown(const char* objectName, bool visible) {
  return {QString::fromUtf8(objectName), QStringLiteral("visible"), visible};
}

const QSize panelSize(760, 860);
const QString panelScene = QStringLiteral("scenes/XRayPanelScene.qml");

const bool registered = addGalleryStates({
    {.view = QStringLiteral("XRayPanel"),
     .state = QStringLiteral("disk-image"),
     .size = panelSize,
     .scene = panelScene,
     .properties = [](GalleryWorld& world) { return panelOf(world.session(diskImage())); },
     .expectations = {chip("No red flags"), shown("xrayEmptyState", true), shown("xrayBrandRow", false),
                      shown("xrayRegistersGroup", false)}},
    {.view = QStringLiteral("XRayPanel"),
     .state = QStringLiteral("usb-reader-hides-registers"),
     .size = panelSize,
     .scene = panelScene,
     .properties =
         [](GalleryWorld& world) {
           const CardDevice device = cardInUsbReader({});
           ReaderBestRead(world.settings()).recordReaderRead(device, 41'300'000);
           return panelOf(world.session(device));
         },
     .expectations = {chip("Chip not visible"), shown("xrayEmptyState", false), shown("xrayBrandRow", false),
                      shown("xrayRegistersGroup", false),
                      {QStringLiteral("declaredValue5"), QStringLiteral("text"), QStringLiteral("USB 3 · 5\u00A0Gb/s")},
                      {QStringLiteral("declaredValue6"), QStringLiteral("text"), QStringLiteral("41.3\u00A0MB/s")}}},
    {.view = QStringLiteral("XRayPanel"),
     .state = QStringLiteral("built-in-sandisk-registers-open"),
     .size = QSize(760, 1040),
     .scene = panelScene,
     .properties =
         [](GalleryWorld& world) {
           CardSession* session = world.session(builtInCard(testing::sdCardAttributes(), 64'000'000'000));
           session->setClaimedBrand(Brand::sandisk);
           return panelOf(session, true);
         },
     .expectations = {chip("No red flags"), shown("xrayBrandRow", true), shown("xrayRegistersGroup", true),
                      {QStringLiteral("registerValue0"), QStringLiteral("text"), QStringLiteral("0x03 · SanDisk")}}},
    {.view = QStringLiteral("XRayPanel"),
     .state = QStringLiteral("built-in-samsung-chip-claimed-sandisk"),
     .size = panelSize,
     .scene = panelScene,
     .properties =
         [](GalleryWorld& world) {
           CardSession* session = world.session(builtInCard(samsungChip(), 64'000'000'000));
           session->setClaimedBrand(Brand::sandisk);
           return panelOf(session);
         },
     .expectations = {chip("Likely fake"),
                      {QStringLiteral("signalRow0-title"), QStringLiteral("text"), QStringLiteral("Not made by SanDisk")}}},
    {.view = QStringLiteral("XRayPanel"),
     .state = QStringLiteral("generic-chip-1.5TB"),
     .size = panelSize,
     .scene = panelScene,
     .properties =
         [](GalleryWorld& world) {
           auto card = testing::sdCardAttributes();
           card["manfid"] = "0x00006f";
           card["oemid"] = "0x0000";
           card["serial"] = "0x00000000";
           card["date"] = "05/2030";
           return panelOf(world.session(builtInCard(card, 1'500'000'000'000)));
         },
     .expectations = {chip("Suspicious")}},
    {.view = QStringLiteral("XRayPanel"),
     .state = QStringLiteral("fat32-leftovers-idle"),
     .size = panelSize,
     .scene = panelScene,
     .properties =
         [](GalleryWorld& world) {
           return panelOf(world.session(
               builtInCard(testing::sdCardAttributes(), 64'000'000'000, {.fileSystem = "vfat", .leftovers = true})));
         },
     .expectations = {shown("signalRow1-delete", true), shown("signalRow0-exFAT", true),
                      shown("xrayBrandRow", true),
                      // A finding's own actions are of the small size class.
                      {QStringLiteral("signalRow1-delete"), QStringLiteral("height"), 24.0},
                      {QStringLiteral("signalRow0-exFAT"), QStringLiteral("height"), 24.0}}},
    {.view = QStringLiteral("XRayPanel"),
     .state = QStringLiteral("fat32-leftovers-advanced-test"),
     .size = panelSize,
     .scene = panelScene,
     .properties =
         [](GalleryWorld& world) {
           CardSession* session = world.session(
               builtInCard(testing::sdCardAttributes(), 64'000'000'000, {.fileSystem = "vfat", .leftovers = true}));
           session->setStage(CardSessionStage::full(FullTest::Progress::Phase::writing));
           return panelOf(session);
         },
     .expectations = {shown("signalRow1-delete", false), shown("signalRow0-exFAT", true),
                      shown("xrayBrandRow", false)}},
    {.view = QStringLiteral("XRayPanel"),
     .state = QStringLiteral("markup-and-long-names-2TB"),
     .size = panelSize,
     .scene = panelScene,
     .properties =
         [](GalleryWorld& world) {
           UsbStorage reader;
           reader.device["manufacturer"] = "Generic Super Speed Multi Card Reader Corporation of the Long Names";
           reader.device["product"] = "<i>x</i>";
           reader.sectors = sectorsOf(2'000'000'000'000);
           return panelOf(world.session(cardInUsbReader(reader, {.label = "<b>Card</b>"})));
         },
     .expectations = {{QStringLiteral("declaredValue1"), QStringLiteral("text"), QStringLiteral("<b>Card</b>")},
                      {QStringLiteral("declaredValue0"), QStringLiteral("text"), QStringLiteral("2\u00A0TB")}}},
});

}  // namespace
}  // namespace tessorin::gallery
