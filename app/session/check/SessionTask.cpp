#include "session/check/SessionTask.hpp"

#include <utility>

namespace tessorin {

void SessionTask::cancel() {
  cancelled_ = true;
  if (current_) current_->cancel();
}

void SessionTask::attach(std::shared_ptr<CancellationFlag> run) {
  current_ = std::move(run);
  if (cancelled_ && current_) current_->cancel();
}

}  // namespace tessorin
