#pragma once
// isSafeUpdateUrl: whether the update checker may fetch from, be redirected to, or offer
// a download page at `url`. Only https to a named host counts, and plain http to a
// literal loopback address (127.0.0.0/8, ::1), which never leaves this computer and is
// how the tests serve their feeds. Any thread.

#include <QUrl>

namespace tessorin {

bool isSafeUpdateUrl(const QUrl& url);

}  // namespace tessorin
