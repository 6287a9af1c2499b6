#include "TemporaryFolder.hpp"

#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace tessorin::testing {

namespace fs = std::filesystem;

TemporaryFolder::TemporaryFolder() : TemporaryFolder(fs::temp_directory_path().string()) {}

TemporaryFolder::TemporaryFolder(const std::string& parent) {
  std::string pattern = (fs::path(parent) / "tessorin-test-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) {
    const int error = errno;
    std::string why = "cannot make a temporary folder in " + parent + ": " + std::strerror(error);
    if (error == ENOSPC || error == EDQUOT) why += "; free some disk space (other builds and test runs share it)";
    throw std::runtime_error(why);
  }
  path_ = pattern;
}

TemporaryFolder::~TemporaryFolder() {
  std::error_code error;
  fs::remove_all(path_, error);
}

}  // namespace tessorin::testing
