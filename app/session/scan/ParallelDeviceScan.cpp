#include "session/scan/ParallelDeviceScan.hpp"

#include <future>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "tessorin/identity/MountIdentities.hpp"

namespace tessorin {

namespace {

using Key = MountIdentities::Key;
using Description = std::optional<CardDevice>;

// One volume being described, shared by the scans that wait for it and its thread.
struct Describing {
  std::shared_future<Description> answer;
  bool late = false;  // a scan gave up waiting; guarded by Shared::mutex
};

}  // namespace

struct ParallelDeviceScan::Shared {
  MountIdentities identities;
  DeviceScanner::Sources sources;
  std::mutex mutex;
  std::map<Key, std::shared_ptr<Describing>> running;
  std::map<Key, CardDevice> last;
  std::function<void()> lateAnswer;
};

ParallelDeviceScan::ParallelDeviceScan(DeviceScanner::Sources sources, std::chrono::milliseconds patience)
    : shared_(std::make_shared<Shared>()), patience_(patience) {
  shared_->sources = std::move(sources);
  shared_->sources.identities = &shared_->identities;
}

ParallelDeviceScan::~ParallelDeviceScan() { setLateAnswerHandler({}); }

void ParallelDeviceScan::setLateAnswerHandler(std::function<void()> handler) {
  const std::lock_guard lock(shared_->mutex);
  shared_->lateAnswer = std::move(handler);
}

void ParallelDeviceScan::noteMountTable(const MountTable& table) { shared_->identities.see(table); }

std::vector<CardDevice> ParallelDeviceScan::scan(bool includeDiskImages) {
  const auto deadline = std::chrono::steady_clock::now() + patience_;
  const std::vector<DeviceScanner::Candidate> candidates = DeviceScanner::candidates(shared_->sources);

  std::vector<std::pair<Key, std::shared_ptr<Describing>>> waits;
  {
    const std::lock_guard lock(shared_->mutex);
    for (const DeviceScanner::Candidate& candidate : candidates) {
      const Key key = Key::of(candidate.mount);
      std::shared_ptr<Describing>& describing = shared_->running[key];
      if (!describing) {
        std::promise<Description> promise;
        describing = std::make_shared<Describing>();
        describing->answer = promise.get_future().share();
        std::thread([shared = shared_, describing, candidate, includeDiskImages,
                     promise = std::move(promise)]() mutable {
          promise.set_value(DeviceScanner::describe(candidate, includeDiskImages, shared->sources));
          // Under the lock, so that a handler being cleared is never called afterwards.
          const std::lock_guard lock(shared->mutex);
          if (describing->late && shared->lateAnswer) shared->lateAnswer();
        }).detach();
      }
      waits.emplace_back(key, describing);
    }
  }
  for (const auto& [key, describing] : waits) describing->answer.wait_until(deadline);

  std::vector<CardDevice> devices;
  const std::lock_guard lock(shared_->mutex);
  std::set<Key> listed;
  for (const auto& [key, describing] : waits) {
    listed.insert(key);
    const bool answered = describing->answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
    if (answered) {
      shared_->running.erase(key);
      if (const Description& description = describing->answer.get()) shared_->last[key] = *description;
    } else {
      describing->late = true;
    }
    const auto known = shared_->last.find(key);
    if (known != shared_->last.end()) devices.push_back(known->second);
  }
  std::erase_if(shared_->last, [&listed](const auto& entry) { return listed.count(entry.first) == 0; });
  std::erase_if(shared_->running, [&listed](const auto& entry) { return listed.count(entry.first) == 0; });
  DeviceScanner::arrange(devices);
  return devices;
}

}  // namespace tessorin
