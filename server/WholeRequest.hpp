#pragma once
// How much of its request a client has sent already: part of the header, the header up to
// its blank line but not yet as many bytes after it as its Content-Length names, or the
// whole request. A request sent in chunks never counts as whole here (its end would need
// the chunks read), nor does one whose header holds more than one length. Lets a
// connection whose request is all there be served at once even when those still sending
// have taken every place they may have. Plain functions.

#include <cstddef>
#include <string_view>

namespace tessorin::server {

enum class RequestArrival { partOfHeader, partOfBody, whole };

RequestArrival requestArrival(std::string_view bytes);

// Whether a whole request waits unread on a connected socket now, looking at no more
// than bytes of it and taking none.
bool wholeRequestWaits(int socket, std::size_t bytes);

}  // namespace tessorin::server
