#pragma once
// ParallelDeviceScan: the system's device scan, bounded in time however slowly a device
// answers. Each mounted volume is described on a thread of its own and the scan waits
// for them up to its patience, then answers with what it has: a volume still being
// described keeps the description it had at the last scan (it is still mounted), a new
// one is left out until it answers, and then the late-answer handler asks for another
// scan. A description under way is never started twice; a volume whose description fails
// while its mount stands keeps its last one too. A card that stops answering thus holds
// back its own row, not the others, and is removed only when its mount or device goes.
//
// What a volume was when it was mounted (UUID, label) is read once per mount and kept in
// MountIdentities while that mount stands.
//
// `scan` is called by one thread at a time; `noteMountTable` and `setLateAnswerHandler`
// from any thread. Threads still describing a device that does not answer are detached
// and hold only the state they share with the scan, so the scan may go before them.

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include "tessorin/identity/CardDevice.hpp"
#include "tessorin/identity/DeviceScanner.hpp"
#include "tessorin/posix/MountTable.hpp"

namespace tessorin {

class ParallelDeviceScan {
 public:
  static constexpr std::chrono::milliseconds defaultPatience{300};

  explicit ParallelDeviceScan(DeviceScanner::Sources sources = DeviceScanner::Sources::system(),
                              std::chrono::milliseconds patience = defaultPatience);
  ~ParallelDeviceScan();
  ParallelDeviceScan(const ParallelDeviceScan&) = delete;
  ParallelDeviceScan& operator=(const ParallelDeviceScan&) = delete;

  std::vector<CardDevice> scan(bool includeDiskImages);
  // Called, on the describing thread, when a description a scan gave up waiting for has
  // come; empty: nobody is told.
  void setLateAnswerHandler(std::function<void()> handler);
  // A mount table read elsewhere (the mount watcher's): mounts it no longer lists are
  // forgotten at once, so a volume mounted again there between two scans is read afresh.
  void noteMountTable(const MountTable& table);

 private:
  struct Shared;
  std::shared_ptr<Shared> shared_;
  std::chrono::milliseconds patience_;
};

}  // namespace tessorin
