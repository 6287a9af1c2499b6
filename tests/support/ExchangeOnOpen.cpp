#include "ExchangeOnOpen.hpp"

#include <fcntl.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <poll.h>
#include <stdio.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstddef>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>

#include "tessorin/posix/FileDescriptor.hpp"

namespace tessorin::testing {

namespace fs = std::filesystem;

namespace {

// The calling thread's open and openat calls go to the returned listener; all else runs.
FileDescriptor holdOpensOfThisThread() {
  sock_filter filter[] = {
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_openat, 1, 0),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_open, 0, 1),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_USER_NOTIF),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
  };
  sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
  const long listener = ::syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, SECCOMP_FILTER_FLAG_NEW_LISTENER, &program);
  if (listener < 0) throw std::runtime_error(std::string("cannot hold the thread's opens: ") + std::strerror(errno));
  return FileDescriptor(static_cast<int>(listener));
}

// The path an open call was given: the thread is this process's, and waits meanwhile.
std::string_view pathOf(const seccomp_notif& call) {
  const auto argument = call.data.nr == __NR_openat ? call.data.args[1] : call.data.args[0];
  return reinterpret_cast<const char*>(argument);
}

bool endsIn(std::string_view path, std::string_view name) {
  return path.size() >= name.size() && path.substr(path.size() - name.size()) == name &&
         (path.size() == name.size() || path[path.size() - name.size() - 1] == '/');
}

}  // namespace

ExchangeOnOpen::ExchangeOnOpen(fs::path folder, fs::path other, const std::function<void()>& work) {
  std::atomic<int> listener{-1};
  std::atomic<bool> done{false};
  std::exception_ptr failure;
  std::thread worker([&] {
    try {
      FileDescriptor held = holdOpensOfThisThread();
      listener = held.get();
      listener.notify_all();
      work();
      done = true;
      // The supervisor may let go of the listener only once no open can come any more.
      listener.wait(held.get());
    } catch (...) {
      failure = std::current_exception();
      done = true;
      if (listener == -1) listener = -2;
      listener.notify_all();
    }
  });
  listener.wait(-1);
  const std::string name = folder.filename().string();
  while (listener >= 0 && !done) {
    pollfd ready{listener, POLLIN, 0};
    if (::poll(&ready, 1, 50) <= 0) continue;
    seccomp_notif call{};
    if (::ioctl(listener, SECCOMP_IOCTL_NOTIF_RECV, &call) != 0) continue;
    if (!exchanged_ && endsIn(pathOf(call), name)) {
      exchanged_ = ::renameat2(AT_FDCWD, folder.c_str(), AT_FDCWD, other.c_str(), RENAME_EXCHANGE) == 0;
    }
    seccomp_notif_resp answer{};
    answer.id = call.id;
    answer.flags = SECCOMP_USER_NOTIF_FLAG_CONTINUE;
    ::ioctl(listener, SECCOMP_IOCTL_NOTIF_SEND, &answer);
  }
  listener = -3;
  listener.notify_all();
  worker.join();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace tessorin::testing
