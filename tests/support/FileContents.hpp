#pragma once
// A user's file on a test volume: written whole, and read back whole to see whether a
// test changed it.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace tessorin::testing {

inline void writeFile(const std::filesystem::path& path, const std::string& contents) {
  std::ofstream(path, std::ios::binary) << contents;
}

// Empty when the file is gone.
inline std::string contentsOf(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace tessorin::testing
