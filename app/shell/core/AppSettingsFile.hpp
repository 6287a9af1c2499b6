#pragma once
// AppSettingsFile: the application's settings (Tessorin/Tessorin.conf in the user's
// configuration folder, in QSettings' INI form), read and saved so that nothing put at
// the file's name, at any moment, can hold the start or be written through.
//
// The file is opened once, without blocking and without following a link, judged a
// regular file by what was opened, and read whole from that descriptor into a copy in a
// folder of this run's own (0700); the QSettings the application uses works on that copy,
// so QSettings never opens the name itself. Each change is saved back by replacing the
// file (a new file beside it renamed over it), never by opening the name for writing.
// What another program changed in the file meanwhile is taken in key by key, unless this
// run changed the same key, which wins, as with QSettings' own files.
//
// When the file's place holds something that is no regular file (a FIFO, a device, a
// folder, a link) or a file that cannot be read, it is left as it is: found at the start,
// the settings are kept for this run alone and the user is told; found at a save, that
// save waits for the next change.
//
// Main thread only; lives as long as the application.

#include <memory>
#include <optional>

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>

namespace tessorin {

class AppSettingsFile {
 public:
  // The user's own file.
  AppSettingsFile();
  explicit AppSettingsFile(QString path);
  ~AppSettingsFile();
  AppSettingsFile(const AppSettingsFile&) = delete;
  AppSettingsFile& operator=(const AppSettingsFile&) = delete;

  QSettings& settings();
  // Saves what changed now; otherwise done as the event loop comes round after a change,
  // and at the end.
  void save();

  // What the user is to be told about the settings' file; "" when nothing.
  const QString& notice() const { return notice_; }
  // The name passed over, which the notice's words leave out; "" when none.
  const QString& noticeFile() const { return noticeFile_; }

  // Tessorin/Tessorin.conf in the user's configuration folder (XDG_CONFIG_HOME).
  static QString defaultPath();

 private:
  class Copy;

  std::optional<QByteArray> copyText() const;
  // Takes in what another program changed between known_ and theirs, where ours (the
  // copy's text) left the key as known_ had it.
  void takeInOthersChanges(const QByteArray& theirs, const QByteArray& ours);

  QString path_;
  QTemporaryDir folder_;
  std::unique_ptr<Copy> settings_;
  // The file's text as last read or saved: another program's change is told from it.
  QByteArray known_;
  bool saved_ = true;
  bool toldNotSaved_ = false;
  QString notice_;
  QString noticeFile_;
};

}  // namespace tessorin
