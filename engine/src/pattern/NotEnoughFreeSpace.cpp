#include "tessorin/pattern/NotEnoughFreeSpace.hpp"

namespace tessorin {

NotEnoughFreeSpace::NotEnoughFreeSpace(std::uint64_t availableBytes)
    : availableBytes_(availableBytes),
      // The app shows this text as it is; a no-break space keeps the count and "bytes" on one line.
      description_("Not enough free space on the card (" + std::to_string(availableBytes) + "\u00A0bytes available).") {}

}  // namespace tessorin
