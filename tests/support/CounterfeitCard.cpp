#include "CounterfeitCard.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

#include "Command.hpp"
#include "DiskReservation.hpp"
#include "tessorin/posix/DeviceWriteCounter.hpp"

#ifndef TESSORIN_COUNTERFEIT_CARD_PROGRAM
#error "TESSORIN_COUNTERFEIT_CARD_PROGRAM must name the tessorin_counterfeit_card executable"
#endif

namespace tessorin::testing {

namespace {

using namespace std::chrono_literals;

const char* modeArgument(CounterfeitCard::Mode mode) {
  switch (mode) {
    case CounterfeitCard::Mode::genuine: return "genuine";
    case CounterfeitCard::Mode::wrap: return "wrap";
    case CounterfeitCard::Mode::dropZero: return "drop-zero";
    case CounterfeitCard::Mode::dropFF: return "drop-ff";
    case CounterfeitCard::Mode::error: return "error";
  }
  return "genuine";
}

std::string readLog(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Reaps the child if it exits within the limit.
bool waitForExit(pid_t child, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    int status = 0;
    const pid_t reaped = ::waitpid(child, &status, WNOHANG);
    if (reaped == child || (reaped < 0 && errno == ECHILD)) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(5ms);
  }
}

}  // namespace

CounterfeitCard::CounterfeitCard(const Options& options) : options_(options) {
  if (options_.real == 0 || options_.mode == Mode::genuine) options_.real = options_.claimed;
  if (options_.claimed == 0 || options_.real > options_.claimed) {
    throw std::invalid_argument("a card needs a claimed size and a real size no larger");
  }
  if (options_.vanishError != ENODEV && options_.vanishError != EIO) {
    throw std::invalid_argument("a vanished card fails with ENODEV or EIO");
  }
  if (options_.readOnlyError != EROFS && options_.readOnlyError != EIO) {
    throw std::invalid_argument("a card turned read-only fails writes with EROFS or EIO");
  }
}

std::unique_ptr<CounterfeitCard> CounterfeitCard::make(const Options& options) {
  std::unique_ptr<CounterfeitCard> card(new CounterfeitCard(options));
  card->startServer();
  // The loop device bypasses its own page cache of the medium: the medium has none
  // anyway (direct_io), and going around it makes small writes almost twice as fast.
  // The cache of the loop device itself, above, is untouched: that is the one a
  // FUSE-mounted volume reads through.
  card->volume_ = options.fileSystem
                      ? LoopVolume::onFile(card->mediumPath_, *options.fileSystem, options.label, true, LoopIo::direct)
                      : LoopVolume::attach(card->mediumPath_, LoopIo::direct);
  // Counted from here: making and formatting the card is not what wears it out.
  if (options.readOnlyAfterBytesWritten) card->turnReadOnlyAfter(*options.readOnlyAfterBytesWritten);
  return card;
}

void CounterfeitCard::startServer() {
  serverMountPoint_ = folder_.path() + "/server";
  mediumPath_ = serverMountPoint_ + "/medium";
  std::filesystem::create_directory(serverMountPoint_);
  const std::string logPath = folder_.path() + "/server.log";
  const std::string backingPath = folder_.path() + "/backing.img";
  // Only what the card really keeps is stored; the rest of its claimed size is a lie.
  reservation_ = std::make_unique<DiskReservation>(backingPath, options_.real);

  std::vector<std::string> arguments{
      TESSORIN_COUNTERFEIT_CARD_PROGRAM,
      "--claimed=" + std::to_string(options_.claimed),
      "--real=" + std::to_string(options_.real),
      std::string("--mode=") + modeArgument(options_.mode),
      "--backing=" + backingPath,
      std::string("--vanish-error=") + (options_.vanishError == EIO ? "EIO" : "ENODEV"),
      std::string("--read-only-error=") + (options_.readOnlyError == EIO ? "EIO" : "EROFS"),
  };
  if (options_.bitRot) {
    arguments.push_back("--bitrot=" + std::to_string(options_.bitRot->offset) + "," +
                        std::to_string(options_.bitRot->length));
  }
  if (options_.writeBytesPerSecond > 0) {
    arguments.push_back("--write-rate=" + std::to_string(options_.writeBytesPerSecond));
  }
  if (options_.controllerCacheBytes > 0) {
    arguments.push_back("--cache=" + std::to_string(options_.controllerCacheBytes));
  }
  if (options_.writeBackCacheBytes > 0) {
    arguments.push_back("--write-back=" + std::to_string(options_.writeBackCacheBytes));
  }
  if (options_.unwrittenReservations) arguments.push_back("--unwritten-reservations");
  if (options_.vanishAfterBytesWritten) {
    arguments.push_back("--vanish-after=" + std::to_string(*options_.vanishAfterBytesWritten));
  }
  arguments.push_back("-f");
  arguments.push_back(serverMountPoint_);

  std::vector<char*> argv;
  for (auto& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  const int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  const int devNull = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  const pid_t parent = ::getpid();

  server_ = ::fork();
  if (server_ == 0) {
    // A test process that dies leaves no server behind.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) ::_exit(126);
    ::dup2(devNull, STDIN_FILENO);
    ::dup2(log, STDOUT_FILENO);
    ::dup2(log, STDERR_FILENO);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  if (log >= 0) ::close(log);
  if (devNull >= 0) ::close(devNull);
  if (server_ < 0) throw std::runtime_error("cannot start " + arguments[0]);

  const auto deadline = std::chrono::steady_clock::now() + 10s;
  for (;;) {
    struct stat info {};
    if (::stat(mediumPath_.c_str(), &info) == 0 && static_cast<std::uint64_t>(info.st_size) == options_.claimed) return;
    int status = 0;
    if (::waitpid(server_, &status, WNOHANG) == server_) {
      server_ = -1;
      throw std::runtime_error("the counterfeit card server stopped: " + readLog(logPath));
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      stopServer();
      throw std::runtime_error("the counterfeit card did not appear within 10 s: " + readLog(logPath));
    }
    std::this_thread::sleep_for(2ms);
  }
}

bool CounterfeitCard::sendControl(const std::string& command) {
  const int control = ::open((serverMountPoint_ + "/control").c_str(), O_WRONLY | O_CLOEXEC);
  if (control < 0) return false;
  const bool sent = ::write(control, command.data(), command.size()) == static_cast<ssize_t>(command.size());
  ::close(control);
  return sent;
}

void CounterfeitCard::vanish() {
  if (!sendControl("vanish")) throw std::runtime_error("cannot reach the counterfeit card's control file");
}

void CounterfeitCard::setWriteRate(std::uint64_t bytesPerSecond) {
  if (!sendControl("rate " + std::to_string(bytesPerSecond))) {
    throw std::runtime_error("cannot reach the counterfeit card's control file");
  }
}

void CounterfeitCard::setReadDelay(std::chrono::milliseconds delay) {
  if (!sendControl("read-delay " + std::to_string(delay.count()))) {
    throw std::runtime_error("cannot reach the counterfeit card's control file");
  }
}

void CounterfeitCard::turnReadOnlyAfter(std::uint64_t bytes) {
  if (!sendControl("read-only-after " + std::to_string(bytes))) {
    throw std::runtime_error("cannot reach the counterfeit card's control file");
  }
}

void CounterfeitCard::replug() {
  if (!sendControl("replug")) throw std::runtime_error("cannot reach the counterfeit card's control file");
}

void CounterfeitCard::dropHostCaches() const {
  // Only clean copies can be forgotten: what the file system holds dirty goes first.
  if (const int volume = ::open(mountPoint().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); volume >= 0) {
    ::syncfs(volume);
    ::close(volume);
  }
  if (const int device = ::open(loopDevice().c_str(), O_RDONLY | O_CLOEXEC); device >= 0) {
    ::fsync(device);
    ::posix_fadvise(device, 0, 0, POSIX_FADV_DONTNEED);
    ::close(device);
  }
  std::ofstream("/proc/sys/vm/drop_caches") << "2";
}

std::uint64_t CounterfeitCard::bytesWrittenToDevice() const {
  const auto written = deviceBytesWritten(loopDevice());
  if (!written) throw std::runtime_error("no write counter for " + loopDevice());
  return *written;
}

void CounterfeitCard::stopServer() {
  if (server_ < 0) return;
  if (!runCommand({"fusermount3", "-u", serverMountPoint_}).ok()) {
    // The loop device still holds the medium (a file left open on the volume keeps it
    // attached): detach the mount and stop the server, which aborts what is left.
    runCommand({"fusermount3", "-u", "-z", serverMountPoint_});
    ::kill(server_, SIGTERM);
  }
  if (!waitForExit(server_, 5s)) {
    ::kill(server_, SIGKILL);
    waitForExit(server_, 5s);
  }
  server_ = -1;
}

CounterfeitCard::~CounterfeitCard() {
  // A slow card would make the file system's last flush crawl.
  if (server_ >= 0) {
    sendControl("rate 0");
    sendControl("read-delay 0");
  }
  volume_.reset();
  stopServer();
}

}  // namespace tessorin::testing
