#include "tessorin/pattern/NotEnoughFreeSpace.hpp"

namespace tessorin {

NotEnoughFreeSpace::NotEnoughFreeSpace(std::uint64_t availableBytes)
    : availableBytes_(availableBytes),
      description_("Not enough free space on the card (" + std::to_string(availableBytes) + " bytes available).") {}

}  // namespace tessorin
