// The quick check must stay "about a minute" on a real card because it samples the card
// instead of filling it. A full check with the default options of a genuine exFAT volume
// (exfat-fuse on a loop device over a sparse image), with the time of every stage, for
// several sizes: the probes, flushes and read-backs should barely grow with the card.
//
// Images of up to 8 GiB live on a tmpfs of the benchmark's own; larger ones on the disk,
// because exfat-fuse writes zeros into every slot file it extends and a 32 GiB card's
// slots do not fit in memory. 4 GiB is run on both, so that the growth can be read on
// one backing. The zone's reservation is timed but not refused here (it exceeds the
// 2 s limit through this driver); everything else runs as in the application.
//
// Needs root (tmpfs and loop mounts). Usage: quick_probe_bench [GiB[:disk] ...]
// (default: 4 8 4:disk 32:disk).

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

double seconds(Clock::duration duration) { return std::chrono::duration<double>(duration).count(); }

// Where the check spends its time, attributed from one progress report to the next.
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
  Clock::time_point last;
  Share current = Share::reserving;
  std::map<Share, double> seconds;

  void enter(Share share, Clock::time_point now) {
    const bool afterZone = current == Share::zone && share == Share::cleaning;
    seconds[afterZone ? Share::finalReadBack : current] += ::seconds(now - last);
    current = share;
    last = now;
  }
};

void benchmark(std::uint64_t cardGiB, bool onDisk) {
  // The image on a tmpfs of its own, in RAM whatever /tmp is, or in a plain folder on the disk.
  std::optional<TmpfsMount> ram;
  std::optional<TemporaryFolder> disk;
  if (onDisk) {
    disk.emplace("/var/tmp");
  } else {
    ram.emplace(cardGiB * GiB + GiB);
  }
  const std::string image = (onDisk ? disk->path() : ram->path()) + "/card.img";
  tessorin::FileDescriptor(::open(image.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
  fs::resize_file(image, cardGiB * GiB);
  auto volume = LoopVolume::onFile(image, FileSystemKind::exfat, "BENCH");

  QuickProbe::Options options;
  options.slowAllocationSeconds = 1e9;
  Timeline timeline;
  timeline.last = Clock::now();
  const auto started = timeline.last;
  const QuickProbeResult result =
      QuickProbe(volume->mountPoint(), options)
          .run(
              [&](const QuickProbe::Progress& progress) {
                std::lock_guard guard(timeline.lock);
                timeline.enter(shareOf(progress), Clock::now());
              },
              {})
          .result();
  const auto ended = Clock::now();
  timeline.enter(Share::cleaning, ended);
  const double total = seconds(ended - started);
  if (result.verdict() != QuickProbeResult::Verdict::passed) throw std::runtime_error("a genuine card did not pass");

  std::printf("\n%llu GiB card on %s: %llu slots of %llu MiB, %lld probes, zone %llu MiB, total %.1f s\n",
              static_cast<unsigned long long>(cardGiB), onDisk ? "disk" : "tmpfs",
              static_cast<unsigned long long>(result.layout.slotCount),
              static_cast<unsigned long long>(result.layout.spacing >> 20), static_cast<long long>(result.testedCount()),
              static_cast<unsigned long long>(result.layout.zoneBytes >> 20), total);
  for (int share = 0; share <= static_cast<int>(Share::cleaning); ++share) {
    const double spent = timeline.seconds[static_cast<Share>(share)];
    std::printf("  %-22s %7.2f s  %5.1f%%\n", shareNames[share], spent, 100 * spent / total);
  }
  std::printf("  zone: write %.0f MB/s, read %.0f MB/s, random %.0f/%.0f IOPS\n", result.zone->writeSpeed() / 1e6,
              result.zone->readSpeed() / 1e6, result.zone->randomReadIOPS.value_or(0),
              result.zone->randomWriteIOPS.value_or(0));
}

}  // namespace

int main(int argc, char** argv) {
  if (const std::string why = tessorin::testing::volumesUnavailableReason(); !why.empty()) {
    std::printf("quick_probe_bench skipped: %s\n", why.c_str());
    return 0;
  }
  std::vector<std::string> cases(argv + 1, argv + argc);
  if (cases.empty()) cases = {"4", "8", "4:disk", "32:disk"};
  for (const auto& c : cases) benchmark(std::stoull(c), c.find(":disk") != std::string::npos);
  return 0;
}
