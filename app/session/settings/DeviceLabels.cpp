#include "session/settings/DeviceLabels.hpp"

#include <QCoreApplication>

namespace tessorin {

QString DeviceLabels::kindLabel(const CardDevice& device, const DeviceKinds& kinds) {
  using Kind = CardDevice::Connection::Kind;
  switch (device.connection.kind) {
    case Kind::builtInReader:
      return QCoreApplication::translate("DeviceLabels", "Built-in SD slot");
    case Kind::usb:
      return kinds.isUSBDrive(device) ? QCoreApplication::translate("DeviceLabels", "USB drive")
                                      : QCoreApplication::translate("DeviceLabels", "USB card reader");
    case Kind::diskImage:
      return QCoreApplication::translate("DeviceLabels", "Disk image");
    case Kind::other:
      break;
  }
  return QString::fromStdString(device.connection.interconnect);
}

QString DeviceLabels::fileSystemLabel(const CardDevice& device) {
  const std::string& name = device.volume.fileSystem;
  if (name == "exfat") return QStringLiteral("exFAT");
  if (name == "msdos") return QStringLiteral("FAT32");
  if (name == "apfs") return QStringLiteral("APFS");
  if (name == "hfs") return QStringLiteral("Mac OS Extended");
  if (name == "ntfs" || name == "ntfs3") return QStringLiteral("NTFS");
  return QString::fromStdString(name);
}

}  // namespace tessorin
