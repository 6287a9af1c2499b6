#pragma once
// OpenFolder: the test folder, opened once, through which every test file is created and
// opened. The folder is opened without following a link and only when it lies on the
// card's own file system; each file inside is opened relative to it, again never through
// a link. A folder swapped for a link while a test runs (anyone who can write the card
// can do that) can then not send the test's files onto another disk.
//
// Only files the folder made itself are written: a file is made with O_EXCL (a name
// that already stands there is someone else's, a hard link to a photo perhaps), noted in
// MadeFiles, and a file opened again must be one of those. Nothing but a plain file is
// ever opened at a test file's name: a FIFO put there would hold the open until someone
// writes to it, and a device's driver acts on being opened. In a folder found on the card
// rather than made (a read-back after the card was out), whose files' identities are not
// known, every plain file on the folder's own mount is taken for the test's.
// Move-only; owned by the one worker thread of a run.

#include <fcntl.h>
#include <sys/types.h>

#include <filesystem>
#include <memory>
#include <string>

#include "tessorin/posix/FileDescriptor.hpp"
#include "tessorin/posix/MadeFiles.hpp"

namespace tessorin {

class OpenFolder {
 public:
  // A folder found at `path`. Throws PosixError ("open", path, errno): ELOOP or ENOTDIR
  // for a link or a file, EXDEV when the folder is not on the file system of `device`
  // (st_dev).
  static OpenFolder open(const std::filesystem::path& path, dev_t device);
  // Makes the folder `name` in the open folder `parent` (at `path`) and opens the folder
  // it made. What stands at that name by the open (a folder of the user's swapped in by a
  // rename exchange, a link) is not it and throws NotATestFolder, touching nothing. A
  // failed mkdir throws PosixError ("mkdir", path, errno); the others are as for open.
  static OpenFolder make(int parent, const std::string& name, const std::filesystem::path& path, dev_t device);

  int fd() const { return fd_.get(); }
  const std::filesystem::path& path() const { return path_; }
  // Where a file of the folder is, for messages.
  std::string pathOf(const std::string& name) const { return (path_ / name).string(); }
  // The files this folder made, shared with whoever removes it.
  const std::shared_ptr<MadeFiles>& madeFiles() const { return made_; }
  // Takes the files a test made in this very folder (a check's claim held it since) as
  // the only ones it opens.
  void knowMadeFiles(std::shared_ptr<MadeFiles> made);

  // Makes the file `name`, empty, and notes it as the test's. Throws NotATestFolder when
  // something already stands at that name (left untouched), PosixError ("open", the
  // file's path, errno) for any other failure.
  FileDescriptor createFile(const std::string& name, int flags = O_RDWR) const;
  // Opens the test file `name` with `flags` (which may not create or truncate; O_CLOEXEC
  // is added), never waiting on what stands there. Throws NotATestFolder when that is not
  // a test file (see above), PosixError ("open", the file's path, errno) when it cannot
  // be opened.
  FileDescriptor openFile(const std::string& name, int flags) const;
  // Removes a file this folder made; anything else at that name stays. Errors are ignored.
  void removeFile(const std::string& name) const noexcept;

 private:
  OpenFolder(FileDescriptor fd, std::filesystem::path path, bool filesKnown)
      : fd_(std::move(fd)), path_(std::move(path)), made_(std::make_shared<MadeFiles>()), filesKnown_(filesKnown) {}

  // Throws NotATestFolder unless `pin` (an O_PATH descriptor of `name`) is a test file.
  void confirmTestFile(int pin, const std::string& name) const;

  FileDescriptor fd_;
  std::filesystem::path path_;
  std::shared_ptr<MadeFiles> made_;
  // Whether made_ tells the test's files: the folder made them, or a claim told.
  bool filesKnown_ = false;
};

}  // namespace tessorin
