#pragma once
// WriteRefusal: what a card that stopped accepting writes in the middle of a test did
// with its data. Worn cards commonly end by turning read-only: they keep what they hold
// and refuse every write, and what reads back past the refusal is blank or what was
// there before. A card that loses data instead returns sectors it cannot read, or that
// are damaged or hold data written elsewhere (SectorTally::lostSectors). Users are told
// which, since the first still holds their files and the second may not. Where what was
// read back may have come from the host's copy of the card instead of the card, only the
// refusal itself, which the card reported, is known.

namespace tessorin {

enum class WriteRefusal {
  none,         // every write the test made was accepted
  readOnly,     // writes were refused; what the card took reads back intact
  losesData,    // writes were refused, and some of what it took is unreadable or damaged
  keptUnknown,  // writes were refused; what it took read back, perhaps from the host's copy
};

}  // namespace tessorin
