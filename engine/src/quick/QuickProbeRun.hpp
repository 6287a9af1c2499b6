#pragma once
// QuickProbeRun: one quick check in progress, stage by stage: reserving the files, the
// probe writes, the card sync and cache flush, and the read-backs. Lives on the worker
// thread of its run for the length of one QuickProbe::runOnThread call; only the
// CancellationFlag it polls is shared.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "tessorin/posix/AlignedBuffer.hpp"
#include "tessorin/posix/PosixError.hpp"
#include "tessorin/posix/CancellationFlag.hpp"
#include "tessorin/quick/ProbeEngine.hpp"
#include "tessorin/quick/QuickProbe.hpp"
#include "tessorin/posix/TestFolder.hpp"

namespace tessorin {

class QuickProbeRun {
 public:
  QuickProbeRun(std::filesystem::path volume, const QuickProbeOptions& options, CancellationFlag& flag,
                const QuickProbe::ProgressHandler& progress, const QuickProbe::PartialHandler& partial,
                const QuickProbe::FinePassHook& finePassHook);

  QuickProbeResult run();

 private:
  using Clock = std::chrono::steady_clock;
  using Phase = QuickProbeProgress::Phase;
  using Step = QuickProbeProgress::Step;

  QuickProbeResult runInFolder();

  // Reserving the test area (QuickProbeSlots.cpp).
  ProbeLayout reserveFiles();
  void createEmptyFiles(std::uint64_t slotCount) const;
  void refuseDriverThatWritesReservedSpace(const ProbeLayout& planned) const;
  void reserveZone(std::uint64_t zoneBytes) const;
  std::uint64_t reserveSlots(const ProbeLayout& planned, std::uint64_t available) const;
  // Whether the zone and slot files lie on the card as their positions say, and if not
  // and the extent map tells, the slots in the order of the device.
  void locateTestArea(const ProbeLayout& layout);

  // The probes (QuickProbeProbes.cpp).
  void writeProbes(std::vector<std::int64_t> slots, Phase phase);
  double writeProbe(std::int64_t slot);

  // Getting the probes out of every cache (QuickProbeFlush.cpp).
  void syncCard();
  void flushCache(Phase phase);

  // Reading the probes back (QuickProbeVerification.cpp); reports only with a phase.
  void verifyProbes(std::optional<Phase> phase);
  void verifySlots(const std::set<std::int64_t>& slots, std::optional<Phase> phase);
  // Once the card stopped taking data, or its file system broke: the probes written
  // since the last read-back whose files still open are read back. A file the file
  // system can no longer find says nothing of the card's medium, and is left untested.
  void readBackWhatIsLeft();
  void readPiece(std::int64_t slot, std::uint64_t offset, AlignedBuffer& buffer, SectorTally& tally) const;

  // A card that refuses a write and every one after it has stopped accepting data; one
  // that takes a later write has not (a fake refuses only past its real end).
  bool cardRefused(const PosixError& error) const;
  // Whether the error is the card's file system failing under the check, on a card
  // that is still there.
  bool fileSystemBroke(const PosixError& error) const;
  void noteAccepted(std::uint64_t bytes);
  void noteRefused();
  QuickProbeResult refusedResult() const;
  // Where writes stopped being taken, what the card's first sectors hold: the advanced
  // test reads them the same way.
  void lookAtDeviceStart(QuickProbeResult& result) const;

  void report(Phase phase, Step step, std::int64_t completed, std::int64_t total, std::vector<ProbeCell> cells,
              std::optional<double> fraction = std::nullopt);
  bool reportIsDue(Clock::time_point now) const;
  QuickProbeResult snapshot(QuickProbeResult::Stage completed, std::optional<ZoneResult> zone) const;

  static std::string slotName(std::int64_t slot);
  std::string slotPath(std::int64_t slot) const;
  OpenFolder& folder() { return prepared_->files; }
  const OpenFolder& folder() const { return prepared_->files; }
  std::int64_t slotCount() const { return static_cast<std::int64_t>(engine_->layout.slotCount); }
  static double secondsBetween(Clock::time_point from, Clock::time_point to);

  const std::filesystem::path volume_;
  const QuickProbeOptions options_;
  CancellationFlag& flag_;
  const QuickProbe::ProgressHandler& progress_;
  const QuickProbe::PartialHandler& partial_;
  const QuickProbe::FinePassHook& finePassHook_;

  Clock::time_point started_;
  Clock::time_point lastReport_;
  std::optional<TestFolder::Prepared> prepared_;
  std::optional<ProbeEngine> engine_;
  std::optional<AlignedBuffer> probeBuffer_;
  bool testAreaInOrder_ = true;
  std::vector<std::int64_t> slotsInDeviceOrder_;
  std::uint64_t accepted_ = 0;  // bytes written and forced to the card
  std::optional<std::uint64_t> refusedAfter_;
  bool readBackReachedCard_ = true;
  // Seeded once per run from the system's random source: which pieces are read and the
  // filler data differ from run to run, so no card can have them ready in its cache.
  std::mt19937_64 random_;
};

}  // namespace tessorin
