#include "JsonText.hpp"

#include <charconv>
#include <cmath>

namespace tessorin::server {

void appendJsonString(std::string& out, std::string_view text) {
  static const char hex[] = "0123456789abcdef";
  out += '"';
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      out += "\\u00";
      out += hex[byte >> 4];
      out += hex[byte & 0xF];
    } else {
      out += c;
    }
  }
  out += '"';
}

void appendJsonNumber(std::string& out, double value) {
  if (!std::isfinite(value)) {
    out += "null";
    return;
  }
  char buffer[64];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, end);
}

std::string refusalJson(int code, std::string_view message) {
  std::string out = R"({"code":)";
  out += std::to_string(code);
  out += R"(,"message":)";
  appendJsonString(out, message);
  out += '}';
  return out;
}

}  // namespace tessorin::server
