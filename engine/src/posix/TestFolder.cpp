#include "tessorin/posix/TestFolder.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "tessorin/posix/FileDescriptor.hpp"
#include "tessorin/posix/PosixError.hpp"
#include "tessorin/posix/TreeRemoval.hpp"
#include "tessorin/posix/TestFolderNotRemovable.hpp"

namespace tessorin {

namespace fs = std::filesystem;

std::string TestFolder::numberedFileName(char prefix, int index) {
  char name[32];
  std::snprintf(name, sizeof name, "%c%05d.otr", prefix, index);
  return name;
}

namespace {

// The names the tests give their files: "F00001.otr", "Q00012.otr", "Z.otr".
bool isTestFileName(const std::string& name) {
  if (name == TestFolder::zoneFileName) return true;
  if (name.size() < 10 || (name[0] != 'F' && name[0] != 'Q') || !name.ends_with(".otr")) return false;
  const std::string digits = name.substr(1, name.size() - 5);
  return std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A folder holding test files only, each a plain file.
bool holdsTestFilesOnly(int folder) {
  for (const std::string& name : namesInDirectory(folder)) {
    struct stat status {};
    if (!isTestFileName(name) || ::fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(status.st_mode)) {
      return false;
    }
  }
  return true;
}

// Removes a folder the running check made, whatever it now holds. False when what
// stands at the folder's place is not one of the claimed folders.
bool removeClaimed(const fs::path& volume, const TestFolderClaim& claim) {
  FileDescriptor root(::open(volume.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!root) throw PosixError::fromErrno("open", volume.string());
  struct stat rootStatus {};
  struct stat status {};
  if (::fstat(root.get(), &rootStatus) != 0) throw PosixError::fromErrno("fstat", volume.string());
  if (::fstatat(root.get(), TestFolder::name, &status, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(status.st_mode) ||
      !claim.holds(status)) {
    return false;
  }
  if (const int error = removeTreeAt(root.get(), TestFolder::name, rootStatus.st_dev); error != 0) {
    throw PosixError("unlinkat", TestFolder::path(volume).string(), error);
  }
  return true;
}

}  // namespace

TestFolder::NotATestFolder::NotATestFolder(const fs::path& path)
    : std::runtime_error("“" + path.string() +
                         "” was not made by Tessorin, so it was left as it is. Move or rename it, then check the "
                         "card again.") {}

bool TestFolder::exists(const fs::path& volume) {
  std::error_code error;
  return fs::exists(fs::symlink_status(path(volume), error));
}

bool TestFolder::removeLeftovers(const fs::path& volume) {
  FileDescriptor root(::open(volume.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!root) throw PosixError::fromErrno("open", volume.string());
  return removeLeftoversAt(root.get(), volume);
}

bool TestFolder::removeLeftoversAt(int volumeRoot, const fs::path& volume) {
  const std::string where = path(volume).string();
  struct stat root {};
  struct stat status {};
  if (::fstat(volumeRoot, &root) != 0) throw PosixError::fromErrno("fstat", volume.string());
  if (::fstatat(volumeRoot, name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno == ENOENT) return false;
    throw PosixError::fromErrno("fstatat", where);
  }
  if (S_ISLNK(status.st_mode)) {
    if (::unlinkat(volumeRoot, name, 0) != 0) throw PosixError::fromErrno("unlinkat", where);
    return true;
  }
  if (!S_ISDIR(status.st_mode)) throw NotATestFolder(path(volume));
  {
    FileDescriptor folder(::openat(volumeRoot, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!folder) throw PosixError::fromErrno("open", where);
    if (!holdsTestFilesOnly(folder.get())) throw NotATestFolder(path(volume));
  }
  if (const int error = removeTreeAt(volumeRoot, name, root.st_dev); error != 0) {
    throw PosixError("unlinkat", where, error);
  }
  return true;
}

void TestFolder::removeQuietly(const fs::path& volume) noexcept {
  std::error_code error;
  fs::remove_all(path(volume), error);
}

TestFolder::Prepared TestFolder::prepare(const fs::path& volume, TestFolderClaim* claim) {
  VolumeMount mount = VolumeMount::pin(volume.string());
  bool removed = false;
  try {
    removed = (claim && removeClaimed(volume, *claim)) || removeLeftovers(volume);
  } catch (const PosixError& error) {
    // The folder was found and is the tests' own, but its tree will not go.
    if (error.operation() != "unlinkat") throw;
    throw TestFolderNotRemovable(path(volume), std::error_code(error.code(), std::generic_category()));
  }
  const fs::path folder = path(volume);
  if (!fs::create_directory(folder)) {
    throw fs::filesystem_error("cannot create the test folder", folder, std::make_error_code(std::errc::file_exists));
  }
  try {
    OpenFolder files = OpenFolder::open(folder, mount.rootDevice());
    if (claim) claim->hold(files.fd());
    VolumeStats stats = removed ? VolumeStats::settled(folder.string(), 5.0) : VolumeStats(folder.string());
    return Prepared{folder, std::move(stats), std::move(mount), std::move(files)};
  } catch (...) {
    removeQuietly(volume);
    throw;
  }
}

}  // namespace tessorin
