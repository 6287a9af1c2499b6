#include "tessorin/posix/OpenFolder.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "tessorin/posix/NotATestFolder.hpp"
#include "tessorin/posix/PosixError.hpp"

namespace tessorin {

namespace {

bool writes(int flags) { return (flags & O_ACCMODE) != O_RDONLY; }

}  // namespace

OpenFolder OpenFolder::open(const std::filesystem::path& path, dev_t device) {
  FileDescriptor folder(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!folder) throw PosixError::fromErrno("open", path.string());
  struct stat status {};
  if (::fstat(folder.get(), &status) != 0) throw PosixError::fromErrno("open", path.string());
  if (status.st_dev != device) throw PosixError("open", path.string(), EXDEV);
  return OpenFolder(std::move(folder), path);
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
  FileDescriptor file(::openat(fd_.get(), name.c_str(), flags | O_NOFOLLOW | O_CLOEXEC));
  if (!file) throw PosixError::fromErrno("open", pathOf(name));
  if (writes(flags)) confirmMade(file.get(), name);
  return file;
}

void OpenFolder::confirmMade(int file, const std::string& name) const {
  const auto identity = FileIdentity::of(file);
  if (!identity || !made_->holds(*identity)) throw NotATestFolder(pathOf(name));
}

void OpenFolder::removeFile(const std::string& name) const noexcept {
  const auto identity = FileIdentity::at(fd_.get(), name.c_str());
  if (!identity || !made_->holds(*identity)) return;
  if (::unlinkat(fd_.get(), name.c_str(), 0) == 0) made_->forget(*identity);
}

}  // namespace tessorin
