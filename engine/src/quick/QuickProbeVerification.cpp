#include <fcntl.h>

#include <algorithm>
#include <numeric>

#include "quick/QuickProbeRun.hpp"
#include "tessorin/posix/PosixError.hpp"
#include "tessorin/posix/UncachedFile.hpp"

namespace tessorin {

namespace {

constexpr std::uint64_t pieceBytes = 4096;
constexpr std::int64_t sectorsPerPiece = pieceBytes / TestPattern::sectorSize;

struct Piece {
  std::int64_t slot;
  std::uint64_t offset;
};

}  // namespace

void QuickProbeRun::verifyProbes(std::optional<Phase> phase) { verifySlots(engine_->written, phase); }

void QuickProbeRun::readBackWhatIsLeft() {
  if (!engine_) return;
  std::set<std::int64_t> openable;
  for (const std::int64_t slot : engine_->pending) {
    try {
      folder().openFile(slotName(slot), O_RDONLY);
      openable.insert(slot);
    } catch (const PosixError&) {
    }
  }
  verifySlots(openable, std::nullopt);
}

void QuickProbeRun::verifySlots(const std::set<std::int64_t>& slots, std::optional<Phase> phase) {
  // What the host kept of the card's device would otherwise answer for the card.
  if (!prepared_->mount.dropDeviceCache()) readBackReachedCard_ = false;

  const std::int64_t blocks = options_.probeSize / static_cast<std::int64_t>(pieceBytes);
  const std::int64_t perProbe = std::max<std::int64_t>(1, std::min(blocks, options_.readPieces));
  std::vector<std::uint64_t> blockNumbers(static_cast<std::size_t>(blocks));
  std::vector<Piece> pieces;
  for (const std::int64_t slot : slots) {
    std::iota(blockNumbers.begin(), blockNumbers.end(), 0);
    std::shuffle(blockNumbers.begin(), blockNumbers.end(), random_);
    for (std::int64_t k = 0; k < perProbe; ++k) pieces.push_back({slot, blockNumbers[static_cast<std::size_t>(k)] * pieceBytes});
  }
  // Interleaved across the probes, so that no read-ahead of the card or the host finds
  // the next piece already waiting.
  std::shuffle(pieces.begin(), pieces.end(), random_);

  const auto allSlots = static_cast<std::size_t>(slotCount());
  std::vector<std::int64_t> remaining(allSlots, 0);
  std::vector<SectorTally> tallies(allSlots);
  for (const auto& piece : pieces) ++remaining[static_cast<std::size_t>(piece.slot)];

  AlignedBuffer buffer(pieceBytes);
  const auto total = static_cast<std::int64_t>(pieces.size());
  for (std::int64_t done = 0; done < total; ++done) {
    flag_.throwIfCancelled();
    const Piece& piece = pieces[static_cast<std::size_t>(done)];
    const auto index = static_cast<std::size_t>(piece.slot);
    readPiece(piece.slot, piece.offset, buffer, tallies[index]);
    if (--remaining[index] == 0) engine_->record(piece.slot, tallies[index]);
    if (!phase) continue;
    const auto now = Clock::now();
    if (done == 0 || done + 1 == total || reportIsDue(now)) {
      report(*phase, Step::verifying, done + 1, total, engine_->cells());
    }
  }
  engine_->pending.clear();
}

void QuickProbeRun::readPiece(std::int64_t slot, std::uint64_t offset, AlignedBuffer& buffer,
                              SectorTally& tally) const {
  const std::uint64_t position = engine_->layout.position(static_cast<std::uint64_t>(slot)) + offset;
  std::optional<std::size_t> got;
  // A second try from a fresh open, since one failed read may be the reader's hiccup.
  for (int attempt = 0; attempt < 2 && !got; ++attempt) {
    try {
      UncachedFile file = UncachedFile::openIn(folder(), slotName(slot), O_RDONLY);
      file.dropCachedPages();
      got = file.readAt(buffer.pointer(), pieceBytes, offset);
    } catch (const PosixError&) {
    }
  }
  if (!got) {
    // A card that is gone is not a card with unreadable sectors: the run ends there.
    prepared_->mount.confirmStillMounted();
    tally.recordUnreadable(sectorsPerPiece, position);
    return;
  }
  const auto whole = static_cast<std::int64_t>(*got / TestPattern::sectorSize);
  engine_->pattern.verify(buffer.pointer(), static_cast<std::size_t>(whole) * TestPattern::sectorSize, position, tally);
  if (whole < sectorsPerPiece) {
    tally.recordUnreadable(sectorsPerPiece - whole, position + static_cast<std::uint64_t>(whole) * TestPattern::sectorSize);
  }
}

}  // namespace tessorin
