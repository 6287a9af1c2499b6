#include "session/settings/DeviceKinds.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

#include <QString>

namespace tessorin {

namespace {

// Reader words are tested first: "Card Reader Flash" is a reader, not a flash drive.
constexpr std::array<std::string_view, 7> readerWords{"reader", "card", "mmc", "multi", "sd/", "sdxc", "microsd"};
constexpr std::array<std::string_view, 13> driveWords{"ssd",      "nvme",  "sata",      "drive",        "disk",
                                                      "stick",    "thumb", "flash",     "pendrive",     "jumpdrive",
                                                      "datatraveler", "cruzer", "ufd"};

// Readers report whole-card sizes in 512 KiB steps; drives often do not.
constexpr std::uint64_t cardSizeStep = 524'288;

std::string lowerCasedNames(const CardDevice& device) {
  std::string names;
  const auto append = [&names](const std::optional<std::string>& name) {
    if (!name) return;
    if (!names.empty()) names += ' ';
    names += *name;
  };
  append(device.readerName);
  if (device.usb) {
    append(device.usb->vendorName);
    append(device.usb->productName);
  }
  std::transform(names.begin(), names.end(), names.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return names;
}

template <std::size_t N>
bool containsAny(const std::string& text, const std::array<std::string_view, N>& words) {
  return std::any_of(words.begin(), words.end(),
                     [&text](std::string_view word) { return text.find(word) != std::string::npos; });
}

}  // namespace

DeviceKinds::DeviceKinds(QSettings& settings) : kinds_(settings, QStringLiteral("DeviceKinds")) {}

std::optional<bool> DeviceKinds::storedIsDrive(const std::string& cardID) const {
  const std::optional<QString> kind = kinds_.text(QString::fromStdString(cardID));
  if (!kind) return std::nullopt;
  return *kind == QLatin1String("drive");
}

void DeviceKinds::store(bool isDrive, const std::string& cardID) {
  kinds_.set(QString::fromStdString(cardID), isDrive ? QStringLiteral("drive") : QStringLiteral("card"));
}

bool DeviceKinds::isUSBDrive(const CardDevice& device) const {
  if (device.connection.kind != CardDevice::Connection::Kind::usb) return false;
  if (device.registers) return false;
  if (const std::optional<bool> stored = storedIsDrive(device.id)) return *stored;
  if (device.usb && device.usb->slots && *device.usb->slots > 1) return false;
  const std::string names = lowerCasedNames(device);
  if (containsAny(names, readerWords)) return false;
  if (containsAny(names, driveWords)) return true;
  return device.mediaBytes % cardSizeStep != 0;
}

}  // namespace tessorin
