#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

#include "quick/QuickProbeRun.hpp"
#include "tessorin/posix/FileDescriptor.hpp"
#include "tessorin/posix/PosixError.hpp"
#include "tessorin/posix/UncachedFile.hpp"

namespace tessorin {

void QuickProbeRun::syncCard() {
  FileDescriptor file;
  try {
    file = folder().openFile(slotName(0), O_RDONLY);
  } catch (const PosixError&) {
    return;
  }
  // A card that turned read-only may have taken the probes into the host's cache only.
  if (::fsync(file.get()) != 0 && cardRefused(PosixError::fromErrno("fsync", slotPath(0)))) noteRefused();
  // syncfs pushes what the file system still holds for any file; dropping the device's
  // cache afterwards makes the next reads of a FUSE volume go to the card.
  prepared_->mount.syncVolume(file.get());
}

void QuickProbeRun::flushCache(Phase phase) {
  const ProbeLayout& layout = engine_->layout;
  const auto probeSize = static_cast<std::uint64_t>(options_.probeSize);
  const auto target = static_cast<std::uint64_t>(options_.overwhelmBytes);
  const std::uint64_t piece = std::min<std::uint64_t>(layout.spacing - probeSize, 8 << 20);

  // Random rather than patterned: a card that compresses or deduplicates must still
  // store every byte, which is what pushes the probes out of its cache.
  AlignedBuffer filler(static_cast<std::int64_t>(piece));
  auto* words = static_cast<std::uint64_t*>(filler.pointer());
  std::generate(words, words + piece / sizeof(std::uint64_t), std::ref(random_));

  const std::vector<ProbeCell> cells = engine_->cells();
  std::uint64_t written = 0;
  for (std::int64_t slot = slotCount() - 1; slot >= 0 && written < target; --slot) {
    UncachedFile file = UncachedFile::openIn(folder(), slotName(slot), O_RDWR);
    const std::uint64_t writtenBefore = written;
    for (std::uint64_t offset = probeSize; offset < layout.spacing && written < target;) {
      flag_.throwIfCancelled();
      const std::uint64_t chunk = std::min({piece, layout.spacing - offset, target - written});
      try {
        file.writeAt(filler.pointer(), chunk, offset);
      } catch (const PosixError& error) {
        // A card that cannot take the filler still gets its probes read back.
        if (cardRefused(error)) noteRefused();
        return;
      }
      offset += chunk;
      written += chunk;
      const auto now = Clock::now();
      if (reportIsDue(now)) {
        report(phase, Step::flushing, static_cast<std::int64_t>(written >> 20), static_cast<std::int64_t>(target >> 20),
               cells, static_cast<double>(written) / static_cast<double>(target));
      }
    }
    try {
      file.sync();
      noteAccepted(written - writtenBefore);
    } catch (const PosixError& error) {
      // The filler's only job is to be written, and the read-back judges the probes; a
      // card that refuses it has stopped accepting data all the same.
      if (cardRefused(error)) noteRefused();
      return;
    }
  }
}

}  // namespace tessorin
