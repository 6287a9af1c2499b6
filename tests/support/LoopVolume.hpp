#pragma once
// LoopVolume: a real, mounted volume for tests. A file (a sparse image, or a simulated
// card served by the counterfeit harness) attached to a loop device, formatted and
// mounted: exFAT through mount.exfat-fuse (this kernel has no exFAT driver) or ext4
// through the kernel. Everything is torn down when the object goes, also after a failed
// test; a volume the medium has wrecked is unmounted lazily.
//
// Needs root, /dev/fuse and loop devices. Tests call TESSORIN_REQUIRE_VOLUMES() first:
// where these are missing they skip, except under CI=true, where they fail.

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "DiskReservation.hpp"
#include "TemporaryFolder.hpp"

namespace tessorin::testing {

enum class FileSystemKind { exfat, ext4 };

// How the loop device reaches its backing file: through the host's page cache of that
// file, or around it (losetup --direct-io=on).
enum class LoopIo { buffered, direct };

// Empty when volumes can be made here, else why not.
std::string volumesUnavailableReason();

// Detaches the loop device while it is still bound to backingFile, waiting a moment for a
// FUSE daemon to let go of it. A device that is no longer bound to that file is left
// alone: once it has gone, another test may have taken its number.
void detachLoopDevice(const std::string& node, const std::string& backingFile);

class LoopVolume {
 public:
  // A sparse image of `bytes` in a temporary folder, formatted and mounted.
  static std::unique_ptr<LoopVolume> create(FileSystemKind kind, std::uint64_t bytes,
                                            const std::string& label = "TESTCARD");
  // A loop device over an existing file (which the caller keeps alive longer than this),
  // formatted unless format is false, and mounted.
  static std::unique_ptr<LoopVolume> onFile(const std::string& backingFile, FileSystemKind kind,
                                            const std::string& label = "TESTCARD", bool format = true,
                                            LoopIo io = LoopIo::buffered);
  // Only a loop device over an existing file: no file system, no mount point. For tests
  // of the medium itself.
  static std::unique_ptr<LoopVolume> attach(const std::string& backingFile, LoopIo io = LoopIo::buffered);
  ~LoopVolume();
  LoopVolume(const LoopVolume&) = delete;
  LoopVolume& operator=(const LoopVolume&) = delete;

  const std::string& mountPoint() const { return mountPoint_; }
  const std::string& loopDevice() const { return loopDevice_; }
  FileSystemKind kind() const { return kind_; }

  // True when the volume came off at once; false when something still held it open and
  // it was detached lazily (or it was not mounted).
  bool unmount();
  // Mounts the loop device again at the same place; false when the file system no
  // longer mounts (a wrapping fake may have overwritten its structures), or when the
  // volume is a bare loop device.
  bool mount();
  bool isMounted() const { return mounted_; }
  // Mounts an exFAT volume again for an ordinary user, as a desktop mounts a card for the
  // user at it: the files are that user's and the way to the mount point is open to
  // everyone. Later mounts keep the owner. False when it no longer mounts.
  bool mountFor(uid_t uid, gid_t gid);

 private:
  LoopVolume() = default;
  void attachLoopDevice(const std::string& backingFile, LoopIo io);
  void formatAndMount(const std::string& label, bool format);
  void awaitDaemonLettingGo() const;
  void forgetCachedDevice() const;

  std::unique_ptr<TemporaryFolder> folder_;
  std::unique_ptr<DiskReservation> reservation_;  // gone before the folder, so waiting tests see the space
  std::string loopDevice_;
  std::string backingFile_;
  std::string mountPoint_;
  FileSystemKind kind_ = FileSystemKind::exfat;
  bool mounted_ = false;
  std::optional<std::string> ownerOptions_;  // exfat-fuse's uid= and gid=
};

}  // namespace tessorin::testing

#define TESSORIN_REQUIRE_VOLUMES()                                                                   \
  do {                                                                                               \
    const std::string tessorinWhyNot = ::tessorin::testing::volumesUnavailableReason();              \
    if (!tessorinWhyNot.empty()) {                                                                   \
      const char* tessorinCi = std::getenv("CI");                                                    \
      if (tessorinCi && std::string(tessorinCi) == "true") FAIL() << "CI must run volume tests: " << tessorinWhyNot; \
      GTEST_SKIP() << "volume tests skipped: " << tessorinWhyNot;                                    \
    }                                                                                                \
  } while (0)
