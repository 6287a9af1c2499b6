#pragma once
// ProbeStripInput: the probe cells a strip shows, in slot order, and whether they are the
// live cells of a running check (which shows the colour key) or a finished result's.
// A plain value.

#include <vector>

#include <QMetaType>
#include <QtQml/qqmlregistration.h>

#include "tessorin/pattern/ProbeCell.hpp"

namespace tessorin {

struct ProbeStripInput {
  Q_GADGET
  QML_VALUE_TYPE(probeStripInput)

 public:
  std::vector<ProbeCell> probes;
  bool live = false;

  friend bool operator==(const ProbeStripInput&, const ProbeStripInput&) = default;
};

}  // namespace tessorin
