#include "UnremovableTestFolder.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "DeviceHolders.hpp"
#include "tessorin/posix/FileDescriptor.hpp"
#include "tessorin/posix/TestFolder.hpp"

namespace tessorin::testing {

namespace {

constexpr std::size_t sectorSize = 512;
const std::string fileName = TestFolder::numberedFileName('F', 1);

// How the file's name is stored in its folder's directory: UTF-16LE in an exFAT file
// name entry, bytes in an ext4 directory entry.
std::string storedName(FileSystemKind kind) {
  if (kind == FileSystemKind::ext4) return fileName;
  std::string utf16;
  for (const char c : fileName) utf16 += {c, '\0'};
  return utf16;
}

// Right after an unmount the device is not yet free for a moment: the daemon of a FUSE
// volume closes it after answering the unmount, udev probes it once it was written, and
// a desktop's disk service or another program listing the machine's volumes may look at
// it. Like any program that writes a disk the user just unmounted, this waits for it to
// be free, within a bound, and says who kept it.
FileDescriptor openExclusively(const std::string& device) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  for (;;) {
    FileDescriptor fd(::open(device.c_str(), O_RDWR | O_EXCL | O_CLOEXEC));
    if (fd) return fd;
    const int error = errno;
    if ((error != EBUSY && error != EAGAIN && error != EINTR) || std::chrono::steady_clock::now() >= deadline) {
      std::string message = "cannot open " + device + " alone: " + std::strerror(error);
      struct stat status {};
      if (::stat(device.c_str(), &status) == 0) {
        for (const std::string& holder : otherProcessesHolding(status.st_rdev)) message += "; held by " + holder;
      }
      throw std::runtime_error(message);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

// The start of every sector of the device that holds `needle` (it fits in one sector).
std::vector<off_t> sectorsHolding(int device, const std::string& needle) {
  std::vector<off_t> found;
  std::vector<char> buffer(std::size_t{1} << 20);
  for (off_t at = 0;; at += static_cast<off_t>(buffer.size())) {
    const ssize_t got = ::pread(device, buffer.data(), buffer.size(), at);
    if (got <= 0) break;
    for (auto hit = buffer.begin(); (hit = std::search(hit, buffer.begin() + got, needle.begin(), needle.end())) !=
                                    buffer.begin() + got;
         ++hit) {
      found.push_back((at + (hit - buffer.begin())) / sectorSize * sectorSize);
    }
  }
  return found;
}

// What a wrapped write leaves in a sector: data of the test, nothing a directory means.
void overwriteSector(int device, off_t sector) {
  const std::vector<char> data(sectorSize, static_cast<char>(0xA5));
  if (::pwrite(device, data.data(), data.size(), sector) != static_cast<ssize_t>(data.size())) {
    throw std::runtime_error("cannot overwrite a sector of the test folder");
  }
}

}  // namespace

UnremovableTestFolder::UnremovableTestFolder(LoopVolume& volume) {
  const std::filesystem::path folder = TestFolder::path(volume.mountPoint());
  std::filesystem::create_directory(folder);
  std::ofstream(folder / fileName, std::ios::binary) << std::string(64 * 1024, 'x');
  volume.unmount();
  {
    const FileDescriptor device = openExclusively(volume.loopDevice());
    const std::vector<off_t> sectors = sectorsHolding(device.get(), storedName(volume.kind()));
    if (sectors.empty()) throw std::runtime_error("the test folder's entry was not found on " + volume.loopDevice());
    for (const off_t sector : sectors) overwriteSector(device.get(), sector);
    ::fsync(device.get());
  }
  if (!volume.mount()) throw std::runtime_error("the volume did not mount again");
}

}  // namespace tessorin::testing
