#pragma once
// Engine values for gallery states, built as the engine builds them: a clean speed zone
// a quick check's probes over a card and an advanced test's write and read, for states no loop volume can reach (a 64 GB
// fake, a card whose zone failed).

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <vector>

#include "tessorin/full/FullTestResult.hpp"
#include "tessorin/quick/QuickProbeResult.hpp"
#include "tessorin/zone/ZoneResult.hpp"

namespace tessorin::gallery {

constexpr std::uint64_t galleryMB = 1'000'000;

// A zone of 256 MB written at `write` and read at `read` bytes per second, clean.
inline ZoneResult zone(double write, double read) {
  const std::uint64_t bytes = 256 * galleryMB;
  std::vector<double> segments;
  for (int segment = 0; segment < 16; ++segment) segments.push_back(write * (1.0 + 0.04 * std::sin(segment)));
  SectorTally tally;
  tally.ok = static_cast<std::int64_t>(bytes / 512);
  ZoneResult result = ZoneResult::make(bytes, static_cast<double>(bytes) / write, segments,
                                       static_cast<double>(bytes) / read, {read, read * 1.02}, tally, false);
  result.randomReadIOPS = 2400;
  result.randomWriteIOPS = 600;
  return result;
}

// Probes laid out over `volume` bytes after a 256 MB zone; the first `intact` read back,
// the rest came back blank.
inline QuickProbeResult quick(std::uint64_t volume, std::size_t slots, std::size_t intact, const ZoneResult& zoneResult) {
  QuickProbeResult result;
  result.layout.zoneBytes = 256 * galleryMB;
  result.layout.spacing = (volume - result.layout.zoneBytes) / slots;
  result.layout.slotCount = slots;
  result.probeSize = 4 << 20;
  result.volumeBytes = volume;
  for (std::size_t slot = 0; slot < slots; ++slot) {
    result.outcomes.push_back(slot < intact ? ProbeOutcome::ok : ProbeOutcome::blank);
    result.writeSeconds.push_back(0.4 + 0.02 * static_cast<double>(slot % 5));
  }
  result.zone = zoneResult;
  result.completed = QuickProbeResult::Stage::zone;
  result.duration = 58;
  return result;
}

// Read and write speeds along an advanced test, wobbling around `speed`.
inline std::vector<SpeedSample> gallerySamples(std::uint64_t span, double speed, double wobble) {
  std::vector<SpeedSample> list;
  for (int index = 1; index <= 120; ++index) {
    list.push_back({span / 120 * static_cast<std::uint64_t>(index),
                    speed * (1.0 + wobble * std::sin(index / 6.0) - 0.002 * index)});
  }
  return list;
}

// An advanced test that wrote `written` bytes; sectors from `goodUpTo` on came back blank,
// and `corrupted` and `unreadable` sectors were found below it.
inline FullTestResult full(std::uint64_t written, std::uint64_t goodUpTo, FullTestWriteStop stop = FullTestWriteStop::completed(),
                    std::int64_t corrupted = 0, std::int64_t unreadable = 0) {
  FullTestResult result;
  result.manifest.session = 42;
  result.manifest.plannedBytes = written;
  result.manifest.volumeBytes = written;
  std::uint64_t start = 0;
  for (int file = 0; start < written; ++file) {
    const std::uint64_t length = std::min<std::uint64_t>(1ull << 30, written - start);
    char name[16];
    std::snprintf(name, sizeof name, "F%05d.otr", file);
    result.manifest.files.push_back({name, start, length});
    start += length;
  }
  result.manifest.writeStop = stop;
  result.manifest.writeSamples = gallerySamples(written, 42e6, 0.08);
  result.manifest.writeSpeed = {41e6, 36e6, 46e6};
  result.manifest.writeDuration = static_cast<double>(written) / (41e6);
  result.readSamples = gallerySamples(written, 88e6, 0.03);
  result.readSpeed = {87e6, 84e6, 91e6};
  result.readDuration = static_cast<double>(written) / (87e6);

  const std::uint64_t good = std::min(goodUpTo, written) / 512 * 512;
  const auto badBlank = static_cast<std::int64_t>((written - good) / 512);
  result.tally.ok = static_cast<std::int64_t>(good / 512) - corrupted - unreadable;
  result.tally.blank = badBlank;
  result.tally.corrupted = corrupted;
  result.tally.unreadable = unreadable;
  if (badBlank > 0) result.tally.firstBadPosition = good;
  result.map = CapacityMap(written);
  result.map.markWritten(0, written);
  result.map.recordChecked(0, good / 2, good / 1024, 0);
  result.map.recordChecked(good / 2, good - good / 2, (good - good / 2) / 512 - static_cast<std::uint64_t>(corrupted + unreadable),
                           static_cast<std::uint64_t>(corrupted + unreadable));
  if (badBlank > 0) result.map.recordChecked(good, written - good, 0, static_cast<std::uint64_t>(badBlank));
  return result;
}

// The same advanced test at the speeds a check of this zone sees: writing a little below
// the zone's write speed (the whole card, pauses and all), reading at its read speed.
inline FullTestResult atSpeedsOf(FullTestResult result, const ZoneResult& zone) {
  const double write = zone.writeSpeed() * 0.93;
  const double read = zone.readSpeed() * 0.97;
  const std::uint64_t written = result.manifest.plannedBytes;
  result.manifest.writeSamples = gallerySamples(written, write * 1.02, 0.08);
  result.manifest.writeSpeed = {write, write * 0.88, write * 1.12};
  result.manifest.writeDuration = static_cast<double>(written) / write;
  result.readSamples = gallerySamples(written, read * 1.01, 0.03);
  result.readSpeed = {read, read * 0.96, read * 1.04};
  result.readDuration = static_cast<double>(written) / read;
  return result;
}

}  // namespace tessorin::gallery
