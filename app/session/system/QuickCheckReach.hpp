#pragma once
// QuickCheckReach: whether the quick check can run on a volume on this system. Its probes
// are files whose space is reserved without being written, and exFAT allows that only
// through the kernel's own driver from Linux 6.8 on: exfat-fuse and earlier kernel
// drivers write every byte they reserve, and the quick check refuses to run on them (it
// sees the zeros reach the device after its first slot). The start panel promises only
// what this rule allows.
//
// HostSystem holds the facts of the running kernel; `current` reads them once (uname,
// /proc/filesystems and the kernel's module lists, never a card) and keeps them.
// Plain values and pure functions otherwise.

#include <string>

#include "tessorin/posix/VolumeStats.hpp"

namespace tessorin {

struct HostSystem {
  int kernelMajor = 0;
  int kernelMinor = 0;
  // The kernel has its own exFAT driver, loaded or as a module it can load.
  bool kernelExFAT = false;

  static const HostSystem& current();
  // "6.1.0-18-amd64" gives 6 and 1; a release that does not start with two numbers gives 0.0.
  static HostSystem withRelease(const std::string& release, bool kernelExFAT);

  // The kernel's exFAT driver reserves space without writing it.
  bool kernelExFATReserves() const;
  friend bool operator==(const HostSystem&, const HostSystem&) = default;
};

enum class QuickCheckReach {
  runs,
  driverWritesReservedSpace,  // exFAT, but through a driver that writes what it reserves
  notExFAT,
};

QuickCheckReach quickCheckReach(const VolumeStats& volume, const HostSystem& host);

// Whether a card switched to exFAT would get the quick check here: the kernel mounts
// exFAT with its own driver when it has one.
bool exFATWouldGiveQuickCheck(const HostSystem& host);

}  // namespace tessorin
