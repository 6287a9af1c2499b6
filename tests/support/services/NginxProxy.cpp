#include "NginxProxy.hpp"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <sys/stat.h>
#include <unistd.h>

#include "Command.hpp"
#include "FreePort.hpp"
#include "ProcessFamily.hpp"

namespace tessorin::testing {

namespace {

std::string readFile(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void writeFile(const std::string& path, const std::string& text) {
  std::ofstream out(path);
  out << text;
  if (!out) throw std::runtime_error("cannot write " + path);
}

// Replaces the one occurrence of what the shipped file must hold; a file that no longer
// holds it fails the test rather than testing something else.
void replaceOnce(std::string& text, const std::string& from, const std::string& to) {
  const std::size_t found = text.find(from);
  if (found == std::string::npos || text.find(from, found + 1) != std::string::npos) {
    throw std::runtime_error("the shipped nginx site no longer holds \"" + from + "\" once");
  }
  text.replace(found, from.size(), to);
}

std::string nginxProgram() {
  for (const char* path : {"/usr/sbin/nginx", "/usr/bin/nginx"}) {
    if (access(path, X_OK) == 0) return path;
  }
  return {};
}

}  // namespace

std::string nginxUnavailableReason() {
  if (geteuid() != 0) return "needs root to run nginx";
  if (nginxProgram().empty()) return "no nginx (install nginx-light)";
  if (!haveTool("openssl")) return "no openssl";
  if (getgrnam(ProxySocketPlace::nginxWorkers) == nullptr) return std::string("no group ") + ProxySocketPlace::nginxWorkers;
  return {};
}

ProxySocketPlace::ProxySocketPlace() : path_(folder_.path() + "/proxy.sock") {
  // nginx's workers must reach the socket in it; the socket's own mode keeps others out.
  chmod(folder_.path().c_str(), 0755);
}

NginxProxy::NginxProxy(const std::string& serverSocket, PerAddressPace pace, int workers) {
  char pattern[] = "/tmp/tessorin-nginx-XXXXXX";
  if (mkdtemp(pattern) == nullptr) throw std::runtime_error("cannot make a folder for nginx");
  folder_ = pattern;
  try {
    runChecked({"openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                "-days", "1", "-subj", "/CN=127.0.0.1",
                "-addext", "subjectAltName=IP:127.0.0.1", "-keyout", folder_ + "/proxy.key", "-out",
                folder_ + "/proxy.pem"});
    port_ = freeLoopbackPort();
    std::string site = readFile(TESSORIN_NGINX_SITE);
    replaceOnce(site, "listen 443 ssl;", "listen 127.0.0.1:" + std::to_string(port_) + " ssl;");
    replaceOnce(site, "listen [::]:443 ssl;", "");
    replaceOnce(site, "/etc/ssl/certs/tessorin-community.pem", folder_ + "/proxy.pem");
    replaceOnce(site, "/etc/ssl/private/tessorin-community.key", folder_ + "/proxy.key");
    replaceOnce(site, "server unix:/run/tessorin-community/proxy.sock;", "server unix:" + serverSocket + ";");
    if (pace == PerAddressPace::lifted) {
      replaceOnce(site, "limit_conn tessorin_community_connections 16;", "limit_conn tessorin_community_connections 4096;");
      replaceOnce(site, "rate=2r/s;", "rate=1000000r/s;");
      replaceOnce(site, "burst=20 nodelay;", "burst=1000000 nodelay;");
      replaceOnce(site, "rate=20r/s;", "rate=1000000r/s;");
      replaceOnce(site, "burst=100 nodelay;", "burst=1000000 nodelay;");
    }
    writeFile(folder_ + "/site.conf", site);
    // Workers run as www-data and buffer nothing on disk for requests this small, but nginx
    // wants its folders to exist.
    for (const char* name : {"body", "proxy", "fastcgi", "uwsgi", "scgi"}) {
      std::filesystem::create_directory(folder_ + "/" + name);
    }
    writeFile(folder_ + "/nginx.conf",
              "user " + std::string(ProxySocketPlace::nginxWorkers) + ";\n"
              "worker_processes " + (workers > 0 ? std::to_string(workers) : std::string("auto")) + ";\n"
              "pid " + folder_ + "/nginx.pid;\n"
              "error_log " + folder_ + "/error.log warn;\n"
              // The room the site's comment asks for.
              "worker_rlimit_nofile 20000;\n"
              "events { worker_connections 8192; }\n"
              "http {\n"
              "  access_log off;\n"
              "  client_body_temp_path " + folder_ + "/body;\n"
              "  proxy_temp_path " + folder_ + "/proxy;\n"
              "  fastcgi_temp_path " + folder_ + "/fastcgi;\n"
              "  uwsgi_temp_path " + folder_ + "/uwsgi;\n"
              "  scgi_temp_path " + folder_ + "/scgi;\n"
              "  include " + folder_ + "/site.conf;\n"
              "}\n");
    runChecked({nginxProgram(), "-p", folder_, "-c", folder_ + "/nginx.conf"});
    running_ = true;
  } catch (...) {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
    throw;
  }
}

std::vector<pid_t> NginxProxy::processes() const {
  std::ifstream pidFile(folder_ + "/nginx.pid");
  pid_t master = 0;
  if (!(pidFile >> master) || master <= 0) return {};
  return processAndChildren(master);
}

NginxProxy::~NginxProxy() {
  if (running_) {
    std::ifstream pidFile(folder_ + "/nginx.pid");
    pid_t master = 0;
    if (pidFile >> master && master > 0) {
      ::kill(master, SIGTERM);
      for (int waited = 0; waited < 100 && ::kill(master, 0) == 0; ++waited) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
    }
  }
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

}  // namespace tessorin::testing
