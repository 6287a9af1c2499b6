#pragma once
// TestFolder: the one folder, at the root of the card's volume, that holds every file a
// test writes. Whatever a test leaves there is found and deleted as a whole. Stateless;
// file-manager failures surface as std::filesystem::filesystem_error, statvfs failures
// as PosixError.

#include <filesystem>
#include <string>

#include "tessorin/posix/VolumeMount.hpp"
#include "tessorin/posix/VolumeStats.hpp"

namespace tessorin {

struct TestFolder {
  static constexpr const char* name = "Tessorin Test";

  static std::filesystem::path path(const std::filesystem::path& volume) { return volume / name; }
  // "F00001.otr" for prefix 'F' and index 1.
  static std::string numberedFileName(char prefix, int index);
  static constexpr const char* zoneFileName = "Z.otr";

  // Whether anything (folder or file) stands at the folder's path.
  static bool exists(const std::filesystem::path& volume);
  // Removes the folder with everything in it; false when there was nothing to remove.
  static bool removeLeftovers(const std::filesystem::path& volume);
  // Removes the folder and swallows every error: the clean-up after a test.
  static void removeQuietly(const std::filesystem::path& volume) noexcept;

  struct Prepared {
    std::filesystem::path folder;
    VolumeStats stats;
    VolumeMount mount;
  };
  // The start of every test: pins the volume's mount, removes leftovers, creates the
  // folder empty and reads the volume's figures (settled when leftovers were removed).
  static Prepared prepare(const std::filesystem::path& volume);
};

}  // namespace tessorin
