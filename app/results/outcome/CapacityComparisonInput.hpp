#pragma once
// CapacityComparisonInput: what the two capacity bars of a fake card are drawn from,
// handed by the parent presenter through QML as one value so that byte counts stay C++
// integers. A plain value.

#include <cstdint>
#include <optional>

#include <QMetaType>
#include <QtQml/qqmlregistration.h>

namespace tessorin {

struct CapacityComparisonInput {
  Q_GADGET
  QML_VALUE_TYPE(capacityComparisonInput)

 public:
  std::uint64_t advertised = 0;
  // What the card holds as far as known; the lower end when only a range is known.
  std::optional<std::uint64_t> real;
  // The upper end of a range too wide to state as one figure.
  std::optional<std::uint64_t> lostFrom;

  friend bool operator==(const CapacityComparisonInput&, const CapacityComparisonInput&) = default;
};

}  // namespace tessorin
