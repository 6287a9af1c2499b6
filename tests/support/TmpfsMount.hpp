#pragma once
// TmpfsMount: a tmpfs of its own on a fresh temporary folder, so that a card image kept
// there lives in RAM whatever /tmp is. Unmounted (lazily, should anything still hold it)
// and removed when the object goes. Needs root.

#include <cstdint>
#include <string>

#include "TemporaryFolder.hpp"

namespace tessorin::testing {

class TmpfsMount {
 public:
  // Holds at most `bytes`. Throws when the tmpfs cannot be mounted.
  explicit TmpfsMount(std::uint64_t bytes);
  ~TmpfsMount();
  TmpfsMount(const TmpfsMount&) = delete;
  TmpfsMount& operator=(const TmpfsMount&) = delete;
  const std::string& path() const { return folder_.path(); }

 private:
  TemporaryFolder folder_;
};

}  // namespace tessorin::testing
