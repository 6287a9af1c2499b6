#pragma once
// XRaySignalItem: one X-ray finding wrapped so that QML can hand it from the panel to its
// row. QML sees no fields; the row's presenter unwraps it. A plain value.

#include <QMetaType>

#include "tessorin/identity/XRaySignal.hpp"

namespace tessorin {

struct XRaySignalItem {
  Q_GADGET

 public:
  XRaySignal signal;

  friend bool operator==(const XRaySignalItem&, const XRaySignalItem&) = default;
};

}  // namespace tessorin
