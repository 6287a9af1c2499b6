#include "theme/text/DisplayFormatSingleton.hpp"

#include "theme/text/DisplayFormat.hpp"

namespace tessorin {

QString DisplayFormatSingleton::missing() const { return DisplayFormat::missing(); }

QString DisplayFormatSingleton::byteCountText(double bytes) const {
  return DisplayFormat::byteCountText(DisplayFormat::saturatingUnsigned(bytes));
}

QString DisplayFormatSingleton::formatCapacity(double bytes) const {
  return DisplayFormat::formatCapacity(DisplayFormat::saturatingUnsigned(bytes));
}

QString DisplayFormatSingleton::advertisedSizeLabel(double bytes) const {
  return DisplayFormat::advertisedSizeLabel(DisplayFormat::saturatingUnsigned(bytes)).value_or(QString());
}

QString DisplayFormatSingleton::formatSpeed(double bytesPerSecond) const {
  return DisplayFormat::formatSpeed(bytesPerSecond);
}

QString DisplayFormatSingleton::speedOrMissing(double bytesPerSecond) const {
  return DisplayFormat::speedOrMissing(bytesPerSecond);
}

QString DisplayFormatSingleton::formatProductionDate(int year, int month) const {
  return DisplayFormat::formatProductionDate(year, month);
}

QString DisplayFormatSingleton::roundedSizeText(double bytes) const {
  return DisplayFormat::roundedSizeText(DisplayFormat::saturatingUnsigned(bytes));
}

QString DisplayFormatSingleton::durationText(double seconds) const { return DisplayFormat::durationText(seconds); }

QString DisplayFormatSingleton::percentText(double fraction) const { return DisplayFormat::percentText(fraction); }

QString DisplayFormatSingleton::operationsPerSecondText(double operationsPerSecond) const {
  return DisplayFormat::operationsPerSecondText(operationsPerSecond);
}

}  // namespace tessorin
