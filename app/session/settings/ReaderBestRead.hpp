#pragma once
// ReaderBestRead: the fastest read speed ever measured through each card reader, kept in
// the setting "ReaderBestRead" (reader key to bytes per second, only ever raised), so a
// later check can tell a slow card from a slow reader. Used on the thread that owns the
// QSettings (the main thread).

#include <optional>
#include <string>

#include <QSettings>

#include "session/settings/SettingsDictionary.hpp"
#include "tessorin/identity/CardDevice.hpp"
#include "tessorin/zone/ZoneResult.hpp"

namespace tessorin {

class ReaderBestRead {
 public:
  explicit ReaderBestRead(QSettings& settings);

  // "built-in" for the built-in slot, else the USB device's key, else the reader name,
  // else "unknown".
  static std::string readerKey(const CardDevice& device);

  // Bytes per second; nothing when no number is stored for the device's reader.
  std::optional<double> readerBestRead(const CardDevice& device) const;
  // Keeps the larger of the stored value and bytesPerSecond; a speed that is not a
  // finite number above zero is ignored.
  void recordReaderRead(const CardDevice& device, double bytesPerSecond);
  // The zone's fastest read segment, unless it may have come from the computer's memory,
  // which would make any reader look fast to every later check.
  void recordZoneRead(const CardDevice& device, const ZoneResult& zone);

 private:
  SettingsDictionary speeds_;
};

}  // namespace tessorin
