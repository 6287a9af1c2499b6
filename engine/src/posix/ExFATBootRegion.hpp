#pragma once
// What an exFAT volume says about itself at its start: the main boot sector (the file
// system's name and volume serial number) and the volume label entry of the root
// directory, which lies in the first clusters of the cluster heap. Nothing past that is
// read, so a card that fails reads beyond its real size still answers. Reads through the
// given descriptor of a block device or image; safe from any thread.

#include <optional>
#include <string>

namespace tessorin {

struct ExFATIdentity {
  std::string uuid;   // the volume serial number as "1234-ABCD"
  std::string label;  // UTF-8, empty when the volume has none
};

// Absent when the device holds no exFAT boot sector, or it cannot be read.
std::optional<ExFATIdentity> readExFATBootRegion(int device);

}  // namespace tessorin
