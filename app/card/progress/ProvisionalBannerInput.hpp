#pragma once
// ProvisionalBannerInput: the quick check's latest (possibly partial) result, as a panel
// hands it to the banner that states what was found so far, and whether the advanced
// test is already under way (the banner then speaks of it as running). A plain value.

#include <QMetaType>
#include <QtQml/qqmlregistration.h>

#include "tessorin/quick/QuickProbeResult.hpp"

namespace tessorin {

struct ProvisionalBannerInput {
  Q_GADGET
  QML_VALUE_TYPE(provisionalBannerInput)

 public:
  QuickProbeResult quick;
  bool advancedTestUnderWay = false;

  friend bool operator==(const ProvisionalBannerInput&, const ProvisionalBannerInput&) = default;
};

}  // namespace tessorin
