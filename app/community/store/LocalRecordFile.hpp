#pragma once
// LocalRecordFile: Community.sqlite, opened so that it heals rather than failing for
// good.
//   - Another installation making or opening the file at the same moment holds a lock
//     for a moment: opening tries again for a few seconds.
//   - A damaged file (no database, or a broken page, found when it is opened or later
//     while it is used) is set aside under a dated name beside it, never deleted, and a
//     new one is made; what was set aside is told once.
//   - A file or folder that cannot be written fails every use with that reason, and is
//     tried again on the next use, so that mending it needs no restart.
//   - A FIFO or a device at the file's name (or its log's) is never opened: every use
//     fails with that reason, which is told once, until it is moved away.
//   - The file is used only where no other user can have put it there or change it
//     (OwnFile: the folders on the way, a link at the name, the file itself), and its
//     logs only when they are the user's own files too, never through a link. Otherwise
//     nothing there is read, set aside or written: the records are kept in memory until
//     the application quits, which is told once.
// Used on one thread; takeSetAside(), takePassedOver() and takeKeptForTheRun() may be
// called from any.

#include <memory>
#include <mutex>
#include <optional>

#include <QString>

#include "community/store/LocalRecordDatabase.hpp"
#include "community/store/SqliteDatabase.hpp"
#include "session/records/OwnFile.hpp"

namespace tessorin {

class LocalRecordFile {
 public:
  explicit LocalRecordFile(QString path) : path_(std::move(path)) {}

  // Runs job with the database, opening it first when it is not open; when the file
  // turns out to be damaged, sets it aside and runs job once more on a new one. Throws
  // RecordStoreError with the reason the file cannot be used, or what job throws.
  template <class Job>
  auto use(Job job) -> decltype(job(std::declval<LocalRecordDatabase&>())) {
    try {
      return job(database());
    } catch (const SqliteError& error) {
      if (!error.isDamaged() || keptForTheRun_) throw unusable(error);
    }
    setAside();
    return job(database());
  }

  // The name the damaged file was set aside under, once; nothing when none was.
  std::optional<QString> takeSetAside();
  // The name that held something other than a file (a FIFO, a device) when the file was
  // last to be opened, once; nothing when none did.
  std::optional<QString> takePassedOver();
  // Why the records are kept in memory for this run, once: what stood at the file's name
  // or its log's (another user's file or link, or what others may change), and what the
  // user is to mend. Nothing when they are not.
  struct KeptForTheRun {
    OwnFile::Kind kind;
    QString refused;
  };
  std::optional<KeptForTheRun> takeKeptForTheRun();

 private:
  LocalRecordDatabase& database();
  // found: what stood at name.
  LocalRecordDatabase& keepForTheRun(const OwnFile& found, const QString& name);
  [[noreturn]] void passOver(const QString& name);
  void setAside();
  RecordStoreError unusable(const SqliteError& error) const;

  QString path_;
  // The file the name stands for, behind the user's links, as last judged.
  QString file_;
  // The records are in memory until the application quits.
  bool keptForTheRun_ = false;
  std::unique_ptr<LocalRecordDatabase> database_;
  std::mutex mutex_;
  std::optional<QString> setAsideAs_;
  std::optional<QString> passedOver_;
  std::optional<KeptForTheRun> whyKeptForTheRun_;
  // Told once, not after every use that fails on it.
  QString lastPassedOver_;
};

}  // namespace tessorin
