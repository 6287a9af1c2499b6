#include "tessorin/quick/QuickProbeOptions.hpp"

#include <bit>
#include <stdexcept>
#include <string>

namespace tessorin {

namespace {

void require(bool rule, const char* message) {
  if (!rule) throw std::invalid_argument(std::string("quick check options: ") + message);
}

}  // namespace

void QuickProbeOptions::validate() const {
  require(maximumSlots >= 1, "maximumSlots must be at least 1");
  require(maximumProbes >= 1, "maximumProbes must be at least 1");
  require(coarseStride >= 1, "coarseStride must be at least 1");
  require(minimumSpacing > 0 && std::has_single_bit(static_cast<std::uint64_t>(minimumSpacing)),
          "minimumSpacing must be a power of two");
  require(probeSize >= 4096, "probeSize must be at least 4096");
  require(probeSize % 4096 == 0, "probeSize must be a multiple of 4096");
  require(probeSize < minimumSpacing, "probeSize must be below minimumSpacing");
  require(overwhelmBytes >= 0, "overwhelmBytes must not be negative");
  require(slowAllocationSeconds >= 0, "slowAllocationSeconds must not be negative");
  require(allocationTrialBytes >= 0, "allocationTrialBytes must not be negative");
  zone.validate();
}

}  // namespace tessorin
