#include "tessorin/posix/TestFolder.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <optional>
#include <vector>

#include "tessorin/posix/FileDescriptor.hpp"
#include "tessorin/posix/FileIdentity.hpp"
#include "tessorin/posix/PosixError.hpp"
#include "tessorin/posix/TreeRemoval.hpp"
#include "tessorin/posix/NotATestFolder.hpp"
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

// What deleting the test's files from a folder left there.
struct Emptying {
  bool othersStay = false;
  int error = 0;
};

// Deletes the test's files from `folder`, through its descriptor, so that a folder put
// in its place meanwhile is never reached: plain files on the folder's own mount that
// `made` noted (or, with no record, as for an earlier test's leftovers, that are named
// as test files). Nothing else is touched, and no folder inside it is entered.
Emptying emptyFolder(int folder, MadeFiles* made) {
  Emptying result;
  const auto own = FileIdentity::of(folder);
  for (const std::string& name : namesInDirectory(folder)) {
    struct stat status {};
    const auto identity = FileIdentity::at(folder, name.c_str());
    const bool plainFile =
        ::fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(status.st_mode);
    const bool tests = made ? identity && made->holds(*identity) : isTestFileName(name);
    if (!own || !identity || !plainFile || !identity->onMountOf(*own) || !tests) {
      result.othersStay = true;
      continue;
    }
    if (::unlinkat(folder, name.c_str(), 0) == 0) {
      if (made) made->forget(*identity);
    } else if (errno != ENOENT && result.error == 0) {
      result.error = errno;
    }
  }
  return result;
}

// Removes a folder the running check made and holds, with the files it made there.
// False when what stands at the folder's place is none of the claimed folders. What
// anyone else put into it stays, and so does the folder, noted as left on the card.
bool removeClaimed(const fs::path& volume, TestFolderClaim& claim) {
  FileDescriptor root(::open(volume.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!root) throw PosixError::fromErrno("open", volume.string());
  const auto standing = FileIdentity::at(root.get(), TestFolder::name);
  if (!standing) return false;
  for (const TestFolderClaim::HeldFolder& held : claim.heldFolders()) {
    if (FileIdentity::of(held.fd.get()) != standing) continue;
    const Emptying emptied = emptyFolder(held.fd.get(), held.made.get());
    if (emptied.error != 0) removalFailed(root.get(), volume, emptied.error);
    if (emptied.othersStay) {
      claim.noteLeftOnCard();
      throw NotATestFolder::holdingOthers(TestFolder::path(volume));
    }
    // Moved away meanwhile: whatever stands there now is looked at as leftovers.
    if (FileIdentity::at(root.get(), TestFolder::name) != standing) return false;
    if (::unlinkat(root.get(), TestFolder::name, AT_REMOVEDIR) != 0) removalFailed(root.get(), volume, errno);
    confirmRemovedFromCard(root.get(), volume);
    return true;
  }
  return false;
}

// Empties `own`, a folder a test made, of the files it made there and removes it from
// the volume's root. Only an empty folder can be removed, so whatever else was put in it
// keeps it; and it is removed only while it still stands at its place.
bool removeStanding(int root, const TestFolderClaim::HeldFolder& own) {
  const Emptying emptied = emptyFolder(own.fd.get(), own.made.get());
  if (emptied.othersStay || emptied.error != 0 ||
      FileIdentity::at(root, TestFolder::name) != FileIdentity::of(own.fd.get())) {
    return false;
  }
  return ::unlinkat(root, TestFolder::name, AT_REMOVEDIR) == 0 && syncRoot(root) == 0;
}

// Whether a folder that is no longer at its place is still on the card: moved away,
// rather than removed.
bool stillLinked(int folder) {
  struct stat status {};
  return ::fstat(folder, &status) != 0 || status.st_nlink > 0;
}

// The clean-up of the folders a test made, each held open: see removeQuietly.
bool removeOwn(const fs::path& volume, const std::vector<TestFolderClaim::HeldFolder>& own, TestFolderClaim* claim) {
  const FileDescriptor root(::open(volume.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  const auto standing = root ? FileIdentity::at(root.get(), TestFolder::name) : std::nullopt;
  bool gone = true;
  for (const TestFolderClaim::HeldFolder& folder : own) {
    if (standing && standing == FileIdentity::of(folder.fd.get())) {
      if (!removeStanding(root.get(), folder)) gone = false;
    } else if (stillLinked(folder.fd.get())) {
      gone = false;
    }
  }
  if (!gone && claim) claim->noteLeftOnCard();
  return gone;
}

}  // namespace

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
  struct stat status {};
  if (::fstatat(volumeRoot, name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno == ENOENT) return false;
    throw PosixError::fromErrno("fstatat", where);
  }
  if (S_ISLNK(status.st_mode)) {
    // A folder swapped in meanwhile is not removed by this: unlinkat takes no folder.
    if (::unlinkat(volumeRoot, name, 0) != 0) removalFailed(volumeRoot, volume, errno);
    confirmRemovedFromCard(volumeRoot, volume);
    return true;
  }
  if (!S_ISDIR(status.st_mode)) throw NotATestFolder(path(volume));
  FileDescriptor folder(::openat(volumeRoot, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!folder && (errno == ENOTDIR || errno == ELOOP)) throw NotATestFolder(path(volume));
  if (!folder) throw PosixError::fromErrno("open", where);
  // A folder of the user's mounted in the test folder's place is the user's, whatever
  // it holds.
  const auto root = FileIdentity::of(volumeRoot);
  const auto opened = FileIdentity::of(folder.get());
  if (!root || !opened || !opened->onMountOf(*root) || !holdsTestFilesOnly(folder.get())) {
    throw NotATestFolder(path(volume));
  }
  const Emptying emptied = emptyFolder(folder.get(), nullptr);
  if (emptied.error != 0) removalFailed(volumeRoot, volume, emptied.error);
  // What was put in it, or in its place, since it was looked at stays.
  if (emptied.othersStay || FileIdentity::at(volumeRoot, name) != opened) throw NotATestFolder(path(volume));
  if (::unlinkat(volumeRoot, name, AT_REMOVEDIR) != 0) removalFailed(volumeRoot, volume, errno);
  confirmRemovedFromCard(volumeRoot, volume);
  return true;
}

bool TestFolder::removeQuietly(const Prepared& prepared, TestFolderClaim* claim) noexcept {
  try {
    std::vector<TestFolderClaim::HeldFolder> own;
    own.push_back({FileDescriptor(::fcntl(prepared.files.fd(), F_DUPFD_CLOEXEC, 0)), prepared.files.madeFiles()});
    if (!own.back().fd) throw PosixError::fromErrno("fcntl", prepared.folder.string());
    return removeOwn(prepared.mount.volumePath(), own, claim);
  } catch (...) {
    if (claim) claim->noteLeftOnCard();
    return false;
  }
}

bool TestFolder::removeQuietly(const fs::path& volume, TestFolderClaim* claim) noexcept {
  try {
    std::vector<TestFolderClaim::HeldFolder> own =
        claim ? claim->heldFolders() : std::vector<TestFolderClaim::HeldFolder>();
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
  FileDescriptor root(::open(volume.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!root) throw PosixError::fromErrno("open", volume.string());
  bool removed = false;
  try {
    removed = (claim && removeClaimed(volume, *claim)) || removeLeftoversAt(root.get(), volume);
  } catch (const TestFolderNotRemovable& error) {
    // A card that is gone refuses nothing: its removal is for the caller to tell.
    if (error.cardRefusesWrites()) mount.confirmStillMounted();
    if (claim) claim->noteLeftOnCard();
    throw;
  }
  const fs::path folder = path(volume);
  // Made and opened relative to the volume's root, and only the folder made is opened:
  // what stands at its place by then (a link, a folder of the user's swapped in, a folder
  // on another file system) is not the test's.
  std::optional<OpenFolder> made;
  try {
    made.emplace(OpenFolder::make(root.get(), name, folder, mount.rootDevice()));
  } catch (const PosixError& error) {
    // A volume mounted read-only refuses the folder as a read-only card refuses writes.
    if (error.operation() != "mkdir" || error.code() == EROFS) throw;
    throw fs::filesystem_error("cannot create the test folder", folder,
                               std::error_code(error.code(), std::generic_category()));
  }
  OpenFolder files = std::move(*made);
  if (claim) claim->hold(files.fd(), files.madeFiles());
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
