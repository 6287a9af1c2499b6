#pragma once
// DiskTurns: the test processes on this machine that hold media on one disk, and those
// waiting for room on it, seen through small files in a folder of root's (or the
// running user's) own under the temporary folder. ctest runs tests side by side, each
// process taking its whole medium at its start; a medium that does not fit waits while
// another test still holds disk, in the order the waiters came. Each process keeps a
// lock on its own file for as long as it holds or waits, so a test that crashed holds
// nothing and keeps no one waiting. One object per reservation, on one thread.

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>

namespace tessorin::testing {

class DiskTurns {
 public:
  // A file of ours, locked while the object lives and removed when it goes.
  class Mark {
   public:
    Mark() = default;
    Mark(std::string path, int fd) : path_(std::move(path)), fd_(fd) {}
    Mark(Mark&& other) noexcept;
    Mark& operator=(Mark&& other) noexcept;
    ~Mark();
    const std::string& path() const { return path_; }

   private:
    void release();
    std::string path_;
    int fd_ = -1;
  };

  // The turns of the disk holding `folder`; nullopt where no folder of our own for them
  // can be had, and a reservation then goes ahead without taking turns.
  static std::optional<DiskTurns> forDiskOf(const std::string& folder);

  // Looking at the free space and reserving happen one process at a time: held while
  // the returned lock lives.
  class Turn;
  Turn take() const;

  Mark markHolding() const;
  Mark markWaiting() const;
  // A live holder of another process: room may still come.
  bool othersHold() const;
  // A live waiter who came before `ownWaiting` (any, when this process is not waiting
  // yet) goes first.
  bool someoneWaitsBefore(const Mark* ownWaiting) const;

 private:
  explicit DiskTurns(std::string folder) : folder_(std::move(folder)) {}
  std::string folder_;
};

class DiskTurns::Turn {
 public:
  explicit Turn(int fd) : fd_(fd) {}
  Turn(Turn&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  Turn& operator=(Turn&&) = delete;
  ~Turn();

 private:
  int fd_;
};

}  // namespace tessorin::testing
