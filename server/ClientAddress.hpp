#pragma once
// Who a request comes from, for the limits that count per client address.
//
// Behind the reverse proxy every request arrives from the proxy, so the proxy's forwarded
// header (X-Forwarded-For, which it replaces rather than appends to) names the client.
// It is believed only on the proxy's own socket, which no one else can reach; anywhere
// else the peer is the client, whatever it writes.
//
// IPv6 addresses are counted by their /64, which one subscriber usually holds whole; an
// IPv4 address, also written as an IPv6-mapped one, counts alone. Plain values.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace tessorin::server {

// An IPv4 or IPv6 address with a prefix length; IPv4 is held as IPv6-mapped.
struct AddressRange {
  std::array<std::uint8_t, 16> bytes{};
  int bits = 128;

  // "192.0.2.1", "2001:db8::1", "10.0.0.0/8", "2001:db8::/32", "[::1]"; nothing when it is
  // none of these.
  static std::optional<AddressRange> parse(const std::string& text);
};

// The one client address the proxy wrote in X-Forwarded-For, or nothing when the header
// holds anything else.
std::optional<std::string> forwardedClient(const std::string& forwardedFor);

// The key a client address is counted under: the IPv4 address, or the IPv6 /64 as
// "2001:db8:1:2::/64". Text that is no address is its own key.
std::string rateKey(const std::string& address);

}  // namespace tessorin::server
