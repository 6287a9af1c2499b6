// What one quick check costs a genuine card: its time and the bytes that reached the
// medium (the write counter of the card's loop device), stage by stage. It samples the
// card instead of filling it, so both should stay far below what the advanced test
// spends, and reserving the test area should write next to nothing.
//
// Three kinds of volume, each on a loop device over a sparse image:
//   ext4             reserving space writes nothing, as on the file systems the check is
//                    meant for (the check is pointed at ext4 for this);
//   exfat            exfat-fuse, which writes every reserved byte: the check must refuse
//                    after its first small slot;
//   exfat-unguarded  the same driver with that refusal switched off: what a check would
//                    write through it (every free byte, and then some).
// Images of up to 8 GiB live on a tmpfs of the benchmark's own, larger ones on the disk.
// The zone's reservation time limit is lifted so that the unguarded case runs to the end.
//
// Figures of one run on the build machine (tmpfs images):
//   4 GiB ext4             9.5 s, 1294 MB written (30 % of the card), of it 0.8 MB (0.02 %)
//                          while reserving; the rest is the zone (448 MiB, written and read
//                          at speed), 256 MiB of filler before each of the two read-backs,
//                          and the probes
//   8 GiB ext4             10.3 s, 1783 MB (21 %), 1.0 MB (0.01 %) while reserving
//   4 GiB exfat            refused after 0.1 s and 4.3 MB (0.10 % of the card)
//   4 GiB exfat-unguarded  19.5 s, 5450 MB (127 % of the card), 4228 MB of it zeros while
//                          reserving
//
// Needs root (tmpfs and loop mounts). Usage: quick_probe_bench [GiB:KIND[:disk] ...]
// (default: 4:ext4 4:exfat 4:exfat-unguarded 8:ext4).

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "LoopVolume.hpp"
#include "TemporaryFolder.hpp"
#include "TmpfsMount.hpp"
#include "tessorin/posix/DeviceWriteCounter.hpp"
#include "tessorin/posix/FileDescriptor.hpp"
#include "tessorin/quick/QuickProbe.hpp"

namespace {

namespace fs = std::filesystem;
using tessorin::QuickProbe;
using tessorin::QuickProbeResult;
using tessorin::testing::FileSystemKind;
using tessorin::testing::LoopVolume;
using tessorin::testing::TemporaryFolder;
using tessorin::testing::TmpfsMount;
using Clock = std::chrono::steady_clock;
using Phase = QuickProbe::Progress::Phase;
using Step = QuickProbe::Progress::Step;

constexpr std::uint64_t GiB = std::uint64_t{1} << 30;
constexpr double MB = 1e6;

double seconds(Clock::duration duration) { return std::chrono::duration<double>(duration).count(); }

// Where the check spends its time and its writes, attributed from one progress report to the next.
enum class Share { reserving, probeWrites, flushes, readBacks, zone, finalReadBack, cleaning };
constexpr const char* shareNames[] = {"reserving files", "probe writes + syncs", "cache flushes", "probe read-backs",
                                      "zone stage",      "final read-back",      "clean-up"};
// The final read-back reports nothing: it is the time from the zone's last report (its
// random writes, then one sync) to the clean-up's report.

Share shareOf(const QuickProbe::Progress& progress) {
  switch (progress.phase) {
    case Phase::preparing: return Share::reserving;
    case Phase::zone: return Share::zone;
    case Phase::cleaning: return Share::cleaning;
    case Phase::coarse:
    case Phase::fine:
      break;
  }
  switch (progress.step) {
    case Step::flushing: return Share::flushes;
    case Step::verifying: return Share::readBacks;
    default: return Share::probeWrites;
  }
}

struct Timeline {
  std::mutex lock;
  std::string device;
  Clock::time_point last;
  std::uint64_t lastWritten = 0;
  Share current = Share::reserving;
  std::map<Share, double> seconds;
  std::map<Share, std::uint64_t> written;

  std::uint64_t deviceWritten() const {
    const auto bytes = tessorin::deviceBytesWritten(device);
    if (!bytes) throw std::runtime_error("no write counter for " + device);
    return *bytes;
  }

  void start() {
    last = Clock::now();
    lastWritten = deviceWritten();
  }

  void enter(Share share) {
    const auto now = Clock::now();
    const std::uint64_t bytes = deviceWritten();
    const bool afterZone = current == Share::zone && share == Share::cleaning;
    const Share ending = afterZone ? Share::finalReadBack : current;
    seconds[ending] += ::seconds(now - last);
    written[ending] += bytes - lastWritten;
    current = share;
    last = now;
    lastWritten = bytes;
  }
};

struct Case {
  std::uint64_t cardGiB = 0;
  std::string kind;  // ext4, exfat, exfat-unguarded
  bool onDisk = false;
};

Case parse(const std::string& text) {
  Case c;
  const auto colon = text.find(':');
  c.cardGiB = std::stoull(text.substr(0, colon));
  const std::string rest = colon == std::string::npos ? "ext4" : text.substr(colon + 1);
  c.onDisk = rest.size() > 5 && rest.substr(rest.size() - 5) == ":disk";
  c.kind = c.onDisk ? rest.substr(0, rest.size() - 5) : rest;
  if (c.kind != "ext4" && c.kind != "exfat" && c.kind != "exfat-unguarded") throw std::invalid_argument(text);
  return c;
}

double percentOf(std::uint64_t part, std::uint64_t whole) {
  return 100.0 * static_cast<double>(part) / static_cast<double>(whole);
}

void benchmark(const Case& c) {
  const std::uint64_t cardBytes = c.cardGiB * GiB;
  // The image on a tmpfs of its own, in RAM whatever /tmp is, or in a plain folder on the disk.
  std::optional<TmpfsMount> ram;
  std::optional<TemporaryFolder> disk;
  if (c.onDisk) {
    disk.emplace("/var/tmp");
  } else {
    ram.emplace(cardBytes + GiB);
  }
  const std::string image = (c.onDisk ? disk->path() : ram->path()) + "/card.img";
  tessorin::FileDescriptor(::open(image.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
  fs::resize_file(image, cardBytes);
  const bool ext4 = c.kind == "ext4";
  auto volume = LoopVolume::onFile(image, ext4 ? FileSystemKind::ext4 : FileSystemKind::exfat, "BENCH");

  QuickProbe::Options options;
  options.slowAllocationSeconds = 1e9;
  if (ext4) options.fileSystem = "ext4";
  if (c.kind == "exfat-unguarded") options.allocationTrialBytes = 0;
  Timeline timeline;
  timeline.device = volume->loopDevice();
  timeline.start();
  const auto started = timeline.last;
  std::optional<QuickProbeResult> result;
  std::optional<QuickProbe::Unsupported> refused;
  try {
    result = QuickProbe(volume->mountPoint(), options)
                 .run([&](const QuickProbe::Progress& progress) {
                   std::lock_guard guard(timeline.lock);
                   timeline.enter(shareOf(progress));
                 })
                 .result();
  } catch (const QuickProbe::Unsupported& refusal) {
    refused = refusal;
  }
  timeline.enter(Share::cleaning);
  const double total = seconds(timeline.last - started);
  std::uint64_t written = 0;
  for (const auto& [share, bytes] : timeline.written) written += bytes;

  std::printf("\n%llu GiB card, %s on %s: %.1f s, %.1f MB written to the medium (%.2f%% of the card)\n",
              static_cast<unsigned long long>(c.cardGiB), c.kind.c_str(), c.onDisk ? "disk" : "tmpfs", total,
              static_cast<double>(written) / MB, percentOf(written, cardBytes));
  if (refused) {
    std::printf("  refused: %s\n  refusal after %.2f%% of the card written (must stay below 2%%)\n", refused->what(),
                percentOf(written, cardBytes));
    return;
  }
  if (result->verdict() != QuickProbeResult::Verdict::passed) throw std::runtime_error("a genuine card did not pass");
  std::printf("  %llu slots of %llu MiB, %lld probes, zone %llu MiB\n",
              static_cast<unsigned long long>(result->layout.slotCount),
              static_cast<unsigned long long>(result->layout.spacing >> 20),
              static_cast<long long>(result->testedCount()),
              static_cast<unsigned long long>(result->layout.zoneBytes >> 20));
  for (int index = 0; index <= static_cast<int>(Share::cleaning); ++index) {
    const auto share = static_cast<Share>(index);
    const double spent = timeline.seconds[share];
    std::printf("  %-22s %7.2f s %5.1f%%  %9.1f MB %6.2f%% of the card\n", shareNames[index], spent,
                100 * spent / total, static_cast<double>(timeline.written[share]) / MB,
                percentOf(timeline.written[share], cardBytes));
  }
  std::printf("  reserving wrote %.2f%% of the card (must stay below 3%% where allocation is real)\n",
              percentOf(timeline.written[Share::reserving], cardBytes));
  std::printf("  zone: write %.0f MB/s, read %.0f MB/s, random %.0f/%.0f IOPS\n", result->zone->writeSpeed() / MB,
              result->zone->readSpeed() / MB, result->zone->randomReadIOPS.value_or(0),
              result->zone->randomWriteIOPS.value_or(0));
}

}  // namespace

int main(int argc, char** argv) {
  if (const std::string why = tessorin::testing::volumesUnavailableReason(); !why.empty()) {
    std::printf("quick_probe_bench skipped: %s\n", why.c_str());
    return 0;
  }
  std::vector<std::string> cases(argv + 1, argv + argc);
  if (cases.empty()) cases = {"4:ext4", "4:exfat", "4:exfat-unguarded", "8:ext4"};
  for (const auto& c : cases) benchmark(parse(c));
  return 0;
}
