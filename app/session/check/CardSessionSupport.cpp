#include "session/check/CardSessionSupport.hpp"

#include "tessorin/posix/CancellationFlag.hpp"
#include "tessorin/posix/PosixError.hpp"

namespace tessorin::session_support {

namespace fs = std::filesystem;

namespace {

constexpr double settleSeconds = 5;

}  // namespace

QString describe(const std::exception& error) { return QString::fromStdString(error.what()); }

std::string deviceNodeOf(const CardDevice& device) {
  if (!device.volume.deviceNode.empty()) return device.volume.deviceNode;
  return device.bsdName.empty() ? std::string() : "/dev/" + device.bsdName;
}

std::string fileSystemUUIDOf(const CardDevice& device) { return device.fileSystemUUID; }

std::optional<VolumeStats> settledStats(const fs::path& volume) {
  try {
    return VolumeStats::settled(volume.string(), settleSeconds);
  } catch (...) {
    return std::nullopt;
  }
}

bool isCancellation(const std::exception_ptr& failure) {
  if (!failure) return false;
  try {
    std::rethrow_exception(failure);
  } catch (const CancelledError&) {
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace tessorin::session_support
