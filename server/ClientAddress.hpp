#pragma once
// Who a request comes from, for the limits that count per client address.
//
// Behind a reverse proxy every request arrives from the proxy's address, so the proxy's
// forwarded header (X-Forwarded-For) names the client. That header is believed only when
// the peer is one of the proxies the server was told to trust: read from the right, each
// trusted proxy is stepped over and the first other address is the client. Anyone else
// may send the header too, and is counted by their own address.
//
// IPv6 addresses are counted by their /64, which one subscriber usually holds whole; an
// IPv4 address, also written as an IPv6-mapped one, counts alone. Plain values.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tessorin::server {

// An IPv4 or IPv6 address with a prefix length; IPv4 is held as IPv6-mapped.
struct AddressRange {
  std::array<std::uint8_t, 16> bytes{};
  int bits = 128;

  // "192.0.2.1", "2001:db8::1", "10.0.0.0/8", "2001:db8::/32", "[::1]"; nothing when it is
  // none of these.
  static std::optional<AddressRange> parse(const std::string& text);
  bool contains(const AddressRange& address) const;
};

class ClientAddress {
 public:
  // Each trusted proxy as AddressRange::parse reads it; throws std::invalid_argument.
  explicit ClientAddress(const std::vector<std::string>& trustedProxies);

  // The client behind peer, given the X-Forwarded-For header ("" when there is none).
  std::string of(const std::string& peer, const std::string& forwardedFor) const;
  // Whether peer is one of the trusted proxies.
  bool isProxy(const std::string& peer) const;

 private:
  bool isTrusted(const AddressRange& address) const;
  std::vector<AddressRange> trusted_;
};

// The key a client address is counted under: the IPv4 address, or the IPv6 /64 as
// "2001:db8:1:2::/64". Text that is no address is its own key.
std::string rateKey(const std::string& address);

}  // namespace tessorin::server
