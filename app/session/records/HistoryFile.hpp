#pragma once
// HistoryFile: History.json on disk, apart from the History that shows it. Reading the
// file, and one whole save: under the lock file beside it, read what is stored, set aside
// a file that cannot be read in full, take in what other writers stored, write the lot
// atomically. Functions on values with no state of their own: safe on any thread, so
// History can save on a worker of its own while the window goes on.

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <set>
#include <string>

#include <QString>
#include <QUuid>

#include "session/errors/ErrorNotice.hpp"
#include "session/records/CheckRecord.hpp"

namespace tessorin::historyfile {

// Larger than any history a person gathers: such a file is not read.
constexpr qint64 largestReadable = 512LL * 1024 * 1024;

// What keeps the file from being read in full.
enum class Trouble {
  none,
  // Could not be opened or decoded in full: set aside before the next save.
  unreadable,
  // Larger than largestReadable: not read, set aside before the next save.
  tooLarge,
  // Not a regular file (a FIFO, a device, a link to one): not read, and neither set aside
  // nor written over.
  notAFile,
  // Another user's file, or link, at the name; or others may write in the file, or change
  // a folder on the way to it (OwnFile): not read, set aside or written over.
  othersFile,
  othersLink,
  othersMayChange,
};

// Whether the trouble is with what another user may have put there or may change.
bool isOthers(Trouble trouble);

struct Content {
  CheckRecords records;
  Trouble trouble = Trouble::none;
  // With trouble from others: what they may change, or what is theirs, for the user to mend.
  QString refused;
};

// What the file at path holds; a missing file is empty and readable. Never waits for a
// writer (a FIFO in the file's place), never reads more than largestReadable, and reads
// only the user's own file (OwnFile), through a link only as OwnFile follows one.
Content read(const QString& path);

// Which file is at a path and as it was last changed: when it is still the one a writer
// wrote, no other writer has stored anything since.
struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  std::int64_t modifiedNanoseconds = 0;
  std::int64_t changedNanoseconds = 0;
  friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

struct SaveResult {
  // The records with those another writer stored that were neither known nor removed
  // here, newest first; absent when there were none.
  std::optional<CheckRecords> withOthers;
  // Why not every record reached the file, and the system's own words for it; empty
  // when all did.
  ErrorNotice error;
  // The name the unreadable file was set aside under, when this save set it aside.
  QString setAsideAs;
  // The unreadable file is still in the way, to be set aside by the next save.
  bool fileUnreadable = false;
  // The file this save wrote; absent when it wrote none.
  std::optional<FileIdentity> written;
};

// Writes records (newest first) to path, with what other writers stored there that is
// neither among them nor in removedHere. Only to the user's own file, or in its place
// (OwnFile); through the user's link, the file it leads to is replaced, with its mode. fileUnreadable: the file held data that could
// not be loaded, and is set aside before anything is written. lastWritten: the file the
// previous save wrote; while it is still in place it is not read again.
SaveResult save(const QString& path, const CheckRecords& records, const std::set<QUuid>& removedHere,
                bool fileUnreadable, const std::optional<FileIdentity>& lastWritten);

// History.json's text for records: pretty-printed, keys sorted, newest first. skipped
// counts the records that cannot be encoded, which are left out.
std::string encode(const CheckRecords& records, std::size_t& skipped);

}  // namespace tessorin::historyfile
