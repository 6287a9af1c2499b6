#include "tessorin/full/TestFileLayout.hpp"

#include <fcntl.h>

#include <algorithm>

#include "tessorin/posix/FileExtents.hpp"
#include "tessorin/posix/PosixError.hpp"

namespace tessorin {

namespace {

std::optional<std::vector<TestFileLayout::Stretch>> stretchesIn(const OpenFolder& folder,
                                                                 const TestManifest::File& file) {
  try {
    return TestFileLayout::stretchesOf(folder.openFile(file.name, O_RDONLY).get(), file);
  } catch (const PosixError&) {
    return std::nullopt;
  }
}

}  // namespace

std::optional<TestFileLayout> TestFileLayout::read(const OpenFolder& folder, const TestManifest& manifest,
                                                   std::optional<std::uint64_t> deviceBytes) {
  std::vector<Stretch> stretches;
  for (const TestManifest::File& file : manifest.files) {
    auto ofFile = stretchesIn(folder, file);
    if (!ofFile) return std::nullopt;
    stretches.insert(stretches.end(), ofFile->begin(), ofFile->end());
  }
  return fromStretches(std::move(stretches), manifest.writtenBytes(), deviceBytes);
}

std::optional<std::vector<TestFileLayout::Stretch>> TestFileLayout::stretchesOf(int fd,
                                                                               const TestManifest::File& file) {
  const std::optional<std::vector<FileExtent>> extents = fileExtents(fd);
  if (!extents) return std::nullopt;
  std::vector<Stretch> stretches;
  for (const FileExtent& extent : *extents) {
    // What a failed chunk left past the file's recorded length is never read.
    if (extent.logical >= file.length) break;
    const std::uint64_t length = std::min(extent.length, file.length - extent.logical);
    stretches.push_back({file.start + extent.logical, extent.physical, length, 0});
  }
  return stretches;
}

std::optional<TestFileLayout> TestFileLayout::fromStretches(std::vector<Stretch> stretches,
                                                            std::uint64_t writtenBytes,
                                                            std::optional<std::uint64_t> deviceBytes) {
  std::sort(stretches.begin(), stretches.end(),
            [](const Stretch& a, const Stretch& b) { return a.deviceOffset < b.deviceOffset; });
  std::uint64_t rank = 0;
  std::uint64_t deviceEnd = 0;
  for (Stretch& stretch : stretches) {
    if (stretch.length == 0 || stretch.deviceOffset < deviceEnd) return std::nullopt;
    deviceEnd = stretch.deviceOffset + stretch.length;
    if (deviceEnd < stretch.deviceOffset || (deviceBytes && deviceEnd > *deviceBytes)) return std::nullopt;
    stretch.rank = rank;
    rank += stretch.length;
  }
  std::sort(stretches.begin(), stretches.end(),
            [](const Stretch& a, const Stretch& b) { return a.position < b.position; });
  std::uint64_t covered = 0;
  for (const Stretch& stretch : stretches) {
    if (stretch.position != covered) return std::nullopt;
    covered += stretch.length;
  }
  if (covered != writtenBytes) return std::nullopt;
  return TestFileLayout(std::move(stretches));
}

const TestFileLayout::Stretch* TestFileLayout::find(std::uint64_t position) const {
  const auto after = std::upper_bound(stretches_.begin(), stretches_.end(), position,
                                      [](std::uint64_t p, const Stretch& stretch) { return p < stretch.position; });
  if (after == stretches_.begin()) return nullptr;
  const Stretch& stretch = *std::prev(after);
  return position - stretch.position < stretch.length ? &stretch : nullptr;
}

std::optional<std::uint64_t> TestFileLayout::deviceOffset(std::uint64_t position) const {
  const Stretch* stretch = find(position);
  if (!stretch) return std::nullopt;
  return stretch->deviceOffset + (position - stretch->position);
}

std::uint64_t TestFileLayout::rank(std::uint64_t position) const {
  const Stretch* stretch = find(position);
  return stretch ? stretch->rank + (position - stretch->position) : position;
}

std::uint64_t TestFileLayout::bytesInOnePiece(std::uint64_t position) const {
  const Stretch* stretch = find(position);
  return stretch ? stretch->length - (position - stretch->position) : 0;
}

}  // namespace tessorin
