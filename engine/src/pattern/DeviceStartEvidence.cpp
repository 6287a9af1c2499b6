#include "tessorin/pattern/DeviceStartEvidence.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "pattern/DeviceReads.hpp"
#include "tessorin/pattern/SectorTally.hpp"
#include "tessorin/posix/AlignedBuffer.hpp"
#include "tessorin/posix/FileDescriptor.hpp"

namespace tessorin {

namespace {

constexpr std::size_t readSize = 8 << 20;

}  // namespace

DeviceStartEvidence scanDeviceStart(const std::string& deviceNode, const TestPattern& pattern, std::uint64_t bytes) {
  DeviceStartEvidence evidence;
  const FileDescriptor device = openDeviceUncached(deviceNode);
  if (!device) return evidence;

  // Each sector found gives device offset minus written position: one value for every
  // sector where the first pass stored it (the offset of the test's first byte), and that
  // value less the real size for every sector that wrapped. Only values a run of sectors
  // shows count: the file system's journal lies in this span too, and may hold a few of
  // the test's sectors it copied from anywhere.
  std::vector<std::int64_t> offsets;
  SectorTally::WrapRun run;
  AlignedBuffer buffer(static_cast<std::int64_t>(readSize));
  for (std::uint64_t at = 0; at < bytes;) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(readSize, bytes - at));
    const std::size_t got = readDeviceFully(device.get(), buffer.bytes(), want, at);
    if (at == 0 && got == 0) return evidence;
    evidence.deviceRead = true;
    for (std::size_t sector = 0; sector + TestPattern::sectorSize <= got; sector += TestPattern::sectorSize) {
      const auto position = pattern.writtenPosition(buffer.bytes() + sector);
      if (!position) continue;
      const std::uint64_t deviceOffset = at + sector;
      if (deviceOffset < DeviceStartEvidence::bootAreaBytes) ++evidence.sectorsInBootArea;
      const std::int64_t offset = static_cast<std::int64_t>(deviceOffset) - static_cast<std::int64_t>(*position);
      if (run.completes(deviceOffset, static_cast<std::uint64_t>(offset))) offsets.push_back(offset);
    }
    if (got < want) break;
    at += got;
  }
  if (offsets.empty()) return evidence;

  const std::int64_t firstPass = *std::max_element(offsets.begin(), offsets.end());
  for (const std::int64_t offset : offsets) {
    const auto distance = static_cast<std::uint64_t>(firstPass - offset);
    if (distance < SectorTally::minimumWrapDistance) continue;
    if (!evidence.wrapDistance || distance < *evidence.wrapDistance) evidence.wrapDistance = distance;
  }
  return evidence;
}

}  // namespace tessorin
