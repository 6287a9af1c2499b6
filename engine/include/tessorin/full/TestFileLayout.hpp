#pragma once
// TestFileLayout: where the advanced test's bytes lie on the volume's device, from the
// file system's extent map of each test file. The test counts positions through its
// files in order, which are places on the card only where the file system lays the files
// out one after the other (exFAT on a card fresh from the shop); ext4 puts a new
// folder's files in a block group of its choosing and wraps them round the end of the
// volume. A plain value, read once per read-back.

#include <cstdint>
#include <optional>
#include <vector>

#include "tessorin/full/DeviceStretch.hpp"
#include "tessorin/full/TestManifest.hpp"
#include "tessorin/posix/OpenFolder.hpp"

namespace tessorin {

class TestFileLayout {
 public:
  using Stretch = DeviceStretch;

  // Absent unless every file of the manifest shows an extent map (exfat-fuse shows none)
  // that places every byte it holds, inside `deviceBytes` where that is known.
  static std::optional<TestFileLayout> read(const OpenFolder& folder, const TestManifest& manifest,
                                            std::optional<std::uint64_t> deviceBytes);
  // The stretches of one test file's first `file.length` bytes, from its extent map;
  // absent where the file system shows none.
  static std::optional<std::vector<Stretch>> stretchesOf(int fd, const TestManifest::File& file);
  // From stretches in any order (their ranks are worked out here). Absent unless they
  // cover the test's bytes from 0 to `writtenBytes` exactly once, no two share a place on
  // the device, and none lies past `deviceBytes`: a map that says otherwise is not the
  // card's.
  static std::optional<TestFileLayout> fromStretches(std::vector<Stretch> stretches, std::uint64_t writtenBytes,
                                                     std::optional<std::uint64_t> deviceBytes);

  // Where a position lies on the device; absent outside the test's bytes.
  std::optional<std::uint64_t> deviceOffset(std::uint64_t position) const;
  // How many of the test's bytes lie before a position on the device; the position
  // itself outside the test's bytes.
  std::uint64_t rank(std::uint64_t position) const;
  // The bytes from a position to the end of its stretch; 0 outside the test's bytes.
  std::uint64_t bytesInOnePiece(std::uint64_t position) const;

  const std::vector<Stretch>& stretches() const { return stretches_; }

 private:
  explicit TestFileLayout(std::vector<Stretch> stretches) : stretches_(std::move(stretches)) {}
  const Stretch* find(std::uint64_t position) const;

  std::vector<Stretch> stretches_;  // by position
};

}  // namespace tessorin
