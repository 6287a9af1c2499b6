#pragma once
// ServerProcess: the community server program run as its own process, as systemd runs it,
// on 127.0.0.1 at a free port, optionally under an address-space cap (what prlimit --as
// sets). Its standard error goes to a file the test can read. The destructor stops it
// with SIGTERM, and kills it after 10 s.

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace tessorin::testing {

class ServerProcess {
 public:
  // arguments follow the program's name; --address and --port are added. addressSpaceBytes
  // 0: no cap.
  explicit ServerProcess(std::vector<std::string> arguments, unsigned long long addressSpaceBytes = 0) {
    char pattern[] = "/tmp/tessorin-server-log-XXXXXX";
    const int logFile = mkstemp(pattern);
    if (logFile < 0) throw std::runtime_error("cannot make a log file");
    log_ = pattern;
    int out[2];
    if (pipe(out) != 0) throw std::runtime_error("no pipe");
    arguments.insert(arguments.begin(), {TESSORIN_COMMUNITY_SERVER_PROGRAM, "--address", "127.0.0.1", "--port", "0"});
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    process_ = fork();
    if (process_ == 0) {
      dup2(out[1], STDOUT_FILENO);
      dup2(logFile, STDERR_FILENO);
      close(out[0]);
      close(out[1]);
      close(logFile);
      if (addressSpaceBytes > 0) {
        const rlimit cap{addressSpaceBytes, addressSpaceBytes};
        setrlimit(RLIMIT_AS, &cap);
      }
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(out[1]);
    close(logFile);
    // "tessorin-community-server: listening on 127.0.0.1:PORT"
    std::string line;
    char c = 0;
    while (read(out[0], &c, 1) == 1 && c != '\n') line += c;
    close(out[0]);
    const std::size_t colon = line.rfind(':');
    if (line.find("listening on") == std::string::npos || colon == std::string::npos) {
      stop();
      throw std::runtime_error("the server did not start: " + line + " " + errors());
    }
    port_ = std::stoi(line.substr(colon + 1));
  }
  ~ServerProcess() {
    stop();
    std::remove(log_.c_str());
  }
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  int port() const { return port_; }
  pid_t pid() const { return process_; }
  bool alive() {
    if (process_ <= 0) return false;
    int status = 0;
    if (waitpid(process_, &status, WNOHANG) != process_) return true;
    exitStatus_ = status;
    process_ = -1;
    return false;
  }
  // The wait status once it ended (for WIFSIGNALED and the like).
  int exitStatus() const { return exitStatus_; }
  std::string errors() const {
    std::ifstream in(log_);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  // Stops it with SIGTERM, as systemd does, and kills it after 10 s.
  void stop() {
    if (!alive()) return;
    kill(process_, SIGTERM);
    for (int waited = 0; waited < 200 && alive(); ++waited) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (alive()) {
      kill(process_, SIGKILL);
      waitpid(process_, &exitStatus_, 0);
    }
    process_ = -1;
  }

 private:
  pid_t process_ = -1;
  int port_ = 0;
  int exitStatus_ = 0;
  std::string log_;
};

}  // namespace tessorin::testing
