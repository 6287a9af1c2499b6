// tessorin_counterfeit_card: a FUSE program that serves one file, "medium", standing for
// the whole medium of a card that may lie about its size, the way counterfeit and worn
// cards do. The tests attach the file to a loop device and put a real file system on it,
// so the engine meets the lie through the real kernel and file-system path.
//
// The medium claims C bytes and really keeps only R (a sparse backing file of R bytes).
// Past R it behaves as its mode says:
//   genuine    R = C: nothing lies
//   wrap       byte o is stored at o mod R (the address wrap of a counterfeit controller)
//   drop-zero  writes are thrown away, reads return zeros
//   drop-ff    writes are thrown away, reads return 0xFF bytes (erased flash)
//   error      reads and writes fail with EIO
// Independent of R: --bitrot=OFFSET,LENGTH flips one bit in every 512-byte sector of the
// window on read (a damaged card); --write-rate=BYTES_PER_S paces writes (a slow card);
// the medium vanishes, and from then on every call on it fails with --vanish-error
// (ENODEV or EIO), after --vanish-after=BYTES were written or when the word "vanish" is
// written to the file "control" beside the medium. "rate N" written there sets the
// write rate (0: unlimited); "read-delay MS" makes every read wait MS milliseconds before
// it is answered (0: at once), as a card that hardly answers.
// --cache=BYTES gives the controller a write cache of that size: the last BYTES written
// are served back from it, also past R where nothing keeps them, until the card loses
// power ("replug" written to the control file).
// --write-back=BYTES gives the card a volatile cache of that size: a write is taken once
// it sits there, and stored on the medium only when the host flushes (fsync of the
// medium) or the cache is full. A card that turned read-only meanwhile cannot store it:
// the cache's contents are lost and the flush fails. A power loss empties it too.
// A worn card turns read-only: it keeps what it has and refuses every write with
// --read-only-error (EROFS or EIO) once --read-only-after=BYTES were written in all, or
// after "read-only-after BYTES" was written to the control file (0: from then on).
// --unwritten-reservations stands for a file-system driver that reserves space without
// writing it: a write past R that is nothing but zeros (what a driver that writes the
// space it reserves sends) is not stored. Test data is never all zeros.
//
// The medium is served with direct_io: it has no page cache of its own, so every read of
// the loop device above reaches these functions.
//
// Usage: tessorin_counterfeit_card --claimed=SIZE [--real=SIZE] [--mode=MODE]
//          --backing=FILE [options above] [FUSE options, e.g. -f] MOUNT_DIR
// Sizes are bytes, or a number with K, M or G (binary units).

#define FUSE_USE_VERSION 35
#include <fuse.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

enum class Mode { genuine, wrap, dropZero, dropFF, error };

constexpr const char* mediumPath = "/medium";
constexpr const char* controlPath = "/control";
constexpr std::uint64_t sectorSize = 512;

struct Window {
  std::uint64_t offset = 0;
  std::uint64_t length = 0;
};

struct Medium {
  std::uint64_t claimed = 0;
  std::uint64_t real = 0;
  Mode mode = Mode::genuine;
  std::optional<Window> bitRot;
  int vanishError = ENODEV;
  std::optional<std::uint64_t> vanishAfter;
  int backing = -1;

  std::uint64_t cacheBytes = 0;
  std::uint64_t writeBackBytes = 0;

  int readOnlyError = EROFS;
  bool unwrittenReservations = false;
  // Writes are refused once bytesWritten has reached this.
  std::atomic<std::uint64_t> readOnlyFrom{~std::uint64_t{0}};

  std::atomic<bool> vanished{false};
  std::atomic<std::uint64_t> bytesWritten{0};

  // Guards the fields below; the condition wakes paced writes when the rate or the
  // medium's presence changes.
  std::mutex pacingLock;
  std::condition_variable pacingChanged;
  std::uint64_t writeRate = 0;  // bytes per second, 0 for unlimited
  Clock::time_point nextWriteFree{};
  std::uint64_t readDelayMilliseconds = 0;
};

Medium medium;

// ---- the real part: bytes below R live in the backing file -------------------------

int readBacking(char* buffer, std::uint64_t size, std::uint64_t offset) {
  std::uint64_t done = 0;
  while (done < size) {
    const ssize_t got = ::pread(medium.backing, buffer + done, size - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return -errno;
    if (got == 0) {  // a hole at the end of the sparse file reads as zeros
      std::memset(buffer + done, 0, size - done);
      break;
    }
    done += static_cast<std::uint64_t>(got);
  }
  return 0;
}

int writeBacking(const char* buffer, std::uint64_t size, std::uint64_t offset) {
  std::uint64_t done = 0;
  while (done < size) {
    const ssize_t put = ::pwrite(medium.backing, buffer + done, size - done, static_cast<off_t>(offset + done));
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) return -errno;
    done += static_cast<std::uint64_t>(put);
  }
  return 0;
}

// ---- the ways of lying past R: each serves [offset, offset + size), offset >= R ------

// The controller ignores the high address bits: every byte lands at o mod R.
int readWrapped(char* buffer, std::uint64_t size, std::uint64_t offset) {
  for (std::uint64_t done = 0; done < size;) {
    const std::uint64_t at = (offset + done) % medium.real;
    const std::uint64_t piece = std::min(size - done, medium.real - at);
    if (const int result = readBacking(buffer + done, piece, at); result != 0) return result;
    done += piece;
  }
  return 0;
}

int writeWrapped(const char* buffer, std::uint64_t size, std::uint64_t offset) {
  for (std::uint64_t done = 0; done < size;) {
    const std::uint64_t at = (offset + done) % medium.real;
    const std::uint64_t piece = std::min(size - done, medium.real - at);
    if (const int result = writeBacking(buffer + done, piece, at); result != 0) return result;
    done += piece;
  }
  return 0;
}

// Nothing stands behind the addresses: writes vanish and reads return the fill byte.
int readDropped(char* buffer, std::uint64_t size, unsigned char fill) {
  std::memset(buffer, fill, size);
  return 0;
}

int writeDropped() { return 0; }

// The controller admits that the address is out of its reach.
int failPastReal() { return -EIO; }

int readPastReal(char* buffer, std::uint64_t size, std::uint64_t offset) {
  switch (medium.mode) {
    case Mode::genuine: return readBacking(buffer, size, offset);  // R = C: not reached
    case Mode::wrap: return readWrapped(buffer, size, offset);
    case Mode::dropZero: return readDropped(buffer, size, 0x00);
    case Mode::dropFF: return readDropped(buffer, size, 0xFF);
    case Mode::error: return failPastReal();
  }
  return -EIO;
}

bool allZeros(const char* buffer, std::uint64_t size) {
  return std::all_of(buffer, buffer + size, [](char byte) { return byte == 0; });
}

int writePastReal(const char* buffer, std::uint64_t size, std::uint64_t offset) {
  if (medium.unwrittenReservations && allZeros(buffer, size)) return 0;
  switch (medium.mode) {
    case Mode::genuine: return writeBacking(buffer, size, offset);
    case Mode::wrap: return writeWrapped(buffer, size, offset);
    case Mode::dropZero:
    case Mode::dropFF: return writeDropped();
    case Mode::error: return failPastReal();
  }
  return -EIO;
}

// ---- the controller's write cache ------------------------------------------------------

// The last cacheBytes written, sector by sector in a ring: a sector written again takes a
// new place, and the oldest place is reused first. Reads are answered from it before the
// medium is asked, the way a fake's controller serves its RAM until the power goes.
class ControllerCache {
 public:
  void resize(std::uint64_t bytes) {
    std::lock_guard guard(lock_);
    slots_ = bytes / sectorSize;
    data_.assign(slots_ * sectorSize, 0);
    holder_.assign(slots_, noSector);
    slotOf_.clear();
    next_ = 0;
  }

  bool enabled() const { return slots_ > 0; }

  // Only whole sectors are kept: the loop device above always writes whole ones.
  void store(const char* buffer, std::uint64_t size, std::uint64_t offset) {
    if (!enabled()) return;
    std::lock_guard guard(lock_);
    for (std::uint64_t at = roundUp(offset); at + sectorSize <= offset + size; at += sectorSize) {
      const std::uint64_t slot = next_++ % slots_;
      const std::uint64_t sector = at / sectorSize;
      if (holder_[slot] != noSector) {
        const auto old = slotOf_.find(holder_[slot]);
        if (old != slotOf_.end() && old->second == slot) slotOf_.erase(old);
      }
      holder_[slot] = sector;
      slotOf_[sector] = slot;
      std::memcpy(data_.data() + slot * sectorSize, buffer + (at - offset), sectorSize);
    }
  }

  // Copies the cached sectors of the range over the buffer; returns whether every whole
  // sector of it was cached.
  bool serve(char* buffer, std::uint64_t size, std::uint64_t offset) {
    if (!enabled()) return false;
    std::lock_guard guard(lock_);
    bool all = true;
    for (std::uint64_t at = roundUp(offset); at + sectorSize <= offset + size; at += sectorSize) {
      const auto found = slotOf_.find(at / sectorSize);
      if (found == slotOf_.end()) {
        all = false;
        continue;
      }
      std::memcpy(buffer + (at - offset), data_.data() + found->second * sectorSize, sectorSize);
    }
    return all;
  }

  // The power went: the cache holds nothing any more.
  void clear() {
    std::lock_guard guard(lock_);
    std::fill(holder_.begin(), holder_.end(), noSector);
    slotOf_.clear();
  }

 private:
  static constexpr std::uint64_t noSector = ~std::uint64_t{0};
  static std::uint64_t roundUp(std::uint64_t offset) { return (offset + sectorSize - 1) / sectorSize * sectorSize; }

  std::mutex lock_;
  std::uint64_t slots_ = 0;
  std::vector<char> data_;
  std::vector<std::uint64_t> holder_;  // the sector in each slot
  std::unordered_map<std::uint64_t, std::uint64_t> slotOf_;
  std::uint64_t next_ = 0;
};

ControllerCache controllerCache;

// Past R the controller's cache answers first; the medium only fails a read when it is
// asked for a sector the cache does not hold.
int readPastRealThroughCache(char* buffer, std::uint64_t size, std::uint64_t offset) {
  const int result = readPastReal(buffer, size, offset);
  const bool allCached = controllerCache.serve(buffer, size, offset);
  return allCached ? 0 : result;
}

// ---- the lies independent of R --------------------------------------------------------

// A worn card: one bit of each sector in the window comes back flipped.
void rotBits(char* buffer, std::uint64_t size, std::uint64_t offset) {
  if (!medium.bitRot) return;
  const std::uint64_t from = std::max(offset, medium.bitRot->offset);
  const std::uint64_t to = std::min(offset + size, medium.bitRot->offset + medium.bitRot->length);
  for (std::uint64_t sector = from / sectorSize * sectorSize; sector < to; sector += sectorSize) {
    const std::uint64_t victim = sector + sectorSize - 1;  // the last byte of the sector
    if (victim >= from && victim < to) buffer[victim - offset] ^= 0x01;
  }
}

// A slow card: writes queue behind each other at the set rate. A new rate, or the card
// vanishing, ends the waits at once.
void paceWrite(std::uint64_t size) {
  std::unique_lock<std::mutex> lock(medium.pacingLock);
  const std::uint64_t rate = medium.writeRate;
  if (rate == 0) return;
  const auto duration =
      std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(double(size) / double(rate)));
  medium.nextWriteFree = std::max(medium.nextWriteFree, Clock::now()) + duration;
  const Clock::time_point done = medium.nextWriteFree;
  medium.pacingChanged.wait_until(lock, done, [rate] { return medium.writeRate != rate || medium.vanished; });
}

void setWriteRate(std::uint64_t rate) {
  std::lock_guard<std::mutex> guard(medium.pacingLock);
  medium.writeRate = rate;
  medium.nextWriteFree = Clock::now();
  medium.pacingChanged.notify_all();
}

// A card slow to answer: each read waits its delay out; a new delay, or the card
// vanishing, ends the waits at once.
void delayRead() {
  std::unique_lock<std::mutex> lock(medium.pacingLock);
  const std::uint64_t delay = medium.readDelayMilliseconds;
  if (delay == 0) return;
  medium.pacingChanged.wait_for(lock, std::chrono::milliseconds(delay),
                                [delay] { return medium.readDelayMilliseconds != delay || medium.vanished; });
}

void setReadDelay(std::uint64_t milliseconds) {
  std::lock_guard<std::mutex> guard(medium.pacingLock);
  medium.readDelayMilliseconds = milliseconds;
  medium.pacingChanged.notify_all();
}

// A card pulled out: from now on every call on the medium fails.
void vanish() {
  std::lock_guard<std::mutex> guard(medium.pacingLock);
  medium.vanished = true;
  medium.pacingChanged.notify_all();
}

int vanishedError() { return medium.vanished ? -medium.vanishError : 0; }

// A worn card that turned read-only: what it holds stays readable, every write fails.
int refusedWrite() { return medium.bytesWritten >= medium.readOnlyFrom ? -medium.readOnlyError : 0; }

void turnReadOnlyAfter(std::uint64_t bytes) { medium.readOnlyFrom = medium.bytesWritten + bytes; }

void countWritten(std::uint64_t size) {
  const std::uint64_t total = medium.bytesWritten += size;
  if (medium.vanishAfter && total >= *medium.vanishAfter) vanish();
}

// Stores bytes on the medium itself, below R and past it.
int storeOnMedium(const char* buffer, std::uint64_t size, std::uint64_t offset) {
  const std::uint64_t below = offset < medium.real ? std::min(size, medium.real - offset) : 0;
  if (below > 0) {
    if (const int result = writeBacking(buffer, below, offset); result != 0) return result;
  }
  if (below < size) {
    if (const int result = writePastReal(buffer + below, size - below, offset + below); result != 0) return result;
  }
  return 0;
}

// ---- the card's volatile write-back cache ------------------------------------------------

// Sectors taken but not yet on the medium, the newest copy of each. Its lock covers the
// cache and every read and write of the medium while the cache is on, so that no read
// falls between a flush taking sectors out and storing them; callers of every member
// but lock() hold it.
class WriteBackCache {
 public:
  void resize(std::uint64_t bytes) { limit_ = bytes; }
  bool enabled() const { return limit_ > 0; }
  std::mutex& lock() { return lock_; }

  // A write larger than the cache, or not of whole sectors, goes straight to the medium
  // behind what the cache held.
  int take(const char* buffer, std::uint64_t size, std::uint64_t offset) {
    if (held_.size() * sectorSize + size > limit_) {
      if (const int result = flush(); result != 0) return result;
    }
    if (size > limit_ || offset % sectorSize != 0 || size % sectorSize != 0) return storeOnMedium(buffer, size, offset);
    for (std::uint64_t done = 0; done < size; done += sectorSize) {
      std::memcpy(held_[(offset + done) / sectorSize].data(), buffer + done, sectorSize);
    }
    return 0;
  }

  // The held sectors of the range, over what the medium returned.
  void serve(char* buffer, std::uint64_t size, std::uint64_t offset) const {
    const std::uint64_t first = offset / sectorSize;
    for (auto held = held_.lower_bound(first); held != held_.end(); ++held) {
      const std::uint64_t at = held->first * sectorSize;
      if (at + sectorSize > offset + size) break;
      if (at >= offset) std::memcpy(buffer + (at - offset), held->second.data(), sectorSize);
    }
  }

  // Stores the held sectors in runs; a card that has turned read-only loses them all.
  int flush() {
    if (const int refused = refusedWrite(); refused != 0) {
      held_.clear();
      return refused;
    }
    std::vector<char> run;
    std::uint64_t runStart = 0;
    int result = 0;
    for (auto held = held_.begin(); held != held_.end() && result == 0; ++held) {
      if (!run.empty() && held->first * sectorSize != runStart + run.size()) {
        result = storeOnMedium(run.data(), run.size(), runStart);
        run.clear();
      }
      if (run.empty()) runStart = held->first * sectorSize;
      run.insert(run.end(), held->second.begin(), held->second.end());
    }
    if (result == 0 && !run.empty()) result = storeOnMedium(run.data(), run.size(), runStart);
    held_.clear();
    return result;
  }

  // The power went: what was not stored is gone.
  void clear() { held_.clear(); }

 private:
  std::mutex lock_;
  std::uint64_t limit_ = 0;
  std::map<std::uint64_t, std::array<char, sectorSize>> held_;  // by sector number
};

WriteBackCache writeBackCache;

// ---- the FUSE operations -----------------------------------------------------------

int readMedium(char* buffer, std::uint64_t size, std::uint64_t offset) {
  if (offset >= medium.claimed) return 0;
  size = std::min(size, medium.claimed - offset);
  const std::uint64_t below = offset < medium.real ? std::min(size, medium.real - offset) : 0;
  if (below > 0) {
    if (const int result = readBacking(buffer, below, offset); result != 0) return result;
  }
  if (below < size) {
    if (const int result = readPastRealThroughCache(buffer + below, size - below, offset + below); result != 0) {
      return result;
    }
  }
  rotBits(buffer, size, offset);
  return static_cast<int>(size);
}

// What the card returns: its cache's newest copies over what the medium holds.
int doRead(char* buffer, std::uint64_t size, std::uint64_t offset) {
  delayRead();
  if (!writeBackCache.enabled()) return readMedium(buffer, size, offset);
  std::lock_guard guard(writeBackCache.lock());
  const int result = readMedium(buffer, size, offset);
  if (result > 0) writeBackCache.serve(buffer, static_cast<std::uint64_t>(result), offset);
  return result;
}

int doWrite(const char* buffer, std::uint64_t size, std::uint64_t offset) {
  if (offset >= medium.claimed) return -ENOSPC;
  size = std::min(size, medium.claimed - offset);
  paceWrite(size);
  if (const int gone = vanishedError(); gone != 0) return gone;
  if (const int refused = refusedWrite(); refused != 0) return refused;
  if (writeBackCache.enabled()) {
    std::lock_guard guard(writeBackCache.lock());
    if (const int result = writeBackCache.take(buffer, size, offset); result != 0) return result;
  } else if (const int result = storeOnMedium(buffer, size, offset); result != 0) {
    return result;
  }
  controllerCache.store(buffer, size, offset);
  countWritten(size);
  return static_cast<int>(size);
}

// Commands written to the control file, one per write: "vanish", "rate BYTES_PER_S",
// "read-delay MS", "replug" or "read-only-after BYTES".
int doControl(std::string_view command) {
  while (!command.empty() && (command.back() == '\n' || command.back() == ' ')) command.remove_suffix(1);
  if (command == "vanish") {
    vanish();
    return 0;
  }
  if (command == "replug") {
    controllerCache.clear();
    std::lock_guard guard(writeBackCache.lock());
    writeBackCache.clear();
    return 0;
  }
  if (command.rfind("read-only-after ", 0) == 0) {
    turnReadOnlyAfter(std::strtoull(std::string(command.substr(16)).c_str(), nullptr, 10));
    return 0;
  }
  if (command.rfind("read-delay ", 0) == 0) {
    setReadDelay(std::strtoull(std::string(command.substr(11)).c_str(), nullptr, 10));
    return 0;
  }
  if (command.rfind("rate ", 0) == 0) {
    setWriteRate(std::strtoull(std::string(command.substr(5)).c_str(), nullptr, 10));
    return 0;
  }
  return -EINVAL;
}

void* onInit(fuse_conn_info* connection, fuse_config* config) {
  config->direct_io = 1;
  // Larger requests: fewer round trips between the loop device and this program.
  connection->max_write = 1 << 20;
  return nullptr;
}

int onGetattr(const char* path, struct stat* info, fuse_file_info*) {
  std::memset(info, 0, sizeof *info);
  if (std::strcmp(path, "/") == 0) {
    info->st_mode = S_IFDIR | 0755;
    info->st_nlink = 2;
  } else if (std::strcmp(path, mediumPath) == 0) {
    info->st_mode = S_IFREG | 0600;
    info->st_nlink = 1;
    info->st_size = static_cast<off_t>(medium.claimed);
    info->st_blksize = 4096;
  } else if (std::strcmp(path, controlPath) == 0) {
    info->st_mode = S_IFREG | 0200;
    info->st_nlink = 1;
  } else {
    return -ENOENT;
  }
  return 0;
}

int onReaddir(const char* path, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info*, fuse_readdir_flags) {
  if (std::strcmp(path, "/") != 0) return -ENOENT;
  for (const char* name : {".", "..", mediumPath + 1, controlPath + 1}) {
    fill(buffer, name, nullptr, 0, fuse_fill_dir_flags{});
  }
  return 0;
}

int onOpen(const char* path, fuse_file_info* file) {
  if (std::strcmp(path, controlPath) == 0) {
    file->direct_io = 1;
    return 0;
  }
  if (std::strcmp(path, mediumPath) != 0) return -ENOENT;
  if (const int gone = vanishedError(); gone != 0) return gone;
  file->direct_io = 1;
  return 0;
}

int onTruncate(const char* path, off_t size, fuse_file_info*) {
  if (std::strcmp(path, controlPath) == 0) return 0;
  if (std::strcmp(path, mediumPath) == 0) return static_cast<std::uint64_t>(size) == medium.claimed ? 0 : -EPERM;
  return -ENOENT;
}

int onRead(const char* path, char* buffer, size_t size, off_t offset, fuse_file_info*) {
  if (std::strcmp(path, mediumPath) != 0) return -EBADF;
  if (const int gone = vanishedError(); gone != 0) return gone;
  return doRead(buffer, size, static_cast<std::uint64_t>(offset));
}

int onWrite(const char* path, const char* buffer, size_t size, off_t offset, fuse_file_info*) {
  if (std::strcmp(path, controlPath) == 0) {
    const int result = doControl(std::string_view(buffer, size));
    return result != 0 ? result : static_cast<int>(size);
  }
  if (std::strcmp(path, mediumPath) != 0) return -EBADF;
  return doWrite(buffer, size, static_cast<std::uint64_t>(offset));
}

int onFsync(const char* path, int, fuse_file_info*) {
  if (std::strcmp(path, mediumPath) != 0) return 0;
  if (const int gone = vanishedError(); gone != 0) return gone;
  if (writeBackCache.enabled()) {
    std::lock_guard guard(writeBackCache.lock());
    if (const int result = writeBackCache.flush(); result != 0) return result;
  }
  return ::fdatasync(medium.backing) == 0 ? 0 : -errno;
}

// ---- the command line ------------------------------------------------------------------

std::optional<std::uint64_t> parseSize(const std::string& text) {
  char* end = nullptr;
  errno = 0;
  std::uint64_t value = std::strtoull(text.c_str(), &end, 10);
  if (errno != 0 || end == text.c_str()) return std::nullopt;
  const std::string unit(end);
  if (unit == "K") value <<= 10;
  else if (unit == "M") value <<= 20;
  else if (unit == "G") value <<= 30;
  else if (!unit.empty()) return std::nullopt;
  return value;
}

std::optional<Mode> parseMode(const std::string& text) {
  if (text == "genuine") return Mode::genuine;
  if (text == "wrap") return Mode::wrap;
  if (text == "drop-zero") return Mode::dropZero;
  if (text == "drop-ff") return Mode::dropFF;
  if (text == "error") return Mode::error;
  return std::nullopt;
}

int usage(const std::string& problem) {
  std::fprintf(stderr,
               "tessorin_counterfeit_card: %s\n"
               "usage: tessorin_counterfeit_card --claimed=SIZE [--real=SIZE] "
               "[--mode=genuine|wrap|drop-zero|drop-ff|error] --backing=FILE [--bitrot=OFFSET,LENGTH] "
               "[--write-rate=BYTES_PER_S] [--vanish-error=ENODEV|EIO] [--vanish-after=BYTES] [--cache=BYTES] "
               "[--write-back=BYTES] "
               "[--read-only-after=BYTES] [--read-only-error=EROFS|EIO] [--unwritten-reservations] "
               "[FUSE options] MOUNT_DIR\n",
               problem.c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string backingPath;
  std::optional<std::uint64_t> real;
  // Enough workers that a control command never waits behind paced writes (the kernel
  // sends a dozen writes of the loop device at once), each kept once started. The idle
  // limit is given because libfuse 3.14 reports its own unset one as invalid at every start.
  char workerThreads[] = "-omax_threads=64,max_idle_threads=64";
  std::vector<char*> fuseArguments{argv[0], workerThreads};
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    const auto eq = argument.find('=');
    const std::string key = argument.substr(0, eq);
    const std::string value = eq == std::string::npos ? "" : argument.substr(eq + 1);
    if (key == "--claimed" || key == "--real" || key == "--write-rate" || key == "--vanish-after" || key == "--cache" ||
        key == "--write-back" || key == "--read-only-after") {
      const auto size = parseSize(value);
      if (!size) return usage("bad size in " + argument);
      if (key == "--claimed") medium.claimed = *size;
      if (key == "--real") real = *size;
      if (key == "--write-rate") medium.writeRate = *size;
      if (key == "--vanish-after") medium.vanishAfter = *size;
      if (key == "--cache") medium.cacheBytes = *size;
      if (key == "--write-back") medium.writeBackBytes = *size;
      if (key == "--read-only-after") medium.readOnlyFrom = *size;
    } else if (key == "--mode") {
      const auto mode = parseMode(value);
      if (!mode) return usage("unknown mode " + value);
      medium.mode = *mode;
    } else if (key == "--backing") {
      backingPath = value;
    } else if (key == "--bitrot") {
      const auto comma = value.find(',');
      const auto offset = parseSize(value.substr(0, comma));
      const auto length = comma == std::string::npos ? std::nullopt : parseSize(value.substr(comma + 1));
      if (!offset || !length) return usage("bad window in " + argument);
      medium.bitRot = Window{*offset, *length};
    } else if (key == "--read-only-error") {
      if (value != "EROFS" && value != "EIO") return usage("read-only error must be EROFS or EIO");
      medium.readOnlyError = value == "EIO" ? EIO : EROFS;
    } else if (argument == "--unwritten-reservations") {
      medium.unwrittenReservations = true;
    } else if (key == "--vanish-error") {
      if (value != "ENODEV" && value != "EIO") return usage("vanish error must be ENODEV or EIO");
      medium.vanishError = value == "EIO" ? EIO : ENODEV;
    } else {
      fuseArguments.push_back(argv[i]);
    }
  }
  medium.real = real.value_or(medium.claimed);
  if (medium.mode == Mode::genuine) medium.real = medium.claimed;
  if (medium.claimed == 0 || backingPath.empty()) return usage("--claimed and --backing are required");
  if (medium.real == 0 || medium.real > medium.claimed) {
    return usage("the real size must be between 1 and the claimed size");
  }

  controllerCache.resize(medium.cacheBytes);
  writeBackCache.resize(medium.writeBackBytes);

  medium.backing = ::open(backingPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (medium.backing < 0 || ::ftruncate(medium.backing, static_cast<off_t>(medium.real)) != 0) {
    std::perror(backingPath.c_str());
    return 1;
  }

  fuse_operations operations{};
  operations.init = onInit;
  operations.getattr = onGetattr;
  operations.readdir = onReaddir;
  operations.open = onOpen;
  operations.truncate = onTruncate;
  operations.read = onRead;
  operations.write = onWrite;
  operations.fsync = onFsync;
  fuseArguments.push_back(nullptr);
  const int status = fuse_main(static_cast<int>(fuseArguments.size()) - 1, fuseArguments.data(), &operations, nullptr);
  ::close(medium.backing);
  return status;
}
