#include "PostgresServer.hpp"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>
#include <pwd.h>
#include <stdexcept>
#include <unistd.h>

#include "Command.hpp"
#include "FreePort.hpp"
#include "ProcessFamily.hpp"

namespace tessorin::testing {

namespace {

std::string trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

std::string binaryFolder() {
  const CommandResult found = runCommand({"pg_config", "--bindir"});
  return found.ok() ? trimmed(found.output) : std::string();
}

}  // namespace

std::string postgresUnavailableReason() {
  if (geteuid() != 0) return "needs root to run PostgreSQL as its own user";
  if (getpwnam("postgres") == nullptr) return "no postgres user (install postgresql-15)";
  const std::string bindir = binaryFolder();
  if (bindir.empty() || !std::filesystem::exists(bindir + "/initdb")) return "no initdb (install postgresql-15)";
  if (!haveTool("runuser")) return "no runuser";
  return {};
}

PostgresServer::PostgresServer(Options options) : options_(options), bindir_(binaryFolder()) {
  char pattern[] = "/tmp/tessorin-postgres-XXXXXX";
  if (mkdtemp(pattern) == nullptr) throw std::runtime_error("cannot make a folder for PostgreSQL");
  folder_ = pattern;
  const passwd* postgres = getpwnam("postgres");
  if (postgres == nullptr || chown(folder_.c_str(), postgres->pw_uid, postgres->pw_gid) != 0) {
    std::filesystem::remove_all(folder_);
    throw std::runtime_error("cannot give the folder to the postgres user");
  }
  try {
    runChecked({"runuser", "-u", "postgres", "--", pgTool("initdb"), "-D", folder_ + "/data", "-A", "trust", "-U",
                "postgres", "-E", "UTF8", "--locale=C", "--no-sync"});
    if (options_.tcp) port_ = freeLoopbackPort();
    start();
  } catch (...) {
    stop();
    std::filesystem::remove_all(folder_);
    throw;
  }
}

PostgresServer::~PostgresServer() {
  try {
    thaw();
    stop();
  } catch (...) {
    // Nothing more can be done while the test ends.
  }
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

std::string PostgresServer::pgTool(const std::string& name) const { return bindir_ + "/" + name; }

void PostgresServer::start() {
  const std::string settings = "-k " + folder_ + " -p " + std::to_string(port_) + " -c listen_addresses=" +
                               (options_.tcp ? "127.0.0.1" : "''") +
                               " -c fsync=off -c synchronous_commit=off -c full_page_writes=off -c max_connections=200";
  runChecked({"runuser", "-u", "postgres", "--", pgTool("pg_ctl"), "-D", folder_ + "/data", "-l", folder_ + "/log",
              "-w", "-t", "60", "-o", settings, "start"});
  running_ = true;
}

void PostgresServer::stop() {
  if (!running_) return;
  running_ = false;
  runChecked({"runuser", "-u", "postgres", "--", pgTool("pg_ctl"), "-D", folder_ + "/data", "-m", "fast", "-w", "stop"});
}

void PostgresServer::freeze() {
  std::ifstream pidFile(folder_ + "/data/postmaster.pid");
  pid_t postmaster = 0;
  if (!(pidFile >> postmaster) || postmaster <= 0) throw std::runtime_error("PostgreSQL is not running");
  frozen_ = true;
  for (pid_t process : processAndChildren(postmaster)) ::kill(process, SIGSTOP);
}

void PostgresServer::thaw() {
  if (!frozen_) return;
  frozen_ = false;
  std::ifstream pidFile(folder_ + "/data/postmaster.pid");
  pid_t postmaster = 0;
  if (!(pidFile >> postmaster) || postmaster <= 0) return;
  for (pid_t process : processAndChildren(postmaster)) ::kill(process, SIGCONT);
}

void PostgresServer::restart() {
  stop();
  start();
}

std::string PostgresServer::conninfo() const {
  const std::string host = options_.tcp ? "127.0.0.1" : folder_;
  return "host=" + host + " port=" + std::to_string(port_) + " user=postgres dbname=postgres";
}

}  // namespace tessorin::testing
