#pragma once
// CardFormatter: erases a whole card or USB drive as one exFAT volume in an MBR
// partition table, under a new name, and mounts it again: through the desktop's disk
// service (UDisks2) when it answers, else, as root, with wipefs, sfdisk and mkfs.exfat
// run by absolute path. Before anything is erased it finds the whole disk behind the
// volume and refuses, failing closed: a disk it cannot describe, the disk of any mounted
// system file system (/, /boot, /boot/efi, /usr, /var, /home, swap, the live medium), eMMC,
// internal fixed disks, and a disk whose card is being checked. It acts only on the card
// the user chose: the volume must still be mounted exactly where it was, from the same
// device node, on a disk of the same name and size, with the same file-system UUID, both
// when the disk is chosen and again right before anything is wiped. Another card with
// the same label in the same reader, or a pulled card's folder on an enclosing disk,
// fails these checks.
//
// Stateless. `erase` blocks for as long as erasing takes: call it off the main thread.

#include <cstdint>
#include <exception>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <QString>

#include "session/system/BlockDevices.hpp"
#include "tessorin/identity/CardDevice.hpp"
#include "tessorin/posix/MountTable.hpp"

namespace tessorin {

// The card as the session knew it when the user chose it. Empty or zero fields are not
// known and not compared; the volume and its device node always are.
struct ExpectedCard {
  std::filesystem::path volume;  // its own mount point
  std::string deviceNode;        // "/dev/sdb1"
  std::string wholeDiskName;     // "sdb"
  std::uint64_t mediaBytes = 0;
  std::string uuid;              // the file system's

  static ExpectedCard of(const CardDevice& device);
};

class CardFormatter {
 public:
  class Failure : public std::exception {
   public:
    enum class Kind { failed, notFound, notRemovable, busy };

    static Failure failed(std::string lastLine) { return Failure(Kind::failed, std::move(lastLine)); }
    static Failure notFound() { return Failure(Kind::notFound, {}); }
    static Failure notRemovable() { return Failure(Kind::notRemovable, {}); }
    static Failure busy() { return Failure(Kind::busy, {}); }

    Kind kind() const { return kind_; }
    const std::string& detail() const { return detail_; }
    const char* what() const noexcept override { return description_.c_str(); }

   private:
    Failure(Kind kind, std::string detail);
    Kind kind_;
    std::string detail_;
    std::string description_;
  };

  // What the safety checks look at; `system()` reads the running machine.
  struct Facts {
    BlockDevices devices;
    MountTable mounts;
    std::vector<std::string> swapDevices;
    // eMMC soldered on the board (an SD card in a slot says "SD").
    std::function<bool(const std::string& diskName)> isEMMC;

    // Nothing when the block devices cannot be described.
    static std::optional<Facts> system();
  };

  // The name the card will get: no "/", ":" or control characters, at most 11 UTF-16
  // units (the exFAT limit) without splitting a character, spaces and tabs trimmed,
  // "CARD" when nothing is left.
  static QString sanitize(const QString& name);

  // The whole disk that may be erased (or ejected) for the card, or a thrown Failure.
  static std::string checkedWholeDisk(const ExpectedCard& card, const std::set<std::string>& busyDisks,
                                      const Facts& facts);
  // The disks that hold a mounted system file system or swap; nothing when one of them
  // cannot be traced to its disk.
  static std::optional<std::set<std::string>> systemDisks(const Facts& facts);

  // Where the disk's file systems are mounted, FUSE mounts of its partitions included,
  // innermost first, as the mount table says (lsblk splits a mount point at a line break).
  static std::vector<std::string> mountPointsOf(const Facts& facts, const std::string& diskName);
  // Whether the card's node still holds the file system the user chose: its UUID read
  // from the medium equals the expected one (true when none is expected).
  static bool stillHoldsFileSystem(const ExpectedCard& card);

  // A folder made just now under parent for the erased card to be mounted on: named
  // after the label, numbered past any that exist; empty when none could be made.
  static std::filesystem::path newMountPoint(const std::filesystem::path& parent, const std::string& label);

  // Erases the card; returns where the new volume is mounted (empty when it could not
  // be mounted again). Throws Failure, or std::system_error when a tool cannot start.
  static std::string erase(const ExpectedCard& card, const QString& name, const std::set<std::string>& busyDisks);
};

}  // namespace tessorin
