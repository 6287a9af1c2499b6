#pragma once
// CheckOutcomeInput: a finished check's outcome handed from the outcome panel's presenter
// to its sections' presenters through QML as one value. It shares the panel's one
// immutable copy, so two inputs are equal exactly when they carry the same copy.

#include <memory>

#include <QMetaType>
#include <QtQml/qqmlregistration.h>

#include "session/records/CheckOutcome.hpp"

namespace tessorin {

struct CheckOutcomeInput {
  Q_GADGET
  QML_VALUE_TYPE(checkOutcomeInput)

 public:
  std::shared_ptr<const CheckOutcome> outcome;

  friend bool operator==(const CheckOutcomeInput&, const CheckOutcomeInput&) = default;
};

}  // namespace tessorin
