#pragma once
// UpdateFailure: why a check for updates offered nothing, and the sentence the update
// dialog says about it (translation context "Direct").

#include <QString>

namespace tessorin {

enum class UpdateFailure {
  noConnection,    // no answer at the network level: offline, refused, no such host, TLS
  timedOut,        // the whole fetch took longer than its limit
  serverError,     // an HTTP status other than 2xx
  tooLarge,        // more bytes than any feed needs
  unsafeRedirect,  // sent on to an address the checker may not fetch from
  forged,          // the feed failed its signature check
  unreadable,      // not an envelope, or a signed feed whose contents break its rules
};

// `status` is the HTTP status of a server error, unused otherwise.
QString failureText(UpdateFailure failure, int status = 0);

}  // namespace tessorin
