#pragma once
// Reads of a volume's device node past every cache of the host: what the card itself
// returns. Reading a device node needs the rights of its owner (root, or the disk group
// on most systems); without them nothing opens. Stateless; used on a run's thread.

#include <cstddef>
#include <cstdint>
#include <string>

#include "tessorin/posix/FileDescriptor.hpp"

namespace tessorin {

// The device opened for reading with O_DIRECT, or without it and with the host's cached
// pages of it dropped where O_DIRECT is refused; invalid when it cannot be opened.
FileDescriptor openDeviceUncached(const std::string& deviceNode);

// Reads what it can of [offset, offset + count); returns the bytes read, 0 on failure.
std::size_t readDeviceFully(int fd, unsigned char* buffer, std::size_t count, std::uint64_t offset);

}  // namespace tessorin
