#include "session/system/CardLook.hpp"

#include "session/system/CardFiles.hpp"
#include "tessorin/posix/PosixError.hpp"

namespace tessorin {

CardLook CardLook::take(const std::filesystem::path& folder, const std::string& deviceNode,
                        const std::string& fileSystemUUID) {
  CardLook look;
  try {
    CardFiles::open(folder, deviceNode, fileSystemUUID);
  } catch (const PosixError& error) {
    // ENODEV: another mount, or a folder on the disk below; EPERM: the running system's disk.
    const bool elsewhere = error.code() == ENODEV || error.code() == ENOENT || error.code() == ENOTDIR ||
                           error.code() == EPERM || error.code() == ELOOP;
    look.place = elsewhere ? Place::elsewhere : Place::unreadable;
    if (!elsewhere) look.failure = error.description();
    return look;
  } catch (const std::exception& error) {
    look.place = Place::unreadable;
    look.failure = error.what();
    return look;
  }
  look.place = Place::card;
  try {
    look.figures = VolumeStats(folder.string());
  } catch (...) {
    // The card answered its open; figures it will not give leave the known ones standing.
  }
  return look;
}

}  // namespace tessorin
