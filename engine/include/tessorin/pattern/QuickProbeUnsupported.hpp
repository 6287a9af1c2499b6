#pragma once
// QuickProbeUnsupported: why a volume cannot be given a test: the wrong file system, too
// little free space, a card too slow to reserve space for the quick check, or a
// file-system driver that writes every byte it reserves.
// `QuickProbe::Unsupported` is this type. Thrown by the tests; an immutable value, safe
// to copy across threads.

#include <cstdint>
#include <exception>
#include <string>

namespace tessorin {

class QuickProbeUnsupported : public std::exception {
 public:
  enum class Kind { fileSystem, notEnoughFreeSpace, slowAllocation, zeroFilledAllocation };

  // The volume is not exFAT; carries its file-system name.
  static QuickProbeUnsupported fileSystem(std::string name);
  // Carries the bytes available when the test folder was prepared.
  static QuickProbeUnsupported notEnoughFreeSpace(std::uint64_t availableBytes);
  static QuickProbeUnsupported slowAllocation();
  static QuickProbeUnsupported zeroFilledAllocation();

  Kind kind() const { return kind_; }
  // Empty unless the kind is fileSystem.
  const std::string& fileSystemName() const { return fileSystemName_; }
  // 0 unless the kind is notEnoughFreeSpace.
  std::uint64_t availableBytes() const { return availableBytes_; }

  const char* what() const noexcept override { return description_.c_str(); }

  // The same kind with the same payload.
  friend bool operator==(const QuickProbeUnsupported& a, const QuickProbeUnsupported& b) {
    return a.kind_ == b.kind_ && a.fileSystemName_ == b.fileSystemName_ && a.availableBytes_ == b.availableBytes_;
  }

 private:
  QuickProbeUnsupported(Kind kind, std::string fileSystemName, std::uint64_t availableBytes);

  Kind kind_;
  std::string fileSystemName_;
  std::uint64_t availableBytes_ = 0;
  std::string description_;
};

}  // namespace tessorin
