#include "OrdinaryUser.hpp"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <exception>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "OtherTestsMounts.hpp"

namespace tessorin::testing {

namespace {

// A line of the talk; the part's result is marked so that it cannot be taken for
// something said.
constexpr char resultMark = '=';

void writeLine(int fd, std::string text) {
  std::replace(text.begin(), text.end(), '\n', ' ');
  text += '\n';
  for (std::size_t done = 0; done < text.size();) {
    const ssize_t written = ::write(fd, text.data() + done, text.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    done += static_cast<std::size_t>(written);
  }
}

bool recordDevice(const OrdinaryUser::DeviceRecord& record) {
  struct stat device {};
  if (::stat(record.deviceNode.c_str(), &device) != 0 || ::unshare(CLONE_NEWNS) != 0 ||
      ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
    return false;
  }
  // The user's part lives as long as its test: every copy of another test's card it held
  // would stay mounted that long.
  letGoOfOtherTestsMounts(record.deviceNode);
  if (::mount("tmpfs", "/run", "tmpfs", MS_NOSUID | MS_NODEV, "mode=755") != 0) return false;
  std::error_code error;
  std::filesystem::create_directories("/run/udev/data", error);
  const std::string name = "/run/udev/data/b" + std::to_string(major(device.st_rdev)) + ":" +
                           std::to_string(minor(device.st_rdev));
  std::ofstream(name) << "E:ID_FS_TYPE=" << record.fileSystemType << "\n";
  return !error && std::filesystem::exists(name);
}

bool dropRootsRights() {
  return ::setgroups(0, nullptr) == 0 && ::setresgid(OrdinaryUser::gid, OrdinaryUser::gid, OrdinaryUser::gid) == 0 &&
         ::setresuid(OrdinaryUser::uid, OrdinaryUser::uid, OrdinaryUser::uid) == 0;
}

}  // namespace

void OrdinaryUser::Line::say(const std::string& text) { writeLine(toTest_, text); }

std::string OrdinaryUser::Line::awaitAnswer() {
  std::string line;
  char c = 0;
  for (;;) {
    const ssize_t got = ::read(fromTest_, &c, 1);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) throw std::runtime_error("the test stopped answering");
    if (c == '\n') return line;
    line += c;
  }
}

OrdinaryUser::OrdinaryUser(const Part& part, const std::optional<DeviceRecord>& record) {
  int up[2];
  int down[2];
  if (::pipe2(up, O_CLOEXEC) != 0) throw std::runtime_error("no pipe for the ordinary user");
  if (::pipe2(down, O_CLOEXEC) != 0) {
    ::close(up[0]);
    ::close(up[1]);
    throw std::runtime_error("no pipe for the ordinary user");
  }
  child_ = ::fork();
  if (child_ == 0) {
    ::close(up[0]);
    ::close(down[1]);
    Line line(up[1], down[0]);
    if (record && !recordDevice(*record)) {
      writeLine(up[1], std::string(1, resultMark) + "failed: could not record the device for the ordinary user");
      ::_exit(2);
    }
    if (!dropRootsRights()) {
      writeLine(up[1], std::string(1, resultMark) + "failed: could not become the ordinary user");
      ::_exit(2);
    }
    try {
      writeLine(up[1], std::string(1, resultMark) + part(line));
    } catch (const std::exception& error) {
      writeLine(up[1], std::string(1, resultMark) + "failed: " + error.what());
    } catch (...) {
      writeLine(up[1], std::string(1, resultMark) + "failed: an exception");
    }
    ::_exit(0);
  }
  ::close(up[1]);
  ::close(down[0]);
  fromChild_ = up[0];
  toChild_ = down[1];
  if (child_ < 0) {
    ::close(fromChild_);
    ::close(toChild_);
    throw std::runtime_error("cannot start the ordinary user's process");
  }
}

OrdinaryUser::~OrdinaryUser() {
  if (child_ > 0) ::kill(child_, SIGKILL);
  reap();
  if (fromChild_ >= 0) ::close(fromChild_);
  if (toChild_ >= 0) ::close(toChild_);
}

std::optional<std::string> OrdinaryUser::readLine(std::chrono::seconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    if (const auto end = buffered_.find('\n'); end != std::string::npos) {
      std::string line = buffered_.substr(0, end);
      buffered_.erase(0, end + 1);
      return line;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return std::nullopt;
    pollfd ready{fromChild_, POLLIN, 0};
    const int polled = ::poll(&ready, 1, static_cast<int>(left.count()));
    if (polled < 0 && errno == EINTR) continue;
    if (polled <= 0) return std::nullopt;
    char chunk[512];
    const ssize_t got = ::read(fromChild_, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return std::nullopt;
    buffered_.append(chunk, static_cast<std::size_t>(got));
  }
}

std::optional<std::string> OrdinaryUser::heard(std::chrono::seconds limit) {
  if (result_) return std::nullopt;
  std::optional<std::string> line = readLine(limit);
  if (!line) {
    // Stuck or gone without a word: it will not be waited for.
    if (child_ > 0) ::kill(child_, SIGKILL);
    result_ = "failed: the ordinary user's process said nothing more in time";
    return std::nullopt;
  }
  if (!line->empty() && line->front() == resultMark) {
    result_ = line->substr(1);
    return std::nullopt;
  }
  return line;
}

void OrdinaryUser::answer(const std::string& text) { writeLine(toChild_, text); }

std::string OrdinaryUser::result(std::chrono::seconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!result_) {
    const auto left = std::chrono::duration_cast<std::chrono::seconds>(deadline - std::chrono::steady_clock::now());
    heard(std::max(left, std::chrono::seconds(0)));
  }
  reap();
  return *result_;
}

void OrdinaryUser::reap() {
  if (child_ <= 0) return;
  int status = 0;
  while (::waitpid(child_, &status, 0) < 0 && errno == EINTR) {
  }
  child_ = -1;
}

}  // namespace tessorin::testing
