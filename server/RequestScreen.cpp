#include "RequestScreen.hpp"

#include <algorithm>
#include <cstring>
#include <strings.h>

namespace tessorin::server {

namespace {

bool isTokenCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
         (c != '\0' && std::strchr("!#$%&'*+-.^_`|~", c) != nullptr);
}

}  // namespace

std::optional<int> screenRequest(const httplib::Request& request, const std::set<std::string>& routedMethods) {
  if (routedMethods.count(request.method) == 0) return 405;
  if (request.has_header("Content-Encoding")) return 415;
  const std::size_t lengths = request.get_header_value_count("Content-Length");
  const std::size_t codings = request.get_header_value_count("Transfer-Encoding");
  if (lengths > 1 || codings > 1 || (lengths == 1 && codings == 1)) return 400;
  bool carriesBody = codings == 1;
  if (lengths == 1) {
    const std::string length = request.get_header_value("Content-Length");
    const bool digits = !length.empty() && length.size() <= 18 &&
                        std::all_of(length.begin(), length.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!digits) return 400;
    carriesBody = carriesBody || length.find_first_not_of('0') != std::string::npos;
  }
  if (codings == 1 && strcasecmp(request.get_header_value("Transfer-Encoding").c_str(), "chunked") != 0) return 400;
  if (carriesBody && request.method != "POST") return 400;
  if (request.method == "POST" && lengths == 0 && codings == 0) return 411;
  return std::nullopt;
}

bool announcesBody(const httplib::Request& request) {
  if (request.has_header("Transfer-Encoding")) return true;
  const std::string length = request.get_header_value("Content-Length");
  return length.find_first_not_of('0') != std::string::npos;
}

bool namesMethod(const httplib::Request& refused) {
  const std::string& method = refused.method;
  return !method.empty() && std::all_of(method.begin(), method.end(), isTokenCharacter) &&
         (refused.version == "HTTP/1.1" || refused.version == "HTTP/1.0");
}

}  // namespace tessorin::server
