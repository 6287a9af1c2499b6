#include "session/settings/ReaderBestRead.hpp"

#include <cmath>

#include <QString>

namespace tessorin {

ReaderBestRead::ReaderBestRead(QSettings& settings) : speeds_(settings, QStringLiteral("ReaderBestRead")) {}

std::string ReaderBestRead::readerKey(const CardDevice& device) {
  if (device.connection.kind == CardDevice::Connection::Kind::builtInReader) return "built-in";
  if (device.usb) return device.usb->readerKey();
  if (device.readerName) return *device.readerName;
  return "unknown";
}

std::optional<double> ReaderBestRead::readerBestRead(const CardDevice& device) const {
  return speeds_.number(QString::fromStdString(readerKey(device)));
}

void ReaderBestRead::recordReaderRead(const CardDevice& device, double bytesPerSecond) {
  // An infinite speed (a transfer timed at zero seconds) would pin the reader's best
  // forever, so it is ignored like zero and NaN.
  if (!std::isfinite(bytesPerSecond) || bytesPerSecond <= 0) return;
  const QString key = QString::fromStdString(readerKey(device));
  const double stored = speeds_.number(key).value_or(0);
  // Written back even when unchanged: that also replaces an entry of the wrong type.
  speeds_.set(key, stored <= bytesPerSecond ? bytesPerSecond : stored);
}

void ReaderBestRead::recordZoneRead(const CardDevice& device, const ZoneResult& zone) {
  if (zone.readBackReachedCard) recordReaderRead(device, zone.maximumReadSegment());
}

}  // namespace tessorin
