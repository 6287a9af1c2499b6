#include "DesktopDiskServices.hpp"

#include <fcntl.h>
#include <net/if.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

#include "Command.hpp"
#include "OtherTestsMounts.hpp"

extern char** environ;

namespace tessorin::testing {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

const char* const udevProgram = "/lib/systemd/systemd-udevd";
const char* const udisksProgram = "/usr/libexec/udisks2/udisksd";
const char* const busProgram = "/usr/bin/dbus-daemon";
const char* const busSocket = "/run/dbus/system_bus_socket";
// Folders the services write into, each covered by an empty file system of this
// namespace's own.
const char* const privateFolders[] = {"/run", "/media", "/dev/disk", "/dev/block", "/dev/char", "/etc/udev/rules.d"};
// Where udev's rules live; a file in /run/udev/rules.d stands in for the one of the same
// name in the system's folder.
const char* const systemRules = "/usr/lib/udev/rules.d";
const char* const ownRules = "/run/udev/rules.d";

pid_t spawn(const std::vector<std::string>& arguments, const std::string& logFile) {
  posix_spawn_file_actions_t actions;
  ::posix_spawn_file_actions_init(&actions);
  ::posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  ::posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
  ::posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int error = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  ::posix_spawn_file_actions_destroy(&actions);
  if (error != 0) throw std::runtime_error("cannot start " + arguments[0]);
  return pid;
}

bool stillRunning(pid_t pid) {
  int status = 0;
  return ::waitpid(pid, &status, WNOHANG) == 0;
}

// Waits until ready() says so while the program runs; throws when it ends or takes too long.
void awaitReady(pid_t pid, const std::string& what, const std::function<bool()>& ready) {
  const auto deadline = std::chrono::steady_clock::now() + 30s;
  while (!ready()) {
    if (!stillRunning(pid)) throw std::runtime_error(what + " ended while starting");
    if (std::chrono::steady_clock::now() > deadline) throw std::runtime_error(what + " did not get ready");
    std::this_thread::sleep_for(50ms);
  }
}

void terminate(pid_t& pid) {
  if (pid <= 0) return;
  ::kill(pid, SIGTERM);
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  int status = 0;
  while (::waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      break;
    }
    std::this_thread::sleep_for(20ms);
  }
  pid = -1;
}

// A fresh network namespace has its loopback interface down.
void bringUpLoopback() {
  const int socket = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (socket < 0) throw std::runtime_error("cannot reach the loopback interface");
  ifreq request{};
  std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
  const bool up = ::ioctl(socket, SIOCGIFFLAGS, &request) == 0 && ((request.ifr_flags |= IFF_UP), true) &&
                  ::ioctl(socket, SIOCSIFFLAGS, &request) == 0;
  ::close(socket);
  if (!up) throw std::runtime_error("cannot bring up the loopback interface");
}

std::size_t threadCount() {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/task")) ++count;
  return count;
}

void writeFile(const fs::path& path, const std::string& text) {
  std::ofstream file(path);
  file << text;
  if (!file) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace

std::string DesktopDiskServices::unavailableReason() {
  if (::geteuid() != 0) return "not running as root (udevd and udisksd need it)";
  for (const char* program : {udevProgram, udisksProgram, busProgram}) {
    if (::access(program, X_OK) != 0) return std::string(program) + " is not installed (scripts/install-deps)";
  }
  for (const char* tool : {"udevadm", "udisksctl", "dbus-send"}) {
    if (!haveTool(tool)) return std::string(tool) + " is not installed (scripts/install-deps)";
  }
  return {};
}

std::unique_ptr<DesktopDiskServices> DesktopDiskServices::start() {
  if (const std::string why = unavailableReason(); !why.empty()) throw std::runtime_error(why);
  if (threadCount() != 1) throw std::runtime_error("the disk services must be started before any other thread");
  std::unique_ptr<DesktopDiskServices> services(new DesktopDiskServices());
  services->folder_ = std::make_unique<TemporaryFolder>();
  try {
    services->enterNamespace();
    services->startBus();
    services->startUdev();
    services->startUdisks();
  } catch (...) {
    services->stop();
    throw;
  }
  return services;
}

DesktopDiskServices::~DesktopDiskServices() { stop(); }

void DesktopDiskServices::enterNamespace() {
  if (const char* previous = std::getenv("TMPDIR")) {
    hadTemporaryFolder_ = true;
    previousTemporaryFolder_ = previous;
  }
  // A network namespace too: udevd tells its listeners what it found over netlink, which
  // reaches every process of a network namespace, so another group's udisksd would take
  // this group's cards as that group's udevd saw them (not at all). The kernel's own
  // device events still reach every namespace.
  if (::unshare(CLONE_NEWNS | CLONE_NEWNET) != 0) throw std::runtime_error("cannot make a mount and network namespace");
  bringUpLoopback();
  if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
    throw std::runtime_error("cannot make the namespace's mounts private");
  }
  insideNamespace_ = true;
  letGoOfOtherTestsMounts();
  for (const char* folder : privateFolders) {
    std::error_code ignored;
    fs::create_directories(folder, ignored);  // the mount point must exist outside too
    if (::mount("tmpfs", folder, "tmpfs", MS_NOSUID, "mode=0755") != 0) {
      throw std::runtime_error(std::string("cannot cover ") + folder);
    }
  }
  fs::create_directories("/run/dbus");
  writeOwnRules();

  ::setenv("TMPDIR", folder().c_str(), 1);
  ::setenv("DBUS_SYSTEM_BUS_ADDRESS", (std::string("unix:path=") + busSocket).c_str(), 1);
}

void DesktopDiskServices::writeOwnRules() {
  // Every rule of the system applies to this group's loop devices (and their partitions)
  // only: each rules file is put in front of udev again, wrapped so that anything else
  // jumps past it. udev then reads no other device and changes no other node.
  fs::create_directories(ownRules);
  const std::string thisGroup =
      "SUBSYSTEM==\"block\", KERNEL==\"loop*\", ATTRS{loop/backing_file}==\"" + folder() + "/*\", ";
  int file = 0;
  for (const auto& entry : fs::directory_iterator(systemRules)) {
    if (entry.path().extension() != ".rules") continue;
    std::ifstream original(entry.path());
    std::stringstream rules;
    rules << original.rdbuf();
    const std::string label = "this_group_" + std::to_string(++file);
    writeFile(fs::path(ownRules) / entry.path().filename(),
              thisGroup + "GOTO=\"" + label + "_rules\"\nGOTO=\"" + label + "_end\"\nLABEL=\"" + label +
                  "_rules\"\n" + rules.str() + "\nLABEL=\"" + label + "_end\"\n");
  }
  // Last: the nodes keep the owner and mode the kernel gave them, as the tests that run
  // without udev know them.
  writeFile(fs::path(ownRules) / "99-zz-kernel-modes.rules", thisGroup + "OWNER=\"root\", GROUP=\"root\", MODE=\"0600\"\n");
}

void DesktopDiskServices::startBus() {
  const fs::path config = fs::path(folder()) / "system-bus.conf";
  writeFile(config,
            "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN\"\n"
            " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
            "<busconfig>\n"
            "  <type>system</type>\n"
            "  <listen>unix:path=" + std::string(busSocket) + "</listen>\n"
            "  <auth>EXTERNAL</auth>\n"
            "  <policy context=\"default\">\n"
            "    <allow user=\"*\"/>\n"
            "    <allow own=\"*\"/>\n"
            "    <allow send_type=\"method_call\"/>\n"
            "    <allow send_type=\"signal\"/>\n"
            "    <allow send_type=\"method_return\"/>\n"
            "    <allow send_type=\"error\"/>\n"
            "    <allow receive_type=\"method_call\"/>\n"
            "    <allow receive_type=\"signal\"/>\n"
            "    <allow receive_type=\"method_return\"/>\n"
            "    <allow receive_type=\"error\"/>\n"
            "  </policy>\n"
            "</busconfig>\n");
  bus_ = spawn({busProgram, "--config-file=" + config.string(), "--nofork", "--nopidfile"}, folder() + "/bus.log");
  awaitReady(bus_, "dbus-daemon", [] { return fs::exists(busSocket); });
}

void DesktopDiskServices::startUdev() {
  udev_ = spawn({udevProgram}, folder() + "/udevd.log");
  awaitReady(udev_, "systemd-udevd", [] { return fs::exists("/run/udev/control"); });
}

void DesktopDiskServices::startUdisks() {
  udisks_ = spawn({udisksProgram, "--no-sigint"}, folder() + "/udisksd.log");
  awaitReady(udisks_, "udisksd", [] {
    const CommandResult owner = runCommand({"dbus-send", "--system", "--print-reply", "--dest=org.freedesktop.DBus",
                                            "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner",
                                            "string:org.freedesktop.UDisks2"});
    return owner.ok() && owner.output.find("boolean true") != std::string::npos;
  });
}

std::string DesktopDiskServices::serviceLog() const {
  std::ifstream log(folder() + "/udisksd.log");
  std::stringstream text;
  text << log.rdbuf();
  return text.str();
}

void DesktopDiskServices::stop() {
  terminate(udisks_);
  terminate(udev_);
  terminate(bus_);
  if (!insideNamespace_) return;
  ::unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
  if (hadTemporaryFolder_) {
    ::setenv("TMPDIR", previousTemporaryFolder_.c_str(), 1);
  } else {
    ::unsetenv("TMPDIR");
  }
  // Whatever udisksd left mounted in /media goes with the folders.
  for (auto folder = std::rbegin(privateFolders); folder != std::rend(privateFolders); ++folder) {
    ::umount2(*folder, MNT_DETACH);
  }
}

}  // namespace tessorin::testing
