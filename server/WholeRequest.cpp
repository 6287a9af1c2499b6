#include "WholeRequest.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>
#include <string>
#include <sys/ioctl.h>
#include <sys/socket.h>

namespace tessorin::server {

namespace {

// Where the header ends, after its blank line; lines may end in CRLF or in LF alone.
std::optional<std::size_t> headerEnd(std::string_view bytes) {
  for (std::size_t newline = bytes.find('\n'); newline != std::string_view::npos;
       newline = bytes.find('\n', newline + 1)) {
    const std::size_t next = newline + 1;
    if (next < bytes.size() && bytes[next] == '\n') return next + 1;
    if (next + 1 < bytes.size() && bytes[next] == '\r' && bytes[next + 1] == '\n') return next + 2;
  }
  return std::nullopt;
}

bool startsWithName(std::string_view line, std::string_view name) {
  return line.size() > name.size() && line[name.size()] == ':' &&
         std::equal(name.begin(), name.end(), line.begin(),
                    [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

}  // namespace

RequestArrival requestArrival(std::string_view bytes) {
  const std::optional<std::size_t> end = headerEnd(bytes);
  if (!end) return RequestArrival::partOfHeader;
  const std::string_view header = bytes.substr(0, *end);
  std::optional<std::size_t> length;
  for (std::size_t begin = header.find('\n') + 1; begin < header.size();) {
    std::size_t stop = header.find('\n', begin);
    if (stop == std::string_view::npos) stop = header.size();
    const std::string_view line = header.substr(begin, stop - begin);
    begin = stop + 1;
    if (startsWithName(line, "transfer-encoding")) return RequestArrival::partOfBody;
    if (!startsWithName(line, "content-length")) continue;
    if (length) return RequestArrival::partOfBody;
    std::string_view value = line.substr(sizeof "content-length");
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
    while (!value.empty() && (value.back() == '\r' || value.back() == ' ' || value.back() == '\t')) value.remove_suffix(1);
    std::size_t parsed = 0;
    const auto [stopAt, error] = std::from_chars(value.data(), value.data() + value.size(), parsed);
    if (error != std::errc() || stopAt != value.data() + value.size()) return RequestArrival::partOfBody;
    length = parsed;
  }
  return bytes.size() - *end >= length.value_or(0) ? RequestArrival::whole : RequestArrival::partOfBody;
}

bool wholeRequestWaits(int socket, std::size_t bytes) {
  // Most connections judged here have sent nothing yet: no room is made for them.
  int waiting = 0;
  if (ioctl(socket, FIONREAD, &waiting) != 0 || waiting <= 0) return false;
  std::string unread(std::min(static_cast<std::size_t>(waiting), bytes), '\0');
  const ssize_t peeked = recv(socket, unread.data(), unread.size(), MSG_PEEK | MSG_DONTWAIT);
  return peeked > 0 && requestArrival(std::string_view(unread.data(), static_cast<std::size_t>(peeked))) ==
                           RequestArrival::whole;
}

}  // namespace tessorin::server
