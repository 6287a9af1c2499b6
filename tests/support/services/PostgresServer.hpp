#pragma once
// PostgresServer: a PostgreSQL cluster of the tests' own, made with initdb in a
// temporary folder owned by the postgres user and run as that user through runuser
// (PostgreSQL refuses to run as root), with the binaries pg_config names. It listens on a
// unix socket in that folder, and on 127.0.0.1 at a free port when asked; fsync is off.
// The destructor stops it and removes the folder, also after a failed test.
//
// Needs root; where it cannot run, TESSORIN_REQUIRE_POSTGRES() skips the test, except
// under CI=true, where it fails.

#include <string>

namespace tessorin::testing {

class PostgresServer {
 public:
  struct Options {
    bool tcp = false;  // also listen on 127.0.0.1
  };

  // Throws std::runtime_error with the tools' output when the cluster cannot be made.
  explicit PostgresServer(Options options);
  PostgresServer() : PostgresServer(Options{}) {}
  ~PostgresServer();
  PostgresServer(const PostgresServer&) = delete;
  PostgresServer& operator=(const PostgresServer&) = delete;

  // A libpq connection string for the superuser's database, over TCP when asked for.
  std::string conninfo() const;
  int port() const { return port_; }
  // Stops and starts the cluster again on the same folder.
  void restart();
  // Stops every process of the cluster with SIGSTOP, as a hung machine would: connections
  // stay open and nothing answers. thaw() lets them go on; the destructor thaws too.
  void freeze();
  void thaw();

 private:
  void start();
  void stop();
  std::string pgTool(const std::string& name) const;

  Options options_;
  std::string bindir_;
  std::string folder_;
  int port_ = 5432;
  bool running_ = false;
  bool frozen_ = false;
};

// Why no cluster can be made here ("" when one can).
std::string postgresUnavailableReason();

}  // namespace tessorin::testing

#define TESSORIN_REQUIRE_POSTGRES()                                                                  \
  do {                                                                                               \
    const std::string tessorinWhyNot = ::tessorin::testing::postgresUnavailableReason();             \
    if (!tessorinWhyNot.empty()) {                                                                   \
      const char* tessorinCi = std::getenv("CI");                                                    \
      if (tessorinCi && std::string(tessorinCi) == "true") FAIL() << "CI must run database tests: " << tessorinWhyNot; \
      GTEST_SKIP() << "database tests skipped: " << tessorinWhyNot;                                  \
    }                                                                                                \
  } while (0)
