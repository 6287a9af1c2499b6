#pragma once
// ProvisionalBannerInput: the quick check's latest (possibly partial) result, as a panel
// hands it to the banner that states what was found so far. A plain value.

#include <QMetaType>
#include <QtQml/qqmlregistration.h>

#include "tessorin/quick/QuickProbeResult.hpp"

namespace tessorin {

struct ProvisionalBannerInput {
  Q_GADGET
  QML_VALUE_TYPE(provisionalBannerInput)

 public:
  QuickProbeResult quick;

  friend bool operator==(const ProvisionalBannerInput&, const ProvisionalBannerInput&) = default;
};

}  // namespace tessorin
