#include "tessorin/posix/MadeFiles.hpp"

#include <fcntl.h>
#include <sys/resource.h>

#include <algorithm>
#include <mutex>

namespace tessorin {

namespace {

// A test pins one descriptor per file it made, up to about a thousand; the soft limit
// many desktops start programs with is 1024, kept low only for select(), which this
// program does not use.
void allowManyOpenFiles() {
  static std::once_flag raised;
  std::call_once(raised, [] {
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
      limit.rlim_cur = limit.rlim_max;
      ::setrlimit(RLIMIT_NOFILE, &limit);
    }
  });
}

}  // namespace

bool MadeFiles::note(int folder, const char* name, int file) {
  allowManyOpenFiles();
  const auto identity = FileIdentity::of(file);
  if (!identity) return false;
  // Without a pin (no descriptor left) the file is still known, until the FUSE file
  // system numbers it anew.
  FileDescriptor pin(::openat(folder, name, O_PATH | O_NOFOLLOW | O_CLOEXEC));
  if (pin && FileIdentity::of(pin.get()) != identity) return false;
  std::lock_guard guard(lock_);
  made_.push_back(Made{*identity, std::move(pin)});
  return true;
}

bool MadeFiles::holds(const FileIdentity& file) const {
  std::lock_guard guard(lock_);
  return std::any_of(made_.begin(), made_.end(), [&file](const Made& made) { return made.identity == file; });
}

void MadeFiles::forget(const FileIdentity& file) {
  std::lock_guard guard(lock_);
  std::erase_if(made_, [&file](const Made& made) { return made.identity == file; });
}

}  // namespace tessorin
