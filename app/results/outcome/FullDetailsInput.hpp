#pragma once
// FullDetailsInput: the advanced test's result handed from the outcome panel's presenter
// to the details' presenter through QML as one value. It shares one immutable copy, so
// two inputs are equal exactly when they carry the same copy. A plain value.

#include <cstdint>
#include <memory>

#include <QMetaType>
#include <QtQml/qqmlregistration.h>

#include "tessorin/full/FullTestResult.hpp"

namespace tessorin {

struct FullDetailsInput {
  Q_GADGET
  QML_VALUE_TYPE(fullDetailsInput)

 public:
  std::shared_ptr<const FullTestResult> result;
  // The card's whole size when the test could cover only part of it, else 0: the map then
  // shows the rest of the card as untested.
  std::uint64_t cardBytes = 0;
  // The headings name a USB drive a drive.
  bool isUSBDrive = false;

  friend bool operator==(const FullDetailsInput&, const FullDetailsInput&) = default;
};

}  // namespace tessorin
