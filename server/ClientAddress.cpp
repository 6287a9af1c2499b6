#include "ClientAddress.hpp"

#include <algorithm>
#include <arpa/inet.h>
#include <charconv>
#include <cstring>
#include <stdexcept>

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

bool AddressRange::contains(const AddressRange& address) const {
  for (int bit = 0; bit < bits; ++bit) {
    const std::uint8_t mask = static_cast<std::uint8_t>(0x80 >> (bit % 8));
    if ((bytes[static_cast<std::size_t>(bit / 8)] & mask) != (address.bytes[static_cast<std::size_t>(bit / 8)] & mask)) {
      return false;
    }
  }
  return true;
}

ClientAddress::ClientAddress(const std::vector<std::string>& trustedProxies) {
  for (const std::string& text : trustedProxies) {
    const auto range = AddressRange::parse(text);
    if (!range) throw std::invalid_argument("not an IP address: " + text);
    trusted_.push_back(*range);
  }
}

bool ClientAddress::isTrusted(const AddressRange& address) const {
  return std::any_of(trusted_.begin(), trusted_.end(), [&](const AddressRange& proxy) { return proxy.contains(address); });
}

bool ClientAddress::isProxy(const std::string& peer) const {
  const auto address = AddressRange::parse(peer);
  return address && isTrusted(*address);
}

std::string ClientAddress::of(const std::string& peer, const std::string& forwardedFor) const {
  const auto peerAddress = AddressRange::parse(peer);
  if (!peerAddress || !isTrusted(*peerAddress)) return peer;
  std::string client = peer;
  std::size_t end = forwardedFor.size();
  while (end > 0) {
    const std::size_t comma = forwardedFor.rfind(',', end - 1);
    const std::size_t begin = comma == std::string::npos ? 0 : comma + 1;
    const std::string hop = trimmed(forwardedFor.substr(begin, end - begin));
    const auto hopAddress = AddressRange::parse(hop);
    // A hop that is no address was not written by a proxy we know: stop at the last one
    // we could believe.
    if (!hopAddress || hop.find('/') != std::string::npos) break;
    client = hop;
    if (!isTrusted(*hopAddress)) break;
    if (comma == std::string::npos) break;
    end = comma;
  }
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
