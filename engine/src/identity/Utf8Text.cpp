#include "identity/Utf8Text.hpp"

#include <cstdint>
#include <vector>

namespace tessorin {

namespace {

constexpr char32_t replacement = 0xFFFD;

void encode(char32_t scalar, std::string& out) {
  if (scalar < 0x80) {
    out += static_cast<char>(scalar);
  } else if (scalar < 0x800) {
    out += static_cast<char>(0xC0 | (scalar >> 6));
    out += static_cast<char>(0x80 | (scalar & 0x3F));
  } else if (scalar < 0x10000) {
    out += static_cast<char>(0xE0 | (scalar >> 12));
    out += static_cast<char>(0x80 | ((scalar >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (scalar & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (scalar >> 18));
    out += static_cast<char>(0x80 | ((scalar >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((scalar >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (scalar & 0x3F));
  }
}

struct Decoded {
  char32_t scalar;
  std::size_t length;  // bytes consumed; an ill-formed subpart yields U+FFFD
};

// Decodes the scalar at the start of bytes, which must not be empty.
Decoded decodeOne(std::string_view bytes) {
  const auto byte = [&bytes](std::size_t i) { return static_cast<std::uint8_t>(bytes[i]); };
  const std::uint8_t lead = byte(0);
  if (lead < 0x80) return {lead, 1};
  std::size_t need = 0;
  char32_t scalar = 0;
  std::uint8_t low = 0x80, high = 0xBF;  // allowed range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    need = 1;
    scalar = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    need = 2;
    scalar = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    need = 3;
    scalar = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return {replacement, 1};
  }
  for (std::size_t i = 1; i <= need; ++i) {
    if (i >= bytes.size()) return {replacement, i};
    const std::uint8_t next = byte(i);
    const std::uint8_t min = i == 1 ? low : 0x80;
    const std::uint8_t max = i == 1 ? high : 0xBF;
    if (next < min || next > max) return {replacement, i};
    scalar = (scalar << 6) | (next & 0x3F);
  }
  return {scalar, need + 1};
}

bool isInvisible(char32_t c) {
  if (c <= 0x20 || (c >= 0x7F && c <= 0xA0)) return true;  // controls, space, NEL, NBSP
  switch (c) {
    case 0x00AD: case 0x061C: case 0x06DD: case 0x070F: case 0x08E2: case 0x1680: case 0x180E:
    case 0x202F: case 0x205F: case 0x3000: case 0xFEFF: case 0x110BD: case 0x110CD: case 0xE0001:
      return true;
    default:
      break;
  }
  return (c >= 0x0600 && c <= 0x0605) || (c >= 0x2000 && c <= 0x200F) || (c >= 0x2028 && c <= 0x202E) ||
         (c >= 0x2060 && c <= 0x2064) || (c >= 0x2066 && c <= 0x206F) || (c >= 0xFFF9 && c <= 0xFFFB) ||
         (c >= 0x13430 && c <= 0x1343F) || (c >= 0x1BCA0 && c <= 0x1BCA3) || (c >= 0x1D173 && c <= 0x1D17A) ||
         (c >= 0xE0020 && c <= 0xE007F);
}

}  // namespace

std::string decodeUtf8Lossy(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  while (!bytes.empty()) {
    const Decoded decoded = decodeOne(bytes);
    encode(decoded.scalar, out);
    bytes.remove_prefix(decoded.length);
  }
  return out;
}

std::string trimInvisible(std::string_view text) {
  std::vector<std::pair<std::size_t, char32_t>> scalars;  // byte offset, scalar
  for (std::size_t offset = 0; offset < text.size();) {
    const Decoded decoded = decodeOne(text.substr(offset));
    scalars.emplace_back(offset, decoded.scalar);
    offset += decoded.length;
  }
  std::size_t first = 0;
  std::size_t last = scalars.size();
  while (first < last && isInvisible(scalars[first].second)) ++first;
  while (last > first && isInvisible(scalars[last - 1].second)) --last;
  if (first == last) return {};
  const std::size_t begin = scalars[first].first;
  const std::size_t end = last == scalars.size() ? text.size() : scalars[last].first;
  return std::string(text.substr(begin, end - begin));
}

}  // namespace tessorin
