#pragma once
// ErrorNotice: an error as a person is told it: what happened and what to do, and apart
// from it, smaller, the system's own words for support and the curious (empty when
// there are none). A plain value.

#include <QString>

namespace tessorin {

struct ErrorNotice {
  QString message;
  QString detail;

  friend bool operator==(const ErrorNotice&, const ErrorNotice&) = default;
};

}  // namespace tessorin
