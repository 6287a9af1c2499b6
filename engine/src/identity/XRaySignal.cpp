#include "tessorin/identity/XRaySignal.hpp"

#include "tessorin/posix/HashCombine.hpp"

namespace tessorin {

namespace {

using S = XRaySignal;

// Payload fields folded into seed; the variant's index is folded in by the caller.
void hashPayload(std::size_t&, const S::RegistersHidden&) {}
void hashPayload(std::size_t& seed, const S::Manufacturer& kind) {
  hashField(seed, kind.id);
  hashField(seed, kind.name);
  hashField(seed, kind.generic);
}
void hashPayload(std::size_t& seed, const S::ManufacturerUnknown& kind) { hashField(seed, kind.id); }
void hashPayload(std::size_t& seed, const S::ManufacturerUnassigned& kind) { hashField(seed, kind.id); }
void hashPayload(std::size_t& seed, const S::OemMismatch& kind) {
  hashField(seed, kind.id);
  hashField(seed, kind.expected.size());
  for (const std::string& oem : kind.expected) hashField(seed, oem);
  hashField(seed, kind.found);
}
void hashPayload(std::size_t& seed, const S::BrandMatches& kind) { hashField(seed, kind.brand); }
void hashPayload(std::size_t& seed, const S::BrandMismatch& kind) {
  hashField(seed, kind.brand);
  hashField(seed, kind.found);
  hashField(seed, kind.foundName);
}
void hashPayload(std::size_t& seed, const S::CapacityBeyondCardType& kind) {
  hashField(seed, kind.type);
  hashField(seed, kind.capacity);
}
void hashPayload(std::size_t& seed, const S::CardTypeTooBig& kind) {
  hashField(seed, kind.type);
  hashField(seed, kind.capacity);
}
void hashPayload(std::size_t& seed, const S::CapacityBeyondAnyCard& kind) { hashField(seed, kind.capacity); }
void hashPayload(std::size_t& seed, const S::RareCapacity& kind) { hashField(seed, kind.capacity); }
template <typename Date>
void hashDate(std::size_t& seed, const Date& kind) {
  hashField(seed, kind.year);
  hashField(seed, kind.month);
}
void hashPayload(std::size_t& seed, const S::DateNotSet& kind) { hashDate(seed, kind); }
void hashPayload(std::size_t& seed, const S::DateInFuture& kind) { hashDate(seed, kind); }
void hashPayload(std::size_t& seed, const S::DateTooEarly& kind) { hashDate(seed, kind); }
void hashPayload(std::size_t&, const S::SerialNotSet&) {}
void hashPayload(std::size_t&, const S::ProductNameMissing&) {}
void hashPayload(std::size_t&, const S::Fat32OnLargeCard&) {}
void hashPayload(std::size_t&, const S::LeftoverTestFiles&) {}

}  // namespace

}  // namespace tessorin

std::size_t std::hash<tessorin::XRaySignal>::operator()(const tessorin::XRaySignal& signal) const noexcept {
  std::size_t seed = static_cast<std::size_t>(signal.severity);
  tessorin::hashCombine(seed, signal.kind.index());
  std::visit([&seed](const auto& kind) { tessorin::hashPayload(seed, kind); }, signal.kind);
  return seed;
}
