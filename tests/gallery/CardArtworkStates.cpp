// The card picture: at rest, scanned, after each verdict, as a USB drive, and with the
// labels that stretch it (a 2 TB card, an empty one, a long brand, a brand typed as markup).

#include <optional>
#include <string>

#include "GalleryState.hpp"
#include "GalleryWorld.hpp"

namespace tessorin::gallery {
namespace {

constexpr std::uint64_t gigabytes = 1'000'000'000;

struct Picture {
  CardDevice device = {};
  std::optional<Brand> brand = std::nullopt;
  std::string customBrand = {};
  bool scanning = false;
  QString verdict = {};
};

GalleryState artwork(QString state, Picture picture, std::vector<Expectation> expectations) {
  return {.view = QStringLiteral("CardArtwork"),
          .state = std::move(state),
          .size = QSize(240, 290),
          .scene = QStringLiteral("scenes/CardArtworkScene.qml"),
          .properties =
              [picture](GalleryWorld& world) {
                CardSession* session = world.session(picture.device);
                session->setClaimedBrand(picture.brand);
                session->setCustomBrandName(picture.customBrand);
                return QVariantMap{{QStringLiteral("session"), QVariant::fromValue<QObject*>(session)},
                                   {QStringLiteral("scanning"), picture.scanning},
                                   {QStringLiteral("verdict"), picture.verdict}};
              },
          .expectations = std::move(expectations)};
}

Expectation text(const char* objectName, const QString& value) {
  return {QString::fromLatin1(objectName), QStringLiteral("text"), value};
}

Expectation shown(const char* objectName, bool visible) {
  return {QString::fromLatin1(objectName), QStringLiteral("visible"), visible};
}

Picture sandisk(QString verdict, bool scanning = false) {
  return {GalleryWorld::builtInCard(64 * gigabytes, "SDXC"), Brand::sandisk, "", scanning, std::move(verdict)};
}

const bool registered = addGalleryStates({
    artwork(QStringLiteral("idle"), {GalleryWorld::builtInCard(64 * gigabytes, "SDXC")},
            {text("cardBrandLine", QStringLiteral("SDXC")), text("cardCapacityLine", QStringLiteral("64\u00A0GB")),
             shown("cardTypeLine", false), shown("cardSeal", false), shown("cardStamp", false)}),
    artwork(QStringLiteral("scanning"), sandisk({}, true),
            {text("cardBrandLine", QStringLiteral("SanDisk")), text("cardTypeLine", QStringLiteral("SDXC")),
             shown("cardSeal", false)}),
    artwork(QStringLiteral("genuine"), sandisk(QStringLiteral("genuine")), {shown("cardSeal", true), shown("cardStamp", false)}),
    artwork(QStringLiteral("likelyGenuine"), sandisk(QStringLiteral("likelyGenuine")), {shown("cardSeal", true)}),
    artwork(QStringLiteral("fake"), sandisk(QStringLiteral("fake")), {shown("cardSeal", true), shown("cardStamp", true)}),
    artwork(QStringLiteral("damaged"), sandisk(QStringLiteral("damaged")), {shown("cardStamp", false)}),
    artwork(QStringLiteral("inconclusive"), sandisk(QStringLiteral("inconclusive")), {shown("cardStamp", false)}),
    artwork(QStringLiteral("fake-while-scanning"), sandisk(QStringLiteral("fake"), true),
            {shown("cardSeal", true), shown("cardStamp", true)}),
    artwork(QStringLiteral("usb-drive"), {GalleryWorld::usbDrive(32 * gigabytes)},
            {text("cardBrandLine", QStringLiteral("USB")), text("cardCapacityLine", QStringLiteral("32\u00A0GB")),
             shown("writeProtectSwitch", false)}),
    artwork(QStringLiteral("usb-drive-genuine"),
            {GalleryWorld::usbDrive(32 * gigabytes), std::nullopt, "", false, QStringLiteral("genuine")},
            {shown("cardSeal", true), shown("cardStamp", false)}),
    artwork(QStringLiteral("usb-drive-fake"), {GalleryWorld::usbDrive(32 * gigabytes), std::nullopt, "", false, QStringLiteral("fake")},
            {shown("cardSeal", true), shown("cardStamp", true)}),
    artwork(QStringLiteral("usb-reader-card"), {GalleryWorld::cardInUSBReader(128 * gigabytes)},
            {text("cardBrandLine", QStringLiteral("USB")), shown("writeProtectSwitch", true)}),
    artwork(QStringLiteral("2-TB"), {GalleryWorld::builtInCard(2000 * gigabytes, "SDUC")},
            {text("cardCapacityLine", QStringLiteral("2\u00A0TB"))}),
    artwork(QStringLiteral("0-bytes"), {GalleryWorld::builtInCard(0)},
            {text("cardBrandLine", QStringLiteral("SD")), text("cardCapacityLine", QStringLiteral("0\u00A0bytes"))}),
    artwork(QStringLiteral("long-brand"),
            {GalleryWorld::builtInCard(256 * gigabytes, "SDXC"), Brand::other,
             "Hyperion UltraSpeed Pro \U0001F680 Card"},
            {text("cardBrandLine", QStringLiteral("Hyperion UltraSpeed Pro \U0001F680 Card"))}),
    artwork(QStringLiteral("markup-brand"), {GalleryWorld::builtInCard(16 * gigabytes, "SDHC"), Brand::other, "<b>x</b>"},
            {text("cardBrandLine", QStringLiteral("<b>x</b>"))}),
});

}  // namespace
}  // namespace tessorin::gallery
