#pragma once
// PosixError: a failed system call, with the call's name, the path it was made on and
// errno. CancelledError: a run stopped because its caller cancelled it. Both are
// immutable values, thrown by the engine and safe to copy across threads.

#include <cerrno>
#include <exception>
#include <string>

namespace tessorin {

class PosixError : public std::exception {
 public:
  PosixError(std::string operation, std::string path, int code);

  // Builds the error from errno as it is right now; call it straight after the failure.
  static PosixError fromErrno(std::string operation, std::string path) {
    const int code = errno;
    return PosixError(std::move(operation), std::move(path), code);
  }

  const std::string& operation() const { return operation_; }
  const std::string& path() const { return path_; }
  int code() const { return code_; }

  // "operation(path): system message"
  const char* what() const noexcept override { return description_.c_str(); }
  const std::string& description() const { return description_; }

  // Out of space, or out of the user's quota: either way the volume takes no more data,
  // which is not a fault of the card.
  bool isDiskFull() const { return code_ == ENOSPC || code_ == EDQUOT; }
  // The card is no longer there: pulled out, or its FUSE daemon lost the device.
  bool isDeviceGone() const {
    return code_ == EIO || code_ == ENXIO || code_ == ENODEV || code_ == ENOTCONN || code_ == ENOMEDIUM;
  }

  // The file system found its own structures damaged (a checksum or a consistency check
  // failed: EBADMSG and EUCLEAN are how Linux file systems say so), or lost what it had
  // made: an entry gone or no longer a folder.
  bool isFileSystemDamage() const {
    return code_ == EBADMSG || code_ == EUCLEAN || code_ == ENOENT || code_ == ENOTDIR || code_ == ESTALE;
  }

  // The file system could not read its own records: it found them damaged, or the device
  // failed beneath them. What it wrote through them may still be on the card.
  static bool recordsUnreadable(int code) { return code == EIO || code == EBADMSG || code == EUCLEAN; }

  friend bool operator==(const PosixError& a, const PosixError& b) {
    return a.operation_ == b.operation_ && a.path_ == b.path_ && a.code_ == b.code_;
  }

 private:
  std::string operation_;
  std::string path_;
  int code_;
  std::string description_;
};

// The system's text for an errno value; safe to call from several threads at once.
std::string systemMessage(int code);

struct CancelledError : std::exception {
  const char* what() const noexcept override { return "The test was cancelled."; }
};

}  // namespace tessorin
