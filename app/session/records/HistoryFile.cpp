#include "session/records/HistoryFile.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <exception>
#include <iterator>
#include <new>
#include <optional>
#include <thread>
#include <utility>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "session/errors/ErrorWording.hpp"
#include "session/records/JsonFields.hpp"
#include "session/records/OwnFile.hpp"
#include "session/records/PlainFile.hpp"
#include "session/records/ReplacingSave.hpp"
#include "session/records/SetAside.hpp"
#include "tessorin/posix/FileDescriptor.hpp"

namespace tessorin::historyfile {

namespace {

constexpr auto lockPatience = std::chrono::seconds(5);
constexpr auto lockPause = std::chrono::milliseconds(50);

QString tr(const char* text) { return QCoreApplication::translate("History", text); }

// Holds the history's lock file while it lives; the lock goes with the descriptor, also
// when the process dies.
class HistoryLock {
 public:
  explicit HistoryLock(const QString& historyPath) {
    const QByteArray path = QFile::encodeName(historyPath + QStringLiteral(".lock"));
    FileDescriptor file(::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!file) {
      error_ = errno;
      return;
    }
    const auto deadline = std::chrono::steady_clock::now() + lockPatience;
    for (;;) {
      if (::flock(file.get(), LOCK_EX | LOCK_NB) == 0) {
        // Stamped with the moment it was taken, in the file system's own clock, which
        // dates the new files of saves.
        struct stat status {};
        if (::futimens(file.get(), nullptr) == 0 && ::fstat(file.get(), &status) == 0) lockedAt_ = status.st_mtim;
        file_ = std::move(file);
        return;
      }
      error_ = errno;
      if (errno != EWOULDBLOCK && errno != EINTR) return;
      if (std::chrono::steady_clock::now() >= deadline) return;
      std::this_thread::sleep_for(lockPause);
    }
  }
  bool held() const { return file_.isOpen(); }
  // Another program held the lock all along; otherwise the system refused the lock file.
  bool heldElsewhere() const { return error_ == EWOULDBLOCK || error_ == EINTR; }
  int error() const { return error_; }
  // Zero when it could not be stamped: nothing is older.
  const timespec& lockedAt() const { return lockedAt_; }

 private:
  FileDescriptor file_;
  int error_ = 0;
  timespec lockedAt_{};
};

QString checksNotWritten(std::size_t count) {
  return count == 1 ? tr("One check could not be written to the history file.")
                    : tr("%1 checks could not be written to the history file.").arg(count);
}

// A record is an object holding a purchase object: nothing the history reads is nested
// deeper than this, and a file that is (a run of "[", say) is not the history's. The
// parser's stacks and the records' trees then stay a small multiple of the text read.
constexpr int deepestNesting = 8;
// Far more values than a record of any version holds; a record with more is not read,
// so that no element's tree outgrows what the history keeps of it.
constexpr int mostValuesInARecord = 4096;

struct NestedTooDeep {};

// The records of History.json's text, decoded one at a time, so that no whole document
// is held beside them. One record a newer version wrote, or one damaged by hand, costs
// that record only (trouble becomes unreadable); the file keeps all of them once it is
// set aside. Text that is not a JSON array, or is nested deeper than a record, gives no
// records.
CheckRecords decode(const std::string& text, Trouble& trouble) {
  CheckRecords records;
  bool isArray = false;
  int valuesInRecord = 0;
  const nlohmann::json::parser_callback_t takeRecord = [&](int depth, nlohmann::json::parse_event_t event,
                                                           nlohmann::json& parsed) {
    using Event = nlohmann::json::parse_event_t;
    const bool opens = event == Event::array_start || event == Event::object_start;
    if (opens && depth >= deepestNesting) throw NestedTooDeep{};
    if (depth == 0 && event == Event::array_start) isArray = true;
    if (depth > 1) return ++valuesInRecord <= mostValuesInARecord;
    if (depth != 1 || !isArray) return true;
    if (event != Event::object_end && event != Event::array_end && event != Event::value) return true;
    try {
      if (valuesInRecord > mostValuesInARecord) throw DecodingError("more values than a record holds");
      records.push_back(parsed.get<CheckRecord>());
    } catch (const std::exception&) {
      trouble = Trouble::unreadable;
    }
    valuesInRecord = 0;
    return false;
  };
  try {
    const nlohmann::json rest = nlohmann::json::parse(text, takeRecord, false);
    if (!rest.is_discarded() && isArray) return records;
  } catch (const NestedTooDeep&) {
  }
  trouble = Trouble::unreadable;
  return {};
}

// The records of the open file of the given size, which may grow while it is read.
CheckRecords readRecords(int file, off_t size, Trouble& trouble) {
  std::string bytes(static_cast<std::size_t>(size) + 1, '\0');
  std::size_t filled = 0;
  for (;;) {
    if (filled == bytes.size()) {
      if (bytes.size() > static_cast<std::size_t>(largestReadable)) {
        trouble = Trouble::tooLarge;
        return {};
      }
      bytes.resize(std::min(bytes.size() * 2, static_cast<std::size_t>(largestReadable) + 1));
    }
    const ssize_t got = ::read(file, bytes.data() + filled, bytes.size() - filled);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      trouble = Trouble::unreadable;
      return {};
    }
    filled += static_cast<std::size_t>(got);
  }
  bytes.resize(filled);
  return decode(bytes, trouble);
}

QString notAFileInTheWay(const QString& path) {
  return tr("The history could not be saved: “%1” is not a file, so it was left as it is. Move it away, and "
            "Tessorin saves the history after the next check.")
      .arg(QDir::toNativeSeparators(path));
}

QString othersInTheWay(Trouble trouble) {
  switch (trouble) {
    case Trouble::othersFile:
      return tr("The history file is not yours, so the history was not saved to it, and it is left as it is. Move it "
                "away, and Tessorin saves the history after the next check.");
    case Trouble::othersLink:
      return tr("The history file is a link that is not yours, so the history was not saved to it, and it is left "
                "as it is. Move it away, and Tessorin saves the history after the next check.");
    default:
      return tr("Other users may change the history file or a folder on the way to it, so the history was not saved "
                "to it, and it is left as it is. Let no one else write there, and Tessorin saves the history after "
                "the next check.");
  }
}

Trouble troubleOf(OwnFile::Kind kind) {
  switch (kind) {
    case OwnFile::Kind::missing:
    case OwnFile::Kind::regular:
      return Trouble::none;
    case OwnFile::Kind::notAFile:
      return Trouble::notAFile;
    case OwnFile::Kind::unreadable:
      return Trouble::unreadable;
    case OwnFile::Kind::othersFile:
      return Trouble::othersFile;
    case OwnFile::Kind::othersLink:
      return Trouble::othersLink;
    case OwnFile::Kind::othersMayChange:
      return Trouble::othersMayChange;
  }
  return Trouble::unreadable;
}

// The records of what was found at the history's name.
Content contentOf(const OwnFile& found) {
  Content content;
  content.trouble = troubleOf(found.kind);
  if (isOthers(content.trouble)) content.refused = found.refused;
  if (found.kind != OwnFile::Kind::regular) return content;
  const struct stat& status = found.opened.status();
  if (status.st_size > largestReadable) {
    content.trouble = Trouble::tooLarge;
    return content;
  }
  // Memory that runs out while the file is read or decoded is one more way for it to be
  // unreadable: the history starts empty and the file is set aside, never the end of
  // the application.
  try {
    content.records = readRecords(found.opened.descriptor(), status.st_size, content.trouble);
  } catch (const std::bad_alloc&) {
    content.records.clear();
    content.trouble = Trouble::unreadable;
  }
  return content;
}

}  // namespace

bool isOthers(Trouble trouble) {
  return trouble == Trouble::othersFile || trouble == Trouble::othersLink || trouble == Trouble::othersMayChange;
}

Content read(const QString& path) {
  if (path.isEmpty()) return {};
  return contentOf(OwnFile::open(path));
}

namespace {

FileIdentity identityOf(const struct stat& status) {
  const auto nanoseconds = [](const timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
  };
  return FileIdentity{status.st_dev, status.st_ino, status.st_size, nanoseconds(status.st_mtim),
                      nanoseconds(status.st_ctim)};
}

std::optional<FileIdentity> identityOf(const QString& file) {
  struct stat status {};
  if (::lstat(QFile::encodeName(file).constData(), &status) != 0) return std::nullopt;
  return identityOf(status);
}

// Those of stored that neither records nor removedHere know, in file order.
CheckRecords othersIn(const CheckRecords& stored, const CheckRecords& records, const std::set<QUuid>& removedHere) {
  CheckRecords others;
  if (stored.empty()) return others;
  std::set<QUuid> known(removedHere);
  for (const CheckRecord& record : records) known.insert(record.id);
  for (const CheckRecord& record : stored) {
    if (known.count(record.id) == 0) others.push_back(record);
  }
  return others;
}

// Each writer keeps its records newest first; together they stay so.
CheckRecords mergedWith(const CheckRecords& records, CheckRecords others) {
  CheckRecords result = records;
  std::move(others.begin(), others.end(), std::back_inserter(result));
  std::stable_sort(result.begin(), result.end(), [](const CheckRecord& a, const CheckRecord& b) { return a.date > b.date; });
  return result;
}

}  // namespace

std::string encode(const CheckRecords& records, std::size_t& skipped) {
  // One record at a time, each as the whole array's pretty print puts it, so that no
  // document of every record is held beside the records.
  std::string text = "[";
  bool first = true;
  for (const CheckRecord& record : records) {
    std::string element;
    try {
      // A volume name that is not valid UTF-8 must not stop the save: it is written with
      // replacement characters.
      element = nlohmann::json(record).dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
    } catch (const EncodingError&) {
      ++skipped;
      continue;
    }
    text += first ? "\n  " : ",\n  ";
    first = false;
    for (const char c : element) {
      text += c;
      if (c == '\n') text += "  ";
    }
  }
  text += first ? "]\n" : "\n]\n";
  return text;
}

SaveResult save(const QString& path, const CheckRecords& records, const std::set<QUuid>& removedHere,
                bool fileUnreadable, const std::optional<FileIdentity>& lastWritten) {
  SaveResult result;
  result.fileUnreadable = fileUnreadable;
  // Not even the lock file is made where another user may change what is there.
  if (const OwnFile before = OwnFile::open(path); before.isOthers()) {
    result.error.message = othersInTheWay(troubleOf(before.kind));
    return result;
  }
  const HistoryLock lock(path);
  if (!lock.held()) {
    // A folder that cannot take the lock file (read-only, full, no permission) cannot take
    // the history either: its reason is the one to tell.
    result.error = lock.heldElsewhere()
                       ? ErrorNotice{tr("The history file is locked by another program and was not saved."), {}}
                       : ErrorWording::historyNotSaved(QString::fromLocal8Bit(std::strerror(lock.error())));
    return result;
  }
  // Judged again under the lock: what stands there now is what is read, set aside and replaced.
  const OwnFile found = OwnFile::open(path);
  if (found.isOthers()) {
    result.error.message = othersInTheWay(troubleOf(found.kind));
    return result;
  }
  if (found.kind == OwnFile::Kind::notAFile) {
    result.error.message = notAFileInTheWay(path);
    return result;
  }
  // No save of the history is going on but this one: what an earlier one left was killed.
  removeUnfinishedSaves(found.file, lock.lockedAt());
  // Under the lock no other writer changes the file: the one this history wrote last
  // holds nothing it does not know.
  const bool ownFile = lastWritten && !fileUnreadable && found.kind == OwnFile::Kind::regular &&
                       identityOf(found.opened.status()) == *lastWritten;
  Content stored = ownFile ? Content{} : contentOf(found);
  if (stored.trouble != Trouble::none) result.fileUnreadable = true;
  std::optional<KeptAside> aside;
  if (result.fileUnreadable) {
    aside = setAside(found.file);
    if (!aside) {
      result.error.message = tr("The history file could not be read or moved aside, so it was not saved.");
      return result;
    }
  }
  CheckRecords others = othersIn(stored.records, records, removedHere);
  if (!others.empty()) result.withOthers = mergedWith(records, std::move(others));
  std::size_t skipped = 0;
  const std::string text = encode(result.withOthers ? *result.withOthers : records, skipped);

  // The user's file keeps the mode the user gave it; a new one is the user's alone.
  const std::optional<mode_t> mode = found.kind == OwnFile::Kind::regular
                                         ? std::optional<mode_t>(found.opened.status().st_mode & 0777)
                                         : std::nullopt;
  ReplacingSaveError error;
  if (!saveByReplacing(found.file, QByteArray::fromStdString(text), error, mode)) {
    // The unreadable file is still at its name, to be kept aside by the next save.
    if (aside) withdrawAside(*aside);
    result.error = ErrorWording::historyNotSaved(error.systemWords);
    return result;
  }
  if (aside) {
    result.setAsideAs = aside->path;
    result.fileUnreadable = false;
  }
  result.written = identityOf(found.file);
  if (skipped > 0) result.error.message = checksNotWritten(skipped);
  return result;
}

}  // namespace tessorin::historyfile
