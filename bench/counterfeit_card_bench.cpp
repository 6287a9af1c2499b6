// A slow simulated card must write at the rate it is given, or the tests that lean on a
// slow card (a stop during writing, a card pulled mid-write) do not meet the card they
// think: 16 MiB written straight to the card's loop device at 16 MiB/s, then as much
// again with the rate lifted, round by round. Targets: the paced rate lies within 20% of
// the one set, and lifting the rate at least doubles it. Other work on the machine only
// ever slows a round down, so each side is judged by its best round (the paced side by
// the round closest to its rate); the medians are printed beside them.
//
// Needs root (FUSE and loop devices). Exits 1 when a target is missed.

#include <fcntl.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "ByteLiterals.hpp"
#include "CounterfeitCard.hpp"
#include "RoundFigures.hpp"
#include "tessorin/pattern/TestPattern.hpp"
#include "tessorin/posix/AlignedBuffer.hpp"
#include "tessorin/posix/UncachedFile.hpp"

namespace {

using tessorin::bench::median;
using namespace tessorin::testing::literals;
using tessorin::AlignedBuffer;
using tessorin::TestPattern;
using tessorin::UncachedFile;
using tessorin::testing::CounterfeitCard;
using Clock = std::chrono::steady_clock;

constexpr std::uint64_t paceBytesPerSecond = 16_MiB;
constexpr std::uint64_t bytesPerSide = 16_MiB;
constexpr std::uint64_t chunk = 1_MiB;
constexpr int rounds = 3;
constexpr double paceTolerance = 0.20;

// MiB/s of writing [from, from + bytesPerSide) of the card's device.
double writeRate(UncachedFile& device, const TestPattern& pattern, std::uint64_t from) {
  AlignedBuffer buffer(chunk);
  const auto start = Clock::now();
  for (std::uint64_t position = from; position < from + bytesPerSide; position += chunk) {
    pattern.fill(buffer.pointer(), chunk, position);
    device.writeAt(buffer.pointer(), chunk, position);
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return static_cast<double>(bytesPerSide) / static_cast<double>(1_MiB) / seconds;
}

}  // namespace

int main() {
  if (const std::string why = tessorin::testing::volumesUnavailableReason(); !why.empty()) {
    std::printf("counterfeit_card_bench skipped: %s\n", why.c_str());
    return 0;
  }
  auto card = CounterfeitCard::make({.claimed = 64_MiB, .fileSystem = std::nullopt});
  UncachedFile device = UncachedFile::open(card->loopDevice(), O_RDWR);
  const TestPattern pattern(TestPattern::randomSession());
  const double target = static_cast<double>(paceBytesPerSecond) / static_cast<double>(1_MiB);

  std::vector<double> paced;
  std::vector<double> free;
  for (int round = 0; round < rounds; ++round) {
    card->setWriteRate(paceBytesPerSecond);
    paced.push_back(writeRate(device, pattern, 0));
    card->setWriteRate(0);
    free.push_back(writeRate(device, pattern, bytesPerSide));
  }

  const double closest = *std::min_element(paced.begin(), paced.end(), [target](double a, double b) {
    return std::abs(a - target) < std::abs(b - target);
  });
  const double fastest = *std::max_element(free.begin(), free.end());
  const bool pacedMet = std::abs(closest - target) <= paceTolerance * target;
  const bool freeMet = fastest >= 2 * closest;
  std::printf("paced at %.0f MiB/s: closest %.1f MiB/s, median %.1f MiB/s (within %.0f%%): %s\n", target, closest,
              median(paced), paceTolerance * 100, pacedMet ? "target met" : "TARGET MISSED");
  std::printf("rate lifted: best %.1f MiB/s, median %.1f MiB/s (at least twice the paced): %s\n", fastest,
              median(free), freeMet ? "target met" : "TARGET MISSED");
  return pacedMet && freeMet ? 0 : 1;
}
