#pragma once
// Whether bytes a client has sent already hold its whole request: the header up to its
// blank line, and as many bytes after it as its Content-Length names. A request sent in
// chunks is never counted whole here (its end would need the chunks read), nor is one
// whose header holds more than one length. Lets a connection whose request is all there
// be served at once even when those still sending have taken every place they may have.
// A plain function.

#include <string_view>

namespace tessorin::server {

bool startsWithWholeRequest(std::string_view bytes);

}  // namespace tessorin::server
