#include "tessorin/posix/WorkerThread.hpp"

#include <pthread.h>

namespace tessorin {

std::string operatingSystemThreadName(const std::string& runName) {
  constexpr std::size_t limit = 15;
  const std::string prefix = "Tessorin ";
  std::string name = runName;
  if (name.size() > limit && name.rfind(prefix, 0) == 0) name = "Tsr " + name.substr(prefix.size());
  if (name.size() > limit) name.resize(limit);
  return name;
}

void nameCurrentThread(const std::string& runName) {
  pthread_setname_np(pthread_self(), operatingSystemThreadName(runName).c_str());
}

}  // namespace tessorin
