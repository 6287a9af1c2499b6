#include "GalleryWorld.hpp"

#include <atomic>

#include <QUrl>

namespace tessorin::gallery {

namespace {

CardDevice mountedCard(std::uint64_t mediaBytes, CardDevice::Connection connection) {
  static std::atomic<int> cards{0};
  const int number = ++cards;
  CardDevice device;
  device.id = "gallery-card-" + std::to_string(number);
  device.volumeURL = "/media/gallery/CARD" + std::to_string(number);
  device.volumeName = "CARD" + std::to_string(number);
  device.bsdName = "sdx" + std::to_string(number);
  device.wholeDiskBSDName = "sdx";
  device.mediaBytes = mediaBytes;
  device.connection = std::move(connection);
  device.volume.fileSystem = "exfat";
  device.volume.totalBytes = mediaBytes;
  device.volume.availableBytes = mediaBytes;
  return device;
}

}  // namespace

GalleryWorld::GalleryWorld()
    : settings_(folder_.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat),
      history_(QUrl::fromLocalFile(folder_.filePath(QStringLiteral("History.json")))) {}

GalleryWorld::~GalleryWorld() = default;

CardSession* GalleryWorld::session(const CardDevice& device) {
  CardSession::Environment environment;
  environment.folderPicker = [](const QString&, const QString&, std::function<void(std::optional<QString>)> answer) {
    answer(std::nullopt);
  };
  sessions_.push_back(std::make_unique<CardSession>(device, &history_, settings_, environment));
  return sessions_.back().get();
}

CardDevice GalleryWorld::builtInCard(std::uint64_t mediaBytes, std::optional<std::string> cardType) {
  CardDevice device = mountedCard(mediaBytes, CardDevice::Connection::builtInReader());
  device.readerName = "Built-in SD card reader";
  CardRegisters registers;
  registers.cardType = std::move(cardType);
  device.registers = registers;
  return device;
}

CardDevice GalleryWorld::cardInUSBReader(std::uint64_t mediaBytes) {
  CardDevice device = mountedCard(mediaBytes, CardDevice::Connection::usb());
  device.readerName = "USB3.0 Card Reader";
  USBInfo usb;
  usb.productName = "USB3.0 Card Reader";
  usb.slots = 1;
  device.usb = usb;
  return device;
}

CardDevice GalleryWorld::usbDrive(std::uint64_t mediaBytes) {
  CardDevice device = mountedCard(mediaBytes, CardDevice::Connection::usb());
  USBInfo usb;
  usb.slots = 1;
  device.usb = usb;
  return device;
}

}  // namespace tessorin::gallery
