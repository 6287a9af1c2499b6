#pragma once
// LiveXRay: the X-ray of a session's card as it is now, with the brand now on its label
// and today's date where the user is. The result displays ask for it whenever the card
// or the brand changes, so a brand chosen after the check is judged at once. Main thread.

#include "session/check/CardSession.hpp"
#include "tessorin/identity/XRayReport.hpp"

namespace tessorin {

struct LiveXRay {
  static XRayReport of(const CardSession& session);
};

}  // namespace tessorin
