#pragma once
// Deployment: the community server on a PostgreSQL of its own as deployed (its default
// thread count, a proxy socket for nginx) and, when asked, the nginx of server/deploy in
// front of it, which clients then reach over TLS.

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "LoopbackConnection.hpp"
#include "NginxProxy.hpp"
#include "ServerWorld.hpp"

namespace tessorin {

struct Deployment {
  explicit Deployment(bool throughProxy, std::function<void(server::ServerOptions&)> configure = {},
                      testing::NginxProxy::PerAddressPace pace = testing::NginxProxy::PerAddressPace::shipped) {
    world.stopServer();
    world.options.threads = server::ServerOptions().threads;
    if (configure) configure(world.options);
    world.startServer();
    if (throughProxy) proxy = std::make_unique<testing::NginxProxy>(world.options.proxySocket, pace);
  }
  int port() const { return proxy ? proxy->port() : world.port; }
  bool tls() const { return proxy != nullptr; }

  // A new client's request, answered within the time given or not at all.
  std::string answerWithin(const std::string& request, std::chrono::milliseconds wait,
                           const char* from = "127.0.0.1") const {
    testing::LoopbackConnection client(port(), tls(), from);
    if (!client.send(request) || !client.peerSpoke(wait)) return {};
    return client.response();
  }

  ServerWorld world;
  std::unique_ptr<testing::NginxProxy> proxy;
};

}  // namespace tessorin
