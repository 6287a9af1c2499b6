#pragma once
// What the card session's roads share: the coroutine guard that keeps a disposed session
// alive while one of its coroutines can still resume, and small helpers over devices,
// volume figures and a road's failures. Main thread only, like the session itself.

#include <exception>
#include <filesystem>
#include <optional>
#include <string>

#include <QString>

#include "session/check/CardSession.hpp"
#include "tessorin/identity/CardDevice.hpp"
#include "tessorin/posix/VolumeStats.hpp"

namespace tessorin {

// Counts a session's coroutines while they run, so that a disposed session is deleted
// only once none of them can resume into it.
class RunningCoroutine {
 public:
  explicit RunningCoroutine(CardSession* session) : session_(session) { ++session_->runningCoroutines_; }
  ~RunningCoroutine() {
    if (--session_->runningCoroutines_ == 0 && session_->disposeWhenIdle_) session_->deleteLater();
  }
  RunningCoroutine(const RunningCoroutine&) = delete;
  RunningCoroutine& operator=(const RunningCoroutine&) = delete;

 private:
  CardSession* session_;
};

namespace session_support {

// A tenth of the card: less free space than that is too little to check in, and more in
// use than that after deleting everything means the deletion did not take.
inline constexpr double shareOfTheCard = 0.1;

QString describe(const std::exception& error);

std::string deviceNodeOf(const CardDevice& device);

// The card's file-system UUID, never its id (a clone's id carries its device name);
// empty when unknown.
std::string fileSystemUUIDOf(const CardDevice& device);

std::optional<VolumeStats> settledStats(const std::filesystem::path& volume);

bool isCancellation(const std::exception_ptr& failure);

}  // namespace session_support
}  // namespace tessorin
