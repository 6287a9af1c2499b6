#pragma once
// RequestScreen: what a request's headers alone make unacceptable, decided before its body
// is read.
//   - A method the service does not route (405): nothing about such a request is worth
//     reading, and the library would wait for the body of a PUT, PATCH or DELETE that
//     gives no length until the client closes.
//   - Any Content-Encoding: the library would inflate the body before the size limit
//     counts it, so a few compressed bytes could ask for gigabytes.
//   - Framing that two parsers could read differently (Content-Length beside
//     Transfer-Encoding, more than one Content-Length, a length that is no plain number,
//     a transfer coding other than chunked): a request hidden in such a body could pass a
//     proxy and reach the server.
//   - A body on any method but POST: the library reads a body only where a method is
//     meant to carry one, so a GET's body would be read as the next request, which a proxy
//     that kept the connection open would then answer to someone else.
//   - A POST with neither Content-Length nor Transfer-Encoding (411): the library would
//     read its body until the client closes, holding a thread for the whole deadline.
// Plain functions of the request line and headers.

#include <optional>
#include <set>
#include <string>

#include <httplib.h>

namespace tessorin::server {

// The status a request is refused with (405, 415, 411 or 400), or nothing when it may be
// read; routedMethods are the methods the service answers.
std::optional<int> screenRequest(const httplib::Request& request, const std::set<std::string>& routedMethods);

// Whether the headers announce a body (a transfer coding, or a length above 0).
bool announcesBody(const httplib::Request& request);

// Whether a request line the library refused still began with a method (an HTTP token,
// on an HTTP/1.x line), as one of a method the library does not know does, rather than
// being no request line at all.
bool namesMethod(const httplib::Request& refused);

}  // namespace tessorin::server
