#include "results/xray/DeclaredGridModel.hpp"

#include <cmath>

#include <QLocale>
#include <QStringList>

#include "theme/text/DisplayFormat.hpp"
#include "session/settings/DeviceLabels.hpp"

namespace tessorin {

namespace {

QString text(const std::string& value) { return QString::fromStdString(value); }

QString gigabitsText(double bitsPerSecond) {
  const QLocale locale;
  QString number = locale.toString(bitsPerSecond / 1e9, 'f', 1);
  const QString zeroFraction = locale.decimalPoint() + locale.zeroDigit();
  if (number.endsWith(zeroFraction)) number.chop(zeroFraction.size());
  return number;
}

}  // namespace

QList<GridRow> DeclaredGridModel::rowsOf(const CardSession& session) const {
  return rowsFor(session.device(), session.readerBestRead(), session.isUSBDrive());
}

QList<GridRow> DeclaredGridModel::rowsFor(const CardDevice& device, std::optional<double> readerBest, bool isUSBDrive) {
  QList<GridRow> rows{
      {tr("Capacity it reports"), DisplayFormat::byteCountText(device.mediaBytes)},
      {tr("Volume name"), text(device.volumeName)},
      {tr("Format"), formatText(device)},
      {tr("Partition table"), partitionTableName(device)},
  };
  if (const auto reader = readerText(device)) rows.append({isUSBDrive ? tr("Drive") : tr("Reader"), *reader});
  if (const auto link = usbConnectionText(device)) rows.append({tr("USB connection"), *link});
  if (readerBest) {
    // The settings file can be edited by hand; a value that is no speed is no figure.
    rows.append({isUSBDrive ? tr("Fastest read of this drive") : tr("Fastest read in this reader"),
                 std::isfinite(*readerBest) ? DisplayFormat::formatSpeed(*readerBest) : DisplayFormat::missing()});
  }
  return rows;
}

QString DeclaredGridModel::formatText(const CardDevice& device) {
  const QString fileSystem = DeviceLabels::fileSystemLabel(device);
  // statvfs of a volume that reports no block size gives none to show.
  if (device.volume.blockSize == 0) return fileSystem;
  return tr("%1, %2 clusters").arg(fileSystem, DisplayFormat::memoryByteCountText(device.volume.blockSize));
}

QString DeclaredGridModel::partitionTableName(const CardDevice& device) {
  QString name = tr("none");
  if (const auto& scheme = device.partitionScheme) {
    if (*scheme == "FDisk_partition_scheme") {
      name = QStringLiteral("MBR");
    } else if (*scheme == "GUID_partition_scheme") {
      name = QStringLiteral("GPT");
    } else if (*scheme == "Apple_partition_scheme") {
      name = QStringLiteral("APM");
    } else {
      name = text(*scheme);
    }
  }
  if (!device.partitionOffset) return name;
  return tr("%1, volume starts at %2").arg(name, DisplayFormat::memoryByteCountText(*device.partitionOffset));
}

std::optional<QString> DeclaredGridModel::readerText(const CardDevice& device) {
  if (device.connection.kind == CardDevice::Connection::Kind::builtInReader) return tr("This computer’s SD slot");
  if (!device.usb) {
    if (!device.readerName) return std::nullopt;
    return text(*device.readerName);
  }
  QStringList names;
  if (device.usb->vendorName) names << text(*device.usb->vendorName);
  if (device.usb->productName) names << text(*device.usb->productName);
  QString name = names.join(u' ');
  if (name.isEmpty() && device.readerName) name = text(*device.readerName);
  QStringList parts;
  if (!name.isEmpty()) parts << name;
  if (const auto ids = device.usb->idText()) parts << text(*ids);
  return parts.join(QStringLiteral(" · "));
}

std::optional<QString> DeclaredGridModel::usbConnectionText(const CardDevice& device) {
  if (!device.usb || !device.usb->linkSpeed) return std::nullopt;
  const double speed = *device.usb->linkSpeed;
  // An infinite speed would read "inf Gb/s": only a finite speed above zero is a speed.
  if (!std::isfinite(speed) || !(speed > 0)) return std::nullopt;
  const QString prefix = speed >= 5e9 ? QStringLiteral("USB 3 · ") : QStringLiteral("USB 2 · ");
  if (speed >= 1e9) return prefix + gigabitsText(speed) + DisplayFormat::unitSpace + QStringLiteral("Gb/s");
  return prefix + QString::number(static_cast<qlonglong>(speed / 1e6)) + DisplayFormat::unitSpace +
         QStringLiteral("Mb/s");
}

}  // namespace tessorin
