#pragma once
// SpeedSummaryInput: what a panel hands its speed box: the zone's result, its rating
// against the speed markings, whether the card is a memory card (markings apply only
// then), the USB link speed in bits per second, when the card sits behind USB, and
// whether the card stopped accepting writes and what it did with its data. A plain
// value that QML passes from the panel's presenter to the box's without reading it.

#include <optional>

#include <QMetaType>
#include <QtQml/qqmlregistration.h>

#include "tessorin/identity/SpeedRating.hpp"
#include "tessorin/pattern/WriteRefusal.hpp"
#include "tessorin/zone/ZoneResult.hpp"

namespace tessorin {

struct SpeedSummaryInput {
  Q_GADGET
  QML_VALUE_TYPE(speedSummaryInput)

 public:
  ZoneResult zone;
  SpeedRating rating;
  bool isSDCard = true;
  std::optional<double> usbLink;
  WriteRefusal refusal = WriteRefusal::none;

  friend bool operator==(const SpeedSummaryInput&, const SpeedSummaryInput&) = default;
};

}  // namespace tessorin
