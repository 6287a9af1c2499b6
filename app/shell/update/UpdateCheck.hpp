#pragma once
// UpdateCheck: what the update dialog shows of the latest check: running, up to date,
// a newer release on offer, or failed and why. `feed` is present only when a release is
// available, `failure` only when the check failed. A plain value.

#include <optional>

#include <QString>

#include "shell/update/UpdateFailure.hpp"
#include "shell/update/feed/UpdateFeed.hpp"

namespace tessorin {

struct UpdateCheck {
  enum class Phase { checking, upToDate, available, failed };

  Phase phase = Phase::checking;
  QString runningVersion;
  std::optional<UpdateFeed> feed;
  std::optional<UpdateFailure> failure;
  int status = 0;  // the HTTP status of a server error
};

}  // namespace tessorin
