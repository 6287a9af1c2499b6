#include "tessorin/identity/USBInfo.hpp"

#include <cstdio>

#include "tessorin/posix/HashCombine.hpp"

namespace tessorin {

namespace {

std::string hex4(std::int64_t value) {
  char text[24];
  // "%04X" formats 32 bits; USB IDs use 16 of them.
  std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(value));
  return text;
}

}  // namespace

std::string USBInfo::readerKey() const {
  std::string key;
  auto append = [&key](const std::string& part) {
    if (!key.empty()) key += ':';
    key += part;
  };
  if (vendorID) append(hex4(*vendorID));
  if (productID) append(hex4(*productID));
  if (serial) {
    append(*serial);
  } else if (productName) {
    append(*productName);
  }
  return key;
}

std::optional<std::string> USBInfo::idText() const {
  if (!vendorID || !productID) return std::nullopt;
  return "0x" + hex4(*vendorID) + ":0x" + hex4(*productID);
}

}  // namespace tessorin

std::size_t std::hash<tessorin::USBInfo>::operator()(const tessorin::USBInfo& info) const noexcept {
  std::size_t seed = 0;
  tessorin::hashField(seed, info.vendorID);
  tessorin::hashField(seed, info.productID);
  tessorin::hashField(seed, info.vendorName);
  tessorin::hashField(seed, info.productName);
  tessorin::hashField(seed, info.serial);
  tessorin::hashField(seed, info.linkSpeed);
  tessorin::hashField(seed, info.slots);
  return seed;
}
