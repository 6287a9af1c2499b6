#include "session/system/QuickCheckReach.hpp"

#include <sys/utsname.h>

#include <cstdio>
#include <fstream>

namespace tessorin {

namespace {

constexpr int reservingMajor = 6;
constexpr int reservingMinor = 8;

bool fileMentions(const std::string& path, const std::string& word) {
  std::ifstream file(path);
  std::string line;
  while (std::getline(file, line)) {
    if (line.find(word) != std::string::npos) return true;
  }
  return false;
}

bool kernelHasExFAT(const std::string& release) {
  if (fileMentions("/proc/filesystems", "\texfat")) return true;
  const std::string modules = "/lib/modules/" + release;
  return fileMentions(modules + "/modules.builtin", "/exfat.ko") || fileMentions(modules + "/modules.dep", "/exfat.ko");
}

}  // namespace

HostSystem HostSystem::withRelease(const std::string& release, bool kernelExFAT) {
  HostSystem host;
  host.kernelExFAT = kernelExFAT;
  int major = 0;
  int minor = 0;
  if (std::sscanf(release.c_str(), "%d.%d", &major, &minor) == 2 && major >= 0 && minor >= 0) {
    host.kernelMajor = major;
    host.kernelMinor = minor;
  }
  return host;
}

const HostSystem& HostSystem::current() {
  static const HostSystem host = [] {
    struct utsname names {};
    if (::uname(&names) != 0) return HostSystem{};
    return withRelease(names.release, kernelHasExFAT(names.release));
  }();
  return host;
}

bool HostSystem::kernelExFATReserves() const {
  return kernelMajor > reservingMajor || (kernelMajor == reservingMajor && kernelMinor >= reservingMinor);
}

QuickCheckReach quickCheckReach(const VolumeStats& volume, const HostSystem& host) {
  if (!volume.isExFAT()) return QuickCheckReach::notExFAT;
  // A volume whose driver is not known is taken to be mounted as this kernel would mount it.
  const bool kernelDriver = volume.mountType.empty() ? host.kernelExFAT : volume.mountType == "exfat";
  return kernelDriver && host.kernelExFATReserves() ? QuickCheckReach::runs
                                                    : QuickCheckReach::driverWritesReservedSpace;
}

bool exFATWouldGiveQuickCheck(const HostSystem& host) { return host.kernelExFAT && host.kernelExFATReserves(); }

}  // namespace tessorin
