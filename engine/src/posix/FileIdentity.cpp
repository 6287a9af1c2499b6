#include "tessorin/posix/FileIdentity.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace tessorin {

namespace {

std::optional<FileIdentity> identify(int directory, const char* name, int flags) {
  struct statx status {};
  if (::statx(directory, name, flags | AT_STATX_SYNC_AS_STAT, STATX_INO | STATX_MNT_ID, &status) != 0) {
    return std::nullopt;
  }
  FileIdentity identity;
  identity.device = makedev(status.stx_dev_major, status.stx_dev_minor);
  identity.inode = status.stx_ino;
  if ((status.stx_mask & STATX_MNT_ID) != 0) identity.mountId = status.stx_mnt_id;
  return identity;
}

}  // namespace

std::optional<FileIdentity> FileIdentity::of(int fd) { return identify(fd, "", AT_EMPTY_PATH); }

std::optional<FileIdentity> FileIdentity::at(int parent, const char* name) {
  return identify(parent, name, AT_SYMLINK_NOFOLLOW);
}

}  // namespace tessorin
