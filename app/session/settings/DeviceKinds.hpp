#pragma once
// DeviceKinds: whether a USB-attached volume is a USB drive or a memory card in a USB
// reader. The device registry does not say, so the decision weighs the card's identity
// registers, the user's own choice (setting "DeviceKinds": card id to "drive" or
// "card"), the reader's slot count, words in the reader's names and the medium's size.
// Used on the thread that owns the QSettings (the main thread).

#include <optional>
#include <string>

#include <QSettings>

#include "session/settings/SettingsDictionary.hpp"
#include "tessorin/identity/CardDevice.hpp"

namespace tessorin {

class DeviceKinds {
 public:
  explicit DeviceKinds(QSettings& settings);

  // The user's choice for a card, if one is stored as text.
  std::optional<bool> storedIsDrive(const std::string& cardID) const;
  // Choices are never forgotten, only replaced.
  void store(bool isDrive, const std::string& cardID);

  bool isUSBDrive(const CardDevice& device) const;

 private:
  SettingsDictionary kinds_;
};

}  // namespace tessorin
