#include "tessorin/posix/TestFolder.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <vector>

#include "tessorin/posix/FileDescriptor.hpp"
#include "tessorin/posix/FolderIdentity.hpp"
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

// A removal that failed: the card refuses writes when the volume says so (EROFS, or
// mounted read-only); anything else is a file system that cannot follow the folder.
[[noreturn]] void removalFailed(int volumeRoot, const fs::path& volume, int error) {
  struct statvfs figures {};
  const bool readOnly = error == EROFS || (::fstatvfs(volumeRoot, &figures) == 0 && (figures.f_flag & ST_RDONLY) != 0);
  throw TestFolderNotRemovable(TestFolder::path(volume), std::error_code(error, std::generic_category()), readOnly);
}

// A removal is on the card only once the volume's root is synced: exfat-fuse shows the
// folder gone at once and learns only at a sync that the card refused the writes (the
// folder is back after the next mount). The kernel's file systems report there too.
// A file system that cannot sync a folder (EINVAL) has nothing more to report.
int syncRoot(int volumeRoot) { return ::fsync(volumeRoot) == 0 || errno == EINVAL ? 0 : errno; }

void confirmRemovedFromCard(int volumeRoot, const fs::path& volume) {
  if (const int error = syncRoot(volumeRoot); error != 0) {
    throw TestFolderNotRemovable(TestFolder::path(volume), std::error_code(error, std::generic_category()), true);
  }
}

void removeTestTree(int volumeRoot, dev_t device, const fs::path& volume) {
  if (const int error = removeTreeAt(volumeRoot, TestFolder::name, device); error != 0) {
    removalFailed(volumeRoot, volume, error);
  }
  confirmRemovedFromCard(volumeRoot, volume);
}

// Removes a folder the running check made, whatever it now holds. False when what
// stands at the folder's place is not one of the claimed folders.
bool removeClaimed(const fs::path& volume, const TestFolderClaim& claim) {
  FileDescriptor root(::open(volume.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!root) throw PosixError::fromErrno("open", volume.string());
  struct stat rootStatus {};
  if (::fstat(root.get(), &rootStatus) != 0) throw PosixError::fromErrno("fstat", volume.string());
  // The claim holds folders only.
  const auto standing = FolderIdentity::at(root.get(), TestFolder::name);
  if (!standing || !claim.holds(*standing)) return false;
  removeTestTree(root.get(), rootStatus.st_dev, volume);
  return true;
}

// Empties `own`, a folder a test made, of its test files and removes it from the
// volume's root. Only an empty folder can be removed, so whatever else was put in it
// keeps it; and it is removed only while it still stands at its place.
bool removeStanding(int root, int own) {
  bool emptied = true;
  for (const std::string& name : namesInDirectory(own)) {
    struct stat status {};
    const bool testFile = isTestFileName(name) && ::fstatat(own, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 &&
                          S_ISREG(status.st_mode);
    if (!testFile || ::unlinkat(own, name.c_str(), 0) != 0) emptied = false;
  }
  if (!emptied || FolderIdentity::at(root, TestFolder::name) != FolderIdentity::of(own)) return false;
  return ::unlinkat(root, TestFolder::name, AT_REMOVEDIR) == 0 && syncRoot(root) == 0;
}

// Whether a folder that is no longer at its place is still on the card: moved away,
// rather than removed.
bool stillLinked(int folder) {
  struct stat status {};
  return ::fstat(folder, &status) != 0 || status.st_nlink > 0;
}

// The clean-up of the folders a test made, each held open: see removeQuietly.
bool removeOwn(const fs::path& volume, const std::vector<FileDescriptor>& own, TestFolderClaim* claim) {
  const FileDescriptor root(::open(volume.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  const auto standing = root ? FolderIdentity::at(root.get(), TestFolder::name) : std::nullopt;
  bool gone = true;
  for (const FileDescriptor& folder : own) {
    if (standing && standing == FolderIdentity::of(folder.get())) {
      if (!removeStanding(root.get(), folder.get())) gone = false;
    } else if (stillLinked(folder.get())) {
      gone = false;
    }
  }
  if (!gone && claim) claim->noteLeftOnCard();
  return gone;
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
    if (::unlinkat(volumeRoot, name, 0) != 0) removalFailed(volumeRoot, volume, errno);
    confirmRemovedFromCard(volumeRoot, volume);
    return true;
  }
  if (!S_ISDIR(status.st_mode)) throw NotATestFolder(path(volume));
  {
    FileDescriptor folder(::openat(volumeRoot, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!folder) throw PosixError::fromErrno("open", where);
    if (!holdsTestFilesOnly(folder.get())) throw NotATestFolder(path(volume));
  }
  removeTestTree(volumeRoot, root.st_dev, volume);
  return true;
}

bool TestFolder::removeQuietly(const Prepared& prepared, TestFolderClaim* claim) noexcept {
  try {
    std::vector<FileDescriptor> own;
    own.emplace_back(::fcntl(prepared.files.fd(), F_DUPFD_CLOEXEC, 0));
    if (!own.back()) throw PosixError::fromErrno("fcntl", prepared.folder.string());
    return removeOwn(prepared.mount.volumePath(), own, claim);
  } catch (...) {
    if (claim) claim->noteLeftOnCard();
    return false;
  }
}

bool TestFolder::removeQuietly(const fs::path& volume, TestFolderClaim* claim) noexcept {
  try {
    std::vector<FileDescriptor> own = claim ? claim->heldFolders() : std::vector<FileDescriptor>();
    if (!own.empty()) return removeOwn(volume, own, claim);
    try {
      removeLeftovers(volume);
    } catch (const NotATestFolder&) {
      // The user's: no test's folder stands there.
    }
    return true;
  } catch (...) {
    if (claim) claim->noteLeftOnCard();
    return false;
  }
}

TestFolder::Prepared TestFolder::prepare(const fs::path& volume, TestFolderClaim* claim) {
  VolumeMount mount = VolumeMount::pin(volume.string());
  bool removed = false;
  try {
    removed = (claim && removeClaimed(volume, *claim)) || removeLeftovers(volume);
  } catch (const TestFolderNotRemovable& error) {
    // A card that is gone refuses nothing: its removal is for the caller to tell.
    if (error.cardRefusesWrites()) mount.confirmStillMounted();
    if (claim) claim->noteLeftOnCard();
    throw;
  }
  const fs::path folder = path(volume);
  std::error_code made;
  if (!fs::create_directory(folder, made)) {
    // A volume mounted read-only refuses the folder as a read-only card refuses writes.
    if (made.value() == EROFS) throw PosixError("mkdir", folder.string(), EROFS);
    throw fs::filesystem_error("cannot create the test folder", folder,
                               made ? made : std::make_error_code(std::errc::file_exists));
  }
  // What stands there when it cannot be opened as the folder just made (a link put in
  // its place, a folder on another file system) is not the test's.
  OpenFolder files = OpenFolder::open(folder, mount.rootDevice());
  if (claim) claim->hold(files.fd());
  Prepared prepared{folder, VolumeStats(), std::move(mount), std::move(files)};
  try {
    prepared.stats = removed ? VolumeStats::settled(folder.string(), 5.0) : VolumeStats(folder.string());
  } catch (...) {
    removeQuietly(prepared, claim);
    throw;
  }
  return prepared;
}

}  // namespace tessorin
