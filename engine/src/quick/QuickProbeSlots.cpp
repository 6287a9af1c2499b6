#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <numeric>

#include "quick/QuickProbeRun.hpp"
#include "tessorin/posix/DeviceWriteCounter.hpp"
#include "tessorin/posix/FileExtents.hpp"
#include "tessorin/posix/FileDescriptor.hpp"
#include "tessorin/posix/PosixError.hpp"

namespace tessorin {

namespace {

// Gives the file `bytes` of length; 0 on success, else errno. Where the file system can
// reserve clusters without writing them, fallocate does (the system call: glibc's
// posix_fallocate would write zeros itself). FAT-family drivers that cannot answer
// EOPNOTSUPP, and then the length is set, which some of them (exFAT through FUSE, older
// kernel drivers) carry out by writing zeros: that is what the allocation trial catches.
int extend(int fd, std::uint64_t bytes) {
  int result;
  do result = ::fallocate(fd, 0, 0, static_cast<off_t>(bytes));
  while (result != 0 && errno == EINTR);
  if (result == 0) return 0;
  if (errno == ENOSPC) return ENOSPC;
  do result = ::ftruncate(fd, static_cast<off_t>(bytes));
  while (result != 0 && errno == EINTR);
  return result == 0 ? 0 : errno;
}

}  // namespace

void QuickProbeRun::locateTestArea(const ProbeLayout& layout) {
  // Allowed drift: the file system's own blocks between its groups, never a misplaced file.
  constexpr std::uint64_t slack = 1 << 20;
  constexpr double driftShare = 0.02;
  const auto startOf = [this](const std::string& name) -> std::optional<std::uint64_t> {
    try {
      return firstPhysicalOffset(folder().openFile(name, O_RDONLY).get());
    } catch (const PosixError&) {
      return std::nullopt;
    }
  };
  testAreaInOrder_ = true;
  slotsInDeviceOrder_.clear();
  const auto zoneStart = startOf(TestFolder::zoneFileName);
  if (!zoneStart) return;
  std::vector<std::optional<std::uint64_t>> starts;
  for (std::uint64_t slot = 0; slot < layout.slotCount; ++slot) {
    const auto start = starts.emplace_back(startOf(slotName(static_cast<std::int64_t>(slot))));
    if (!start) continue;
    const std::uint64_t expected = *zoneStart + layout.position(slot);
    const std::uint64_t drift = *start > expected ? *start - expected : expected - *start;
    if (static_cast<double>(drift) > static_cast<double>(slack) + driftShare * static_cast<double>(layout.position(slot))) {
      testAreaInOrder_ = false;
    }
  }
  if (testAreaInOrder_ || std::find(starts.begin(), starts.end(), std::nullopt) != starts.end()) return;
  // Each probe lies at the start of its slot file.
  slotsInDeviceOrder_.resize(starts.size());
  std::iota(slotsInDeviceOrder_.begin(), slotsInDeviceOrder_.end(), std::int64_t{0});
  std::stable_sort(slotsInDeviceOrder_.begin(), slotsInDeviceOrder_.end(), [&starts](std::int64_t a, std::int64_t b) {
    return *starts[static_cast<std::size_t>(a)] < *starts[static_cast<std::size_t>(b)];
  });
}

ProbeLayout QuickProbeRun::reserveFiles() {
  const VolumeStats& stats = prepared_->stats;
  std::optional<ProbeLayout> planned = ProbeLayout::plan(stats.availableBytes, options_);
  if (!planned) throw QuickProbeUnsupported::notEnoughFreeSpace(stats.availableBytes);

  createEmptyFiles(planned->slotCount);
  const std::uint64_t available = VolumeStats(prepared_->folder.string()).availableBytes;
  refuseDriverThatWritesReservedSpace(*planned);
  reserveZone(planned->zoneBytes);
  const std::uint64_t allocated = reserveSlots(*planned, available);
  for (std::uint64_t slot = allocated; slot < planned->slotCount; ++slot) {
    folder().removeFile(slotName(static_cast<std::int64_t>(slot)));
  }
  planned->slotCount = allocated;
  if (allocated < static_cast<std::uint64_t>(options_.coarseStride)) {
    throw QuickProbeUnsupported::notEnoughFreeSpace(stats.availableBytes);
  }
  return *planned;
}

void QuickProbeRun::createEmptyFiles(std::uint64_t slotCount) const {
  std::vector<std::string> names{TestFolder::zoneFileName};
  for (std::uint64_t slot = 0; slot < slotCount; ++slot) names.push_back(slotName(static_cast<std::int64_t>(slot)));
  for (const auto& name : names) {
    flag_.throwIfCancelled();
    folder().createFile(name);
  }
}

void QuickProbeRun::refuseDriverThatWritesReservedSpace(const ProbeLayout& planned) const {
  const std::uint64_t trialBytes = std::min(static_cast<std::uint64_t>(options_.allocationTrialBytes), planned.spacing);
  if (trialBytes == 0) return;
  const VolumeMount& mount = prepared_->mount;
  const std::string path = slotPath(0);
  FileDescriptor file = folder().openFile(slotName(0), O_RDWR);
  // What creating the files left for the file system to write goes out first, so that
  // the counter sees the trial alone.
  mount.syncVolume(file.get());
  const std::optional<std::uint64_t> before = deviceBytesWritten(mount.entry().source);
  // Without a counter (no block device behind the volume) the zone's time limit is the
  // only guard.
  if (!before) return;
  const int code = extend(file.get(), trialBytes);
  if (code == ENOSPC) return;  // the slots meet the full card and say so
  if (code != 0) throw PosixError("ftruncate", path, code);
  ::fsync(file.get());
  // Space the file system marks unwritten got no zeros. The counter is the whole device's,
  // so what it saw then came from another writer: ext4 zeroing its inode tables in the
  // background after a fresh format, or another program saving to the card.
  if (reservedUnwritten(file.get(), trialBytes)) return;
  mount.syncVolume(file.get());
  const std::optional<std::uint64_t> after = deviceBytesWritten(mount.entry().source);
  // The file system's own bookkeeping for one file is a few KiB; zeros are the trial's
  // whole size.
  if (after && *after >= *before + trialBytes / 2) throw QuickProbeUnsupported::zeroFilledAllocation();
}

void QuickProbeRun::reserveZone(std::uint64_t zoneBytes) const {
  const std::string path = folder().pathOf(TestFolder::zoneFileName);
  FileDescriptor file = folder().openFile(TestFolder::zoneFileName, O_RDWR);
  const auto started = Clock::now();
  if (const int code = extend(file.get(), zoneBytes); code != 0) throw PosixError("ftruncate", path, code);
  const double seconds = secondsBetween(started, Clock::now());
  file.reset();
  if (seconds > options_.slowAllocationSeconds) throw QuickProbeUnsupported::slowAllocation();
}

std::uint64_t QuickProbeRun::reserveSlots(const ProbeLayout& planned, std::uint64_t available) const {
  // Leaves the file system room for its own growth (directory clusters) beside the slots.
  const std::uint64_t margin = 4 * std::max<std::uint64_t>(prepared_->stats.blockSize, 262144);
  std::uint64_t slot = 0;
  for (; slot < planned.slotCount; ++slot) {
    flag_.throwIfCancelled();
    if (available < planned.zoneBytes + (slot + 1) * planned.spacing + margin) break;
    const std::string path = slotPath(static_cast<std::int64_t>(slot));
    FileDescriptor file = folder().openFile(slotName(static_cast<std::int64_t>(slot)), O_RDWR);
    // A full card is the end of the slots, not an error: the check runs with fewer.
    const int code = extend(file.get(), planned.spacing);
    if (code == ENOSPC) break;
    if (code != 0) throw PosixError("ftruncate", path, code);
  }
  return slot;
}

}  // namespace tessorin
