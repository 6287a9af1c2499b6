#include "TemporaryFolder.hpp"

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>

namespace tessorin::testing {

namespace fs = std::filesystem;

TemporaryFolder::TemporaryFolder() : TemporaryFolder(fs::temp_directory_path().string()) {}

TemporaryFolder::TemporaryFolder(const std::string& parent) {
  std::string pattern = (fs::path(parent) / "tessorin-test-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TemporaryFolder::~TemporaryFolder() {
  std::error_code error;
  fs::remove_all(path_, error);
}

}  // namespace tessorin::testing
