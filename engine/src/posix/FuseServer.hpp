#pragma once
// The file system of a block device that a FUSE program serves, told by the program
// itself: every process's command line is open to every user, and the FUSE drivers of
// removable media name their format in their program's name and take the device as an
// argument ("mount.exfat-fuse /dev/sdb1 /media/card", "ntfs-3g /dev/sdc1 ..."). Where
// neither the device nor a system record can be read, this is what still tells an exFAT
// card from the "fuseblk" the mount table shows. Safe from any thread.

#include <optional>
#include <string>

namespace tessorin {

// "exfat" or "ntfs" for a device served by a known FUSE driver; absent otherwise.
std::optional<std::string> fuseServedFileSystem(const std::string& deviceNode, const std::string& procFolder);

// The format a FUSE driver's program name stands for: "mount.exfat-fuse" and "exfat-fuse"
// give "exfat", "ntfs-3g", "lowntfs-3g" and "mount.ntfs-3g" give "ntfs"; other names nothing.
std::optional<std::string> fileSystemOfFuseProgram(const std::string& programPath);

}  // namespace tessorin
