#include "tessorin/pattern/QuickProbeUnsupported.hpp"

#include <utility>

#include "tessorin/pattern/NotEnoughFreeSpace.hpp"

namespace tessorin {

QuickProbeUnsupported::QuickProbeUnsupported(Kind kind, std::string fileSystemName, std::uint64_t availableBytes)
    : kind_(kind), fileSystemName_(std::move(fileSystemName)), availableBytes_(availableBytes) {
  switch (kind_) {
    case Kind::fileSystem:
      description_ = "The quick check needs an exFAT volume; this one is " + fileSystemName_ + ".";
      break;
    case Kind::notEnoughFreeSpace:
      description_ = NotEnoughFreeSpace(availableBytes_).what();
      break;
    case Kind::slowAllocation:
      description_ = "The card took too long to reserve space for the quick check.";
      break;
    case Kind::zeroFilledAllocation:
      description_ =
          "This card's file-system driver writes every reserved byte, so a quick check would take as long as the "
          "advanced test.";
      break;
  }
}

QuickProbeUnsupported QuickProbeUnsupported::fileSystem(std::string name) {
  return QuickProbeUnsupported(Kind::fileSystem, std::move(name), 0);
}

QuickProbeUnsupported QuickProbeUnsupported::notEnoughFreeSpace(std::uint64_t availableBytes) {
  return QuickProbeUnsupported(Kind::notEnoughFreeSpace, {}, availableBytes);
}

QuickProbeUnsupported QuickProbeUnsupported::slowAllocation() { return QuickProbeUnsupported(Kind::slowAllocation, {}, 0); }

QuickProbeUnsupported QuickProbeUnsupported::zeroFilledAllocation() {
  return QuickProbeUnsupported(Kind::zeroFilledAllocation, {}, 0);
}

}  // namespace tessorin
