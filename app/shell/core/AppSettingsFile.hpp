#pragma once
// AppSettingsFile: the application's settings (Tessorin/Tessorin.conf in the user's
// configuration folder, in QSettings' INI form), read and saved so that nothing another
// user or program puts in their way can hold the start, be written through, or take the
// settings' text.
//
// The settings are read and saved only where no other user can change them (OwnFile, as
// the history and the community's records are): every folder on the way belongs to root
// or to the user and lets no one else write in it, by its mode or its ACL, unless sticky,
// and the folder holding the file lets no one else write in it even when sticky, as its
// lock and a save's new file are opened there (UnreplaceableFolder); the user's private
// group counts as the user's own. The file itself must be the user's, and no one else may
// write in it. Otherwise a shared group's umask or a careless chmod would let another
// user's file, or link, at the name pass for the user's settings (a community server of
// their choosing), or have the next save replace a file of the user's (fileBehindLinks).
//
// The file is opened once, without blocking, judged a regular file by what was opened,
// and read whole from that descriptor into a copy in a working folder of this run's own
// (WorkingFolder: in the user's runtime folder, or beside the file, never in a shared
// temporary folder); the QSettings the application uses works on that copy, so QSettings
// never opens the name itself. A link of the user's at the name (as dotfile managers keep
// their files) is read through when it leads to a regular file of the user's, and saved
// through: the file it leads to is replaced, with its mode, the link kept.
//
// Each change is saved back under the lock beside the file that QSettings itself takes
// (Tessorin.conf.lock), so that a program saving the same file with QSettings never
// loses its change, nor this run its own: the file is read again, what another program
// changed is taken in key by key (unless this run changed the same key, which wins, as
// with QSettings' own files), and the file replaced (a new file beside it renamed over
// it). A key is taken as removed only from a whole read: while another program rewrites
// the file in place, the save waits for it.
//
// A file QSettings cannot read in full (a NUL byte, a line without "=") is set aside
// beside itself, and what could be read of it goes on in a new file; the name holds the
// old file until the new one replaces it (setAside), so a run killed meanwhile leaves the
// settings and the next start tells of them again. When the file's
// place holds something that is no regular file of the user's (a FIFO, a device, a
// folder, a link to one), or others may change it, it is left as it is: found at the
// start, the settings are kept for this run alone. The window is told all of this
// (notice, saveError).
//
// Main thread only; lives as long as the application.

#include <sys/types.h>

#include <memory>
#include <optional>

#include <QByteArray>
#include <QObject>
#include <QSettings>
#include <QString>
#include <QTimer>
#include <QVariantMap>

#include "session/errors/ErrorNotice.hpp"
#include "session/records/WorkingFolder.hpp"

namespace tessorin {

class AppSettingsFile : public QObject {
  Q_OBJECT
  Q_PROPERTY(QString notice READ notice NOTIFY noticeChanged)
  Q_PROPERTY(QString noticeFile READ noticeFile NOTIFY noticeChanged)
  Q_PROPERTY(QString saveError READ saveError NOTIFY saveErrorChanged)
  Q_PROPERTY(QString saveErrorDetail READ saveErrorDetail NOTIFY saveErrorChanged)

 public:
  // The user's own file.
  AppSettingsFile();
  explicit AppSettingsFile(QString path);
  ~AppSettingsFile() override;

  QSettings& settings();
  // Saves what changed now; otherwise done as the event loop comes round after a change,
  // and at the end. A save that has to wait (for the lock, or for another program's
  // rewrite) is tried again shortly.
  void save();

  // What the user is to be told about the settings' file; "" when nothing.
  const QString& notice() const { return notice_; }
  // The file the notice speaks of, which its words leave out; "" when none.
  const QString& noticeFile() const { return noticeFile_; }
  // Why the last save did not happen; "" once one has.
  const QString& saveError() const { return saveError_.message; }
  const QString& saveErrorDetail() const { return saveError_.detail; }
  Q_INVOKABLE void dismissNotice() { setNotice({}, {}); }
  Q_INVOKABLE void dismissSaveError() { setSaveError({}); }

  // Tessorin/Tessorin.conf in the user's configuration folder (XDG_CONFIG_HOME).
  static QString defaultPath();

 Q_SIGNALS:
  void noticeChanged();
  void saveErrorChanged();

 private:
  class Copy;
  // What stands at the settings' name.
  struct Found {
    enum class Kind { missing, text, notAFile, othersFile, othersLink, othersMayChange, unreadable };
    Kind kind = Kind::missing;
    QByteArray text;
    // Read with no program writing the file: a key missing from it was removed.
    bool whole = true;
    // The file the name stands for, behind its links: a save replaces it.
    QString file;
    // The name is a link, and the file's mode (with text) is the user's choice to keep.
    bool linked = false;
    mode_t mode = 0;
    // What others may change, or the link that is not the user's; "" for the name itself.
    QString refused;
  };
  enum class Moment { during, last };

  Found readFile() const;
  // Why the settings were neither read from nor saved to what was found; "" when they may be.
  static QString whyPassedOver(Found::Kind kind);
  // What the user can do about it, said at the start and after a save that did not happen.
  static QString keptUntilMended(Found::Kind kind);
  static QString savedOnceMended(Found::Kind kind);
  QString lockPath() const { return path_ + QStringLiteral(".lock"); }
  std::optional<QByteArray> copyText() const;
  void saveAt(Moment moment);
  // Takes in what another program changed between before (known_) and now, where here
  // (this run's copy) left the key as before had it; removed keys only when removals.
  void takeInOthersChanges(const QVariantMap& before, const QVariantMap& now, const QVariantMap& here, bool removals);
  std::optional<QVariantMap> valuesOf(const QByteArray& text) const;
  void setNotice(QString notice, QString file);
  void setSaveError(ErrorNotice error);

  QString path_;
  std::unique_ptr<WorkingFolder> folder_;
  std::unique_ptr<Copy> settings_;
  // The file's text as last read whole or saved: another program's change is told from it.
  QByteArray known_;
  // False when the settings are kept for this run alone.
  bool saving_ = true;
  // The file is to be written even when the copy holds what it holds (after setting it aside).
  bool mustWrite_ = false;
  // Saves put off in a row for another program's lock, and for its rewrite in place.
  int waitsForLock_ = 0;
  int waitsForRewrite_ = 0;
  QTimer retry_;
  QString notice_;
  QString noticeFile_;
  ErrorNotice saveError_;
};

}  // namespace tessorin
