#include "tessorin/posix/OpenFolder.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "tessorin/posix/FileIdentity.hpp"
#include "tessorin/posix/NotATestFolder.hpp"
#include "tessorin/posix/PosixError.hpp"
#include "tessorin/posix/TreeRemoval.hpp"

namespace tessorin {

namespace {

bool writes(int flags) { return (flags & O_ACCMODE) != O_RDONLY; }

FileDescriptor openFolderAt(int parent, const char* name, const std::filesystem::path& path, dev_t device) {
  FileDescriptor folder(::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!folder) throw PosixError::fromErrno("open", path.string());
  struct stat status {};
  if (::fstat(folder.get(), &status) != 0) throw PosixError::fromErrno("open", path.string());
  if (status.st_dev != device) throw PosixError("open", path.string(), EXDEV);
  return folder;
}

// Opens anew the file an O_PATH descriptor stands for: the very file that was looked at,
// whatever has been put at its name since.
int reopen(int pin, int flags) {
  const std::string self = "/proc/self/fd/" + std::to_string(pin);
  return ::open(self.c_str(), flags | O_CLOEXEC | O_NOCTTY);
}

}  // namespace

OpenFolder OpenFolder::open(const std::filesystem::path& path, dev_t device) {
  return OpenFolder(openFolderAt(AT_FDCWD, path.c_str(), path, device), path, false);
}

OpenFolder OpenFolder::make(int parent, const std::string& name, const std::filesystem::path& path, dev_t device) {
  if (::mkdirat(parent, name.c_str(), 0777) != 0) throw PosixError::fromErrno("mkdir", path.string());
  // No call hands back the folder mkdir made, so it is known by what stood at its name
  // right after, and must be that when opened, on the parent's mount, and empty, as a
  // folder just made is: a folder swapped in before the first look holds the user's files.
  const auto made = FileIdentity::at(parent, name.c_str());
  FileDescriptor folder;
  try {
    folder = openFolderAt(parent, name.c_str(), path, device);
  } catch (const PosixError& error) {
    if (error.code() == ELOOP || error.code() == ENOTDIR || error.code() == EXDEV) throw NotATestFolder(path);
    throw;
  }
  const auto opened = FileIdentity::of(folder.get());
  const auto above = FileIdentity::of(parent);
  if (!made || opened != made || !above || !opened->onMountOf(*above) || !namesInDirectory(folder.get()).empty()) {
    throw NotATestFolder(path);
  }
  return OpenFolder(std::move(folder), path, true);
}

void OpenFolder::knowMadeFiles(std::shared_ptr<MadeFiles> made) {
  made_ = std::move(made);
  filesKnown_ = true;
}

FileDescriptor OpenFolder::createFile(const std::string& name, int flags) const {
  FileDescriptor file(
      ::openat(fd_.get(), name.c_str(), flags | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode_t{0644}));
  if (!file && errno == EEXIST) throw NotATestFolder(pathOf(name));
  if (!file) throw PosixError::fromErrno("open", pathOf(name));
  if (!made_->note(fd_.get(), name.c_str(), file.get())) throw NotATestFolder(pathOf(name));
  return file;
}

FileDescriptor OpenFolder::openFile(const std::string& name, int flags) const {
  if ((flags & (O_CREAT | O_TRUNC)) != 0) throw std::invalid_argument("test files are made with createFile");
  // An O_PATH descriptor opens nothing: what stands at the name is looked at before
  // anything of it is opened.
  const FileDescriptor pin(::openat(fd_.get(), name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
  if (!pin) throw PosixError::fromErrno("open", pathOf(name));
  confirmTestFile(pin.get(), name);
  if (writes(flags) && !filesKnown_) throw NotATestFolder(pathOf(name));
  FileDescriptor file(reopen(pin.get(), flags));
  if (!file) throw PosixError::fromErrno("open", pathOf(name));
  return file;
}

void OpenFolder::confirmTestFile(int pin, const std::string& name) const {
  struct stat status {};
  const auto identity = FileIdentity::of(pin);
  const auto folder = FileIdentity::of(fd_.get());
  const bool plainFile = ::fstat(pin, &status) == 0 && S_ISREG(status.st_mode);
  if (!plainFile || !identity || !folder || !identity->onMountOf(*folder) ||
      (filesKnown_ && !made_->holds(*identity))) {
    throw NotATestFolder(pathOf(name));
  }
}

void OpenFolder::removeFile(const std::string& name) const noexcept {
  const auto identity = FileIdentity::at(fd_.get(), name.c_str());
  if (!identity || !made_->holds(*identity)) return;
  if (::unlinkat(fd_.get(), name.c_str(), 0) == 0) made_->forget(*identity);
}

}  // namespace tessorin
