#include "ServerOptions.hpp"

#include <charconv>
#include <map>

namespace tessorin::server {

namespace {

int number(const std::string& option, const std::string& text, int minimum, int maximum) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < minimum || value > maximum) {
    throw std::invalid_argument(option + " needs a number from " + std::to_string(minimum) + " to " +
                                std::to_string(maximum));
  }
  return value;
}

}  // namespace

const char* ServerOptions::usage() {
  return "usage: tessorin-community-server [--address A] [--port N] [--database CONNINFO] [--threads N]\n"
         "       [--connections N] [--statement-timeout MS] [--reports-per-hour N] [--flags-per-hour N]\n"
         "       [--registrations-per-hour N] [--connections-per-address N]\n"
         "       [--proxy-socket PATH [--proxy-socket-group GROUP]]\n";
}

ServerOptions ServerOptions::parse(const std::vector<std::string>& arguments) {
  ServerOptions options;
  bool connectionsGiven = false;
  for (std::size_t i = 0; i < arguments.size(); i += 2) {
    const std::string& option = arguments[i];
    if (i + 1 >= arguments.size()) throw std::invalid_argument(option + " needs a value");
    const std::string& value = arguments[i + 1];
    if (option == "--address") {
      options.address = value;
    } else if (option == "--port") {
      options.port = number(option, value, 0, 65535);
    } else if (option == "--database") {
      options.database = value;
    } else if (option == "--threads") {
      options.threads = number(option, value, 1, 1024);
    } else if (option == "--connections") {
      options.connections = number(option, value, 1, 256);
      connectionsGiven = true;
    } else if (option == "--statement-timeout") {
      options.statementTimeoutMs = number(option, value, 100, 600'000);
    } else if (option == "--proxy-socket") {
      if (value.empty() || value.front() != '/') throw std::invalid_argument(option + " needs an absolute path");
      options.proxySocket = value;
    } else if (option == "--proxy-socket-group") {
      options.proxySocketGroup = value;
    } else if (option == "--reports-per-hour") {
      options.reportsPerHour = number(option, value, 1, 100'000'000);
    } else if (option == "--flags-per-hour") {
      options.flagsPerHour = number(option, value, 1, 100'000'000);
    } else if (option == "--registrations-per-hour") {
      options.registrationsPerHour = number(option, value, 1, 100'000'000);
    } else if (option == "--connections-per-address") {
      options.connectionsPerAddress = number(option, value, 0, 100'000);
    } else {
      throw std::invalid_argument("unknown option " + option);
    }
  }
  if (!options.proxySocketGroup.empty() && options.proxySocket.empty()) {
    throw std::invalid_argument("--proxy-socket-group needs --proxy-socket");
  }
  if (options.connections > options.threads) {
    if (!connectionsGiven) {
      options.connections = options.threads;
      return options;
    }
    throw std::invalid_argument("--connections cannot exceed --threads: a connection no thread uses is wasted");
  }
  return options;
}

}  // namespace tessorin::server
