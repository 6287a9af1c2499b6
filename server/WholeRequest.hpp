#pragma once
// How much of its request a client has sent already: part of the header, the header up to
// its blank line but not yet as many bytes after it as its Content-Length names, or the
// whole request. A request sent in chunks never counts as whole here (its end would need
// the chunks read), nor does one whose header holds more than one length. Lets a
// connection whose request is all there be served at once even when those still sending
// have taken every place they may have. A plain function.

#include <string_view>

namespace tessorin::server {

enum class RequestArrival { partOfHeader, partOfBody, whole };

RequestArrival requestArrival(std::string_view bytes);

}  // namespace tessorin::server
