#pragma once
// DeviceStartEvidence: what the first sectors of a card's device say after a test's
// writing broke off on an I/O error, or its file system broke under it.
//
// A fake whose real size is a whole number of what the test writes before it opens the
// next file wraps first onto the card's own file-system structures at its start, never
// onto earlier test data: the file system then fails (the next file cannot be made) and
// every test file reads back intact. A fake whose file system breaks before its probes
// were read back leaves nothing else either. The wrapped sectors are still on the card,
// at the start of the device, where no file is ever stored; reading them there is the
// proof that is left. Reading a device node needs the rights of its owner (root, or the disk
// group on most systems); without them `deviceRead` is false and the verdict rests on
// the files and on where writing broke down.
//
// A plain value; `scanDeviceStart` is stateless and runs on the thread of the test.

#include <cstdint>
#include <optional>
#include <string>

#include "tessorin/pattern/TestPattern.hpp"

namespace tessorin {

struct DeviceStartEvidence {
  // Every file system keeps the first 4 KiB of its volume for a boot sector or its
  // superblock; a file's data never lies there.
  static constexpr std::uint64_t bootAreaBytes = 4096;
  // The span read: the file-system structures of a card fresh from the shop lie well
  // inside it, and so does the start of the first test file.
  static constexpr std::uint64_t scannedBytes = 64ull << 20;

  bool deviceRead = false;
  // Sectors of this test found in the boot area: written for a place past the card's
  // real end and stored here by a controller that ignores the high address bits.
  std::int64_t sectorsInBootArea = 0;
  // How far the wrapped sectors lie from where the same test stored its first pass, in
  // the device's bytes: the card's real size. Absent when the scanned span holds no
  // sector of the first pass to measure from.
  std::optional<std::uint64_t> wrapDistance;

  bool provesWrap() const { return sectorsInBootArea > 0; }
  friend bool operator==(const DeviceStartEvidence&, const DeviceStartEvidence&) = default;
};

// Reads up to `bytes` from the start of the device node (bypassing the host's cache) and
// looks for intact sectors of the pattern's session. Never throws: a device that cannot
// be opened or read gives `deviceRead` false.
DeviceStartEvidence scanDeviceStart(const std::string& deviceNode, const TestPattern& pattern,
                                    std::uint64_t bytes = DeviceStartEvidence::scannedBytes);

}  // namespace tessorin
