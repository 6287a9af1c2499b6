#pragma once
// NginxProxy: nginx as the community server's deployment runs it, from the site file the
// project ships (server/deploy), in a temporary folder of its own: listening with TLS on
// 127.0.0.1 at a free port, with a self-signed certificate made for the test by openssl,
// and passing requests to a server's proxy socket, its workers running as the deployment's
// (www-data). Only the listening address, the certificate and the upstream socket of the
// shipped file are replaced; every limit is the shipped one, unless the per-address pace
// is lifted for a benchmark that sends all of its clients from one address. The
// destructor stops nginx and removes the folder.
//
// ProxySocketPlace: where a test's server puts its proxy socket, in a folder of its own
// that nginx's workers can reach; the folder goes with it.
//
// Needs root and nginx; where it cannot run, TESSORIN_REQUIRE_NGINX() skips the test,
// except under CI=true, where it fails.

#include <string>
#include <sys/types.h>
#include <vector>

#include "TemporaryFolder.hpp"

namespace tessorin::testing {

class NginxProxy {
 public:
  enum class PerAddressPace { shipped, lifted };

  // Throws std::runtime_error with nginx's output when it does not start. workers: worker
  // processes, 0 for one per processor (as nginx's "auto"); 1 is a small machine's nginx.
  explicit NginxProxy(const std::string& serverSocket, PerAddressPace pace = PerAddressPace::shipped, int workers = 0);
  ~NginxProxy();
  NginxProxy(const NginxProxy&) = delete;
  NginxProxy& operator=(const NginxProxy&) = delete;

  int port() const { return port_; }
  // The certificate nginx presents, for clients that check it.
  std::string certificate() const { return folder_ + "/proxy.pem"; }
  // The master and its workers.
  std::vector<pid_t> processes() const;

 private:
  std::string folder_;
  int port_ = 0;
  bool running_ = false;
};

class ProxySocketPlace {
 public:
  // The user and group nginx's workers run as; the socket is given to that group.
  static constexpr const char* nginxWorkers = "www-data";

  ProxySocketPlace();

  const std::string& path() const { return path_; }

 private:
  TemporaryFolder folder_;
  std::string path_;
};

// Why nginx cannot run here ("" when it can).
std::string nginxUnavailableReason();

}  // namespace tessorin::testing

#define TESSORIN_REQUIRE_NGINX()                                                                     \
  do {                                                                                               \
    const std::string tessorinWhyNot = ::tessorin::testing::nginxUnavailableReason();                \
    if (!tessorinWhyNot.empty()) {                                                                   \
      const char* tessorinCi = std::getenv("CI");                                                    \
      if (tessorinCi && std::string(tessorinCi) == "true") FAIL() << "CI must run proxy tests: " << tessorinWhyNot; \
      GTEST_SKIP() << "proxy tests skipped: " << tessorinWhyNot;                                     \
    }                                                                                                \
  } while (0)
