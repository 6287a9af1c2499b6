// tessorin-community-server: the community's store reports and flags on PostgreSQL,
// served over HTTP. Runs until SIGINT or SIGTERM.

#include <csignal>
#include <cstdio>
#include <iostream>
#include <malloc.h>
#include <pthread.h>

#include "CommunityServer.hpp"
#include "ServerOptions.hpp"

int main(int argc, char** argv) {
  using namespace tessorin::server;
  // Few allocator arenas, and large blocks always mapped afresh: otherwise each request
  // thread keeps an arena of its own, and what a large answer took stays with it after
  // the answer is gone, so the process would grow with the number of threads that ever
  // wrote one.
  mallopt(M_ARENA_MAX, 2);
  mallopt(M_MMAP_THRESHOLD, 128 * 1024);
  ServerOptions options;
  try {
    options = ServerOptions::parse(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::invalid_argument& error) {
    std::cerr << "tessorin-community-server: " << error.what() << "\n" << ServerOptions::usage();
    return 2;
  }
  // Blocked before any thread starts, so that every thread inherits the mask and only the
  // wait below receives them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
  try {
    CommunityServer server(options);
    const int port = server.start();
    std::cout << "tessorin-community-server: listening on " << options.address << ":" << port << std::endl;
    int received = 0;
    sigwait(&stopSignals, &received);
    server.stop();
  } catch (const std::exception& error) {
    std::cerr << "tessorin-community-server: " << error.what() << "\n";
    return 1;
  }
  return 0;
}
