#include "ClientAddress.hpp"

#include <algorithm>
#include <arpa/inet.h>
#include <charconv>
#include <cstring>

namespace tessorin::server {

namespace {

constexpr std::array<std::uint8_t, 12> mappedPrefix{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};

bool isMapped(const std::array<std::uint8_t, 16>& bytes) {
  return std::equal(mappedPrefix.begin(), mappedPrefix.end(), bytes.begin());
}

std::string trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

std::optional<AddressRange> AddressRange::parse(const std::string& text) {
  std::string address = trimmed(text);
  std::optional<int> prefix;
  if (const std::size_t slash = address.find('/'); slash != std::string::npos) {
    int bits = -1;
    const char* end = address.data() + address.size();
    const auto [stop, error] = std::from_chars(address.data() + slash + 1, end, bits);
    if (error != std::errc() || stop != end) return std::nullopt;
    prefix = bits;
    address.resize(slash);
  }
  if (address.size() > 2 && address.front() == '[' && address.back() == ']') address = address.substr(1, address.size() - 2);
  AddressRange range;
  in_addr v4{};
  if (inet_pton(AF_INET, address.c_str(), &v4) == 1) {
    std::copy(mappedPrefix.begin(), mappedPrefix.end(), range.bytes.begin());
    std::memcpy(range.bytes.data() + 12, &v4, 4);
    if (prefix && (*prefix < 0 || *prefix > 32)) return std::nullopt;
    range.bits = prefix ? 96 + *prefix : 128;
    return range;
  }
  if (inet_pton(AF_INET6, address.c_str(), range.bytes.data()) != 1) return std::nullopt;
  if (prefix && (*prefix < 0 || *prefix > 128)) return std::nullopt;
  range.bits = prefix.value_or(128);
  return range;
}

std::optional<std::string> forwardedClient(const std::string& forwardedFor) {
  std::string client = trimmed(forwardedFor);
  const auto address = AddressRange::parse(client);
  if (!address || address->bits != 128 || client.find('/') != std::string::npos) return std::nullopt;
  return client;
}

std::string rateKey(const std::string& address) {
  const auto parsed = AddressRange::parse(address);
  if (!parsed || parsed->bits != 128) return address;
  char text[INET6_ADDRSTRLEN];
  if (isMapped(parsed->bytes)) {
    inet_ntop(AF_INET, parsed->bytes.data() + 12, text, sizeof text);
    return text;
  }
  std::array<std::uint8_t, 16> network{};
  std::copy(parsed->bytes.begin(), parsed->bytes.begin() + 8, network.begin());
  inet_ntop(AF_INET6, network.data(), text, sizeof text);
  return std::string(text) + "/64";
}

}  // namespace tessorin::server
