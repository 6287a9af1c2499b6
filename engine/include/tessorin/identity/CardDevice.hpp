#pragma once
// CardDevice: one mounted card or drive as the device scanner found it: where it is
// mounted, which disk holds it, how that disk is attached, the reader, the card's
// identity registers, the volume's figures and whether an earlier test left files. Only
// the scanner builds one; everything else reads it. A plain value, safe to copy to any
// thread.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "tessorin/identity/CardRegisters.hpp"
#include "tessorin/identity/USBInfo.hpp"
#include "tessorin/posix/VolumeStats.hpp"

namespace tessorin {

struct CardDevice {
  // How the medium is attached. `other` carries the interconnect's name as the system
  // reports it (possibly empty); for the other kinds the name is ignored.
  struct Connection {
    enum class Kind { builtInReader, usb, diskImage, other };

    Kind kind = Kind::other;
    std::string interconnect;

    static Connection builtInReader() { return {Kind::builtInReader, {}}; }
    static Connection usb() { return {Kind::usb, {}}; }
    static Connection diskImage() { return {Kind::diskImage, {}}; }
    static Connection other(std::string interconnect) { return {Kind::other, std::move(interconnect)}; }

    friend bool operator==(const Connection& a, const Connection& b) {
      return a.kind == b.kind && (a.kind != Kind::other || a.interconnect == b.interconnect);
    }
  };

  // The volume's UUID, else bsdName: how a card is recognised across rescans. Cards
  // cloned from one image share a UUID; the scanner then adds the device name to the id
  // of all but the first, so an id is never a file-system UUID to compare.
  std::string id;
  // The file system's UUID as read from the medium; empty when unknown. Every check that
  // the card is still the same one compares this.
  std::string fileSystemUUID;
  std::filesystem::path volumeURL;  // mount point
  std::string volumeName;
  std::string bsdName;              // the volume's device node without "/dev/", e.g. "sdb1"
  std::string wholeDiskBSDName;     // the disk holding the volume, e.g. "sdb"
  std::uint64_t mediaBytes = 0;     // the whole medium
  Connection connection;
  std::optional<std::string> readerName;
  // Present exactly when the reader's driver publishes the card's registers.
  std::optional<CardRegisters> registers;
  VolumeStats volume;
  bool hasLeftoverTestFiles = false;
  std::optional<USBInfo> usb;       // only with a `usb` connection
  std::optional<std::string> partitionScheme;
  std::optional<std::uint64_t> partitionOffset;  // absent when the volume fills the disk

  // A USB-attached device without registers may be any USB drive, so it does not count.
  bool isSDCard() const { return registers.has_value() || connection.kind == Connection::Kind::builtInReader; }

  friend bool operator==(const CardDevice&, const CardDevice&) = default;
};

}  // namespace tessorin

template <>
struct std::hash<tessorin::CardDevice::Connection> {
  std::size_t operator()(const tessorin::CardDevice::Connection& connection) const noexcept;
};

template <>
struct std::hash<tessorin::CardDevice> {
  std::size_t operator()(const tessorin::CardDevice& device) const noexcept;
};
