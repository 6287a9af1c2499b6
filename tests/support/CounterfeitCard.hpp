#pragma once
// CounterfeitCard: a simulated card that lies the way counterfeit and worn cards do,
// met through the real kernel path. The program tessorin_counterfeit_card serves its
// medium over FUSE; a loop device sits on the medium, and a file system on the loop
// device (exFAT through exfat-fuse, or ext4 through the kernel) is mounted in a
// temporary folder:
//
//   using Mode = CounterfeitCard::Mode;
//   auto card = CounterfeitCard::make({.claimed = 4_GiB, .real = 1_GiB, .mode = Mode::wrap,
//                                      .fileSystem = FileSystemKind::exfat});
//   ... card->mountPoint() ...
//
// A card that wraps overwrites the file system's structures once data goes past its
// real size: reads may then fail and the volume may not mount again, as on a real fake.
//
// Everything is torn down when the object goes, also after a failed test: the file
// system (lazily when busy), the loop device, then the FUSE program (killed when it does
// not exit within seconds), without relying on the code under test having closed its files. One thread makes, uses and
// destroys a card (the server stops when the thread that made it ends);
// vanish(), setWriteRate(), setReadDelay() and turnReadOnlyAfter() may also be called
// from other threads.
// Needs what TESSORIN_REQUIRE_VOLUMES() checks.

#include <sys/types.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "ByteLiterals.hpp"
#include "DiskReservation.hpp"
#include "LoopVolume.hpp"

namespace tessorin::testing {

class CounterfeitCard {
 public:
  // What the medium does with bytes at or past its real size.
  enum class Mode {
    genuine,   // keeps them: the real size is the claimed size
    wrap,      // stores byte o at o mod real size
    dropZero,  // forgets writes, reads zeros
    dropFF,    // forgets writes, reads 0xFF bytes
    error,     // fails reads and writes with EIO
  };

  struct ByteRange {
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
  };

  struct Options {
    std::uint64_t claimed = 0;
    std::uint64_t real = 0;  // 0: the same as claimed
    Mode mode = Mode::genuine;
    // As sold, cards come formatted exFAT; none leaves only the loop device.
    std::optional<FileSystemKind> fileSystem = FileSystemKind::exfat;
    std::string label = "TESTCARD";
    // Every 512-byte sector of this range of the medium reads back with one bit flipped.
    std::optional<ByteRange> bitRot = std::nullopt;
    std::uint64_t writeBytesPerSecond = 0;  // 0: unlimited
    // The error of every call on the medium once it vanished: ENODEV or EIO.
    int vanishError = ENODEV;
    std::optional<std::uint64_t> vanishAfterBytesWritten = std::nullopt;
    // The controller keeps the last this many bytes written and serves them back, also
    // past the real size, until the card is replugged: how many fakes pass a read-back
    // that follows the writes at once.
    std::uint64_t controllerCacheBytes = 0;
    // A worn card turns read-only once this many bytes more were written after it was
    // made and formatted (0: read-only before any check); it keeps what it has and
    // refuses every write with readOnlyError, EROFS or EIO.
    std::optional<std::uint64_t> readOnlyAfterBytesWritten = std::nullopt;
    int readOnlyError = EROFS;
    // A volatile cache of this many bytes: a write is taken once it sits there, and stored
    // only when the host flushes or the cache is full. A card that has turned read-only by
    // then loses what the cache held and fails the flush; a replug empties it as well.
    std::uint64_t writeBackCacheBytes = 0;
    // Stands for a file-system driver that reserves space without writing it. exfat-fuse,
    // the only exFAT driver here, writes zeros into every byte it reserves; on a wrap
    // those zeros, not the check's data, would overwrite the file system's structures
    // at the card's start before anything was tested. With this the card does not store
    // a write past its real size that is nothing but zeros.
    bool unwrittenReservations = false;
  };

  // Throws std::runtime_error with the program's output when the card cannot be made.
  static std::unique_ptr<CounterfeitCard> make(const Options& options);
  ~CounterfeitCard();
  CounterfeitCard(const CounterfeitCard&) = delete;
  CounterfeitCard& operator=(const CounterfeitCard&) = delete;

  // As made, with the real size filled in.
  const Options& options() const { return options_; }
  // The mounted file system; empty without one.
  const std::string& mountPoint() const { return volume_->mountPoint(); }
  const std::string& loopDevice() const { return volume_->loopDevice(); }
  // The file that the FUSE program serves as the whole medium.
  const std::string& medium() const { return mediumPath_; }
  LoopVolume& volume() { return *volume_; }

  // The card is pulled out: from now on every call on the medium fails. Takes effect
  // before it returns.
  void vanish();
  void setWriteRate(std::uint64_t bytesPerSecond);
  // Every read of the medium waits this long before it is answered (0: at once).
  void setReadDelay(std::chrono::milliseconds delay);
  // The card was taken out and put back: its controller cache is empty. The volume stays
  // mounted (the host did not notice), as after a reinsertion into the same folder.
  void replug();
  // Bytes the kernel has written to the card's loop device since it was attached.
  std::uint64_t bytesWrittenToDevice() const;
  // From now on, once `bytes` more have been written, the card refuses every write.
  void turnReadOnlyAfter(std::uint64_t bytes);
  // The host forgets its copies of what the card holds, as it does under memory
  // pressure: the cached pages of the card's device and the file system's cached
  // directory entries and inodes. What is read next comes from the card, and a file
  // system whose structures a wrap overwrote finds out. The kernel forgets entries and
  // inodes only for every file system at once; that costs the others a few reads.
  void dropHostCaches() const;

 private:
  explicit CounterfeitCard(const Options& options);
  void startServer();
  bool sendControl(const std::string& command);
  void stopServer();

  Options options_;
  TemporaryFolder folder_;
  std::unique_ptr<DiskReservation> reservation_;  // gone before the folder, so waiting tests see the space
  std::string serverMountPoint_;
  std::string mediumPath_;
  pid_t server_ = -1;
  std::unique_ptr<LoopVolume> volume_;
};

}  // namespace tessorin::testing
