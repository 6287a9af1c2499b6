#pragma once
// USBInfo: the identity of the USB device behind a volume (IDs, names, serial, link
// speed, number of card slots). A plain value, safe to copy to any thread.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace tessorin {

struct USBInfo {
  std::optional<std::int64_t> vendorID;
  std::optional<std::int64_t> productID;
  std::optional<std::string> vendorName;
  std::optional<std::string> productName;
  std::optional<std::string> serial;
  std::optional<double> linkSpeed;      // bits per second
  std::optional<std::int64_t> slots;    // logical units; a multi-slot reader has more than one

  // "05AC:1234:SERIAL": vendor and product IDs as four upper-case hex digits, then the
  // serial, or the product name when there is no serial; missing parts are dropped with
  // their separator. Empty when nothing is known. Names a reader across cards.
  std::string readerKey() const;
  // "0x05AC:0x1234" when both IDs are known.
  std::optional<std::string> idText() const;

  friend bool operator==(const USBInfo&, const USBInfo&) = default;
};

}  // namespace tessorin

template <>
struct std::hash<tessorin::USBInfo> {
  std::size_t operator()(const tessorin::USBInfo& info) const noexcept;
};
