#pragma once
// TestManifest: what the advanced test's writing left on the card: the pattern's session
// number, the files in writing order with the bytes each holds, the plan, how writing
// ended and how fast it went. It is the only thing carried from writing to the read-back,
// which may run after the card was taken out and put back. A plain value.

#include <cstdint>
#include <string>
#include <vector>

#include "tessorin/full/DeviceStretch.hpp"
#include "tessorin/full/FullTestWriteStop.hpp"
#include "tessorin/full/SpeedSample.hpp"
#include "tessorin/full/SpeedSummary.hpp"

namespace tessorin {

struct TestManifest {
  struct File {
    std::string name;           // inside the test folder, "F00000.otr" onwards
    std::uint64_t start = 0;    // position of the file's first byte in the test's byte space
    std::uint64_t length = 0;   // whole chunks written completely; anything after is never read

    friend bool operator==(const File&, const File&) = default;
  };

  std::uint64_t session = 0;
  std::vector<File> files;
  std::uint64_t plannedBytes = 0;    // also the span of the capacity map
  std::uint64_t usedBytesBefore = 0;
  std::uint64_t volumeBytes = 0;
  FullTestWriteStop writeStop;
  SpeedSummary writeSpeed;
  std::vector<SpeedSample> writeSamples;
  double writeDuration = 0;
  // The volume is read through the host's cache of the card's device (FUSE), and this
  // process could not drop that cache (an ordinary user may not open the device): a
  // read-back through the same mount may be served from memory. Only taking the card out
  // and putting it back empties it. Never stored with the manifest: a manifest read back
  // in says nothing of it.
  bool deviceCacheKept = false;
  // Where the files' bytes lie on the volume's device, as the file system's extent map
  // showed them right after each file was forced to the card, while the file system's
  // own records of them were still fresh in the host's memory; empty where it shows none
  // (exfat-fuse). A fake can overwrite or lose those records on the card, and what the
  // host still caches of them then decides whether the file system finds its files again:
  // these places do not depend on it. Known only to the process that wrote the files:
  // the coded manifest leaves them out, and a read-back of a decoded one asks the file
  // system.
  std::vector<DeviceStretch> placesWhenWritten;
  // Writing broke off on a refused write, and the chunk just below where it stopped was
  // written again and forced to the card, which took it: the card refuses writes only
  // from a place on, as a fake does past its real size, where a card that turned
  // read-only refuses them anywhere. Known only to the process that wrote, like the
  // places.
  bool writesTakenBelowStop = false;

  std::uint64_t writtenBytes() const {
    std::uint64_t bytes = 0;
    for (const File& file : files) bytes += file.length;
    return bytes;
  }

  friend bool operator==(const TestManifest&, const TestManifest&) = default;
};

}  // namespace tessorin
