#pragma once
// DeviceLabels: the words the card screens use for how a device is attached and for its
// file system. Main thread: the kind label is translated through the application.

#include <QString>

#include "session/settings/DeviceKinds.hpp"
#include "tessorin/identity/CardDevice.hpp"

namespace tessorin {

struct DeviceLabels {
  static QString kindLabel(const CardDevice& device, const DeviceKinds& kinds);
  // Matched exactly: a name outside the known few, or in another letter case, is shown
  // as the system gave it.
  static QString fileSystemLabel(const CardDevice& device);
};

}  // namespace tessorin
