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
constexpr std::uint64_t zoneSegmentBytes = 64ull << 20;

// The segments of 64 MiB a zone test writes at `write` bytes per second: it ends at the
// first segment end past 45 seconds once 256 MiB are written, and writes 1 GiB at most.
inline std::size_t zoneSegmentsAt(double write) {
  const double byTime = std::ceil(45 * write / static_cast<double>(zoneSegmentBytes));
  return static_cast<std::size_t>(std::clamp(byTime, 4.0, 16.0));
}

// The writing time of a zone whose 64 MiB segments went at these speeds: a slow segment
// (a pause) drags the average down, as the zone test times it.
inline double zoneWriteSeconds(const std::vector<double>& segments) {
  double seconds = 0;
  for (const double speed : segments) seconds += static_cast<double>(zoneSegmentBytes) / speed;
  return seconds;
}

// A zone written at `write` and read at `read` bytes per second, clean, as long as the
// zone test makes it at that speed (or `segments` long, when a stop cut it short).
inline ZoneResult zone(double write, double read, std::size_t segmentCount = 0) {
  if (segmentCount == 0) segmentCount = zoneSegmentsAt(write);
  const std::uint64_t bytes = segmentCount * zoneSegmentBytes;
  std::vector<double> segments;
  for (std::size_t segment = 0; segment < segmentCount; ++segment) {
    segments.push_back(write * (1.0 + 0.04 * std::sin(static_cast<double>(segment))));
  }
  SectorTally tally;
  tally.ok = static_cast<std::int64_t>(bytes / 512);
  ZoneResult result = ZoneResult::make(bytes, zoneWriteSeconds(segments), segments,
                                       static_cast<double>(bytes) / read, {read, read * 1.02}, tally, false);
  result.randomReadIOPS = 2400;
  result.randomWriteIOPS = 600;
  return result;
}

// Probes laid out over `volume` bytes after the zone; the first `intact` read back,
// the rest came back blank.
inline QuickProbeResult quick(std::uint64_t volume, std::size_t slots, std::size_t intact, const ZoneResult& zoneResult) {
  QuickProbeResult result;
  // The zone planned at the start of the free space: an eighth of it, 1 GiB at most.
  result.layout.zoneBytes = std::min<std::uint64_t>(volume / 8 / zoneSegmentBytes, 16) * zoneSegmentBytes;
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
