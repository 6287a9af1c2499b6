#include "shell/core/AppSettingsFile.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSet>
#include <QStandardPaths>

#include "session/errors/ErrorWording.hpp"
#include "session/records/IniText.hpp"
#include "session/records/OwnFile.hpp"
#include "session/records/PlainFile.hpp"
#include "session/records/ReplacingSave.hpp"
#include "session/records/SetAside.hpp"
#include "session/records/UnreplaceableFolder.hpp"

namespace tessorin {

namespace {

using namespace std::chrono_literals;

// Far beyond any settings Tessorin writes; a larger file is not its own.
constexpr qint64 largestSettings = 16 * 1024 * 1024;
// A program saving with QSettings holds the lock, or rewrites the file in place, for
// moments; a save waits for it this often, this far apart, before saying anything.
constexpr auto retryPause = 200ms;
constexpr int quietRetries = 25;
// The last save is the last chance; the window has gone, so it waits for the lock.
constexpr int lastLockPatienceMs = 5000;
// A name no program can make (its folder would be a device): settings that have no
// working copy stay in QSettings' memory.
const QString nowhere = QStringLiteral("/dev/null/Tessorin.conf");

// A lock file that is no file (a FIFO, a link) would hold QLockFile's read of it: such a
// name is left alone, and the work goes on without the lock.
bool lockFileMayBeRead(const QString& lockPath) {
  return PlainFile::kindAt(lockPath, PlainFile::Links::refused) != PlainFile::Kind::notAFile;
}

}  // namespace

// QSettings saves its changes to the copy as the event loop comes round after them; the
// file is saved right after.
class AppSettingsFile::Copy : public QSettings {
 public:
  Copy(const QString& path, AppSettingsFile& owner) : QSettings(path, QSettings::IniFormat), owner_(owner) {}

 protected:
  bool event(QEvent* event) override {
    const bool handled = QSettings::event(event);
    if (event->type() == QEvent::UpdateRequest) owner_.save();
    return handled;
  }

 private:
  AppSettingsFile& owner_;
};

AppSettingsFile::AppSettingsFile() : AppSettingsFile(defaultPath()) {}

AppSettingsFile::AppSettingsFile(QString path) : path_(QFileInfo(path).absoluteFilePath()) {
  retry_.setSingleShot(true);
  retry_.setInterval(retryPause);
  connect(&retry_, &QTimer::timeout, this, &AppSettingsFile::save);
  const QString folder = QFileInfo(path_).absolutePath();
  UnreplaceableFolder::makeMissing(folder);
  folder_ = WorkingFolder::makeIn(WorkingFolder::placesBeside(folder));
  const Found found = readFile();
  if (found.kind == Found::Kind::text || found.kind == Found::Kind::missing) {
    // Holding the lock every save takes, no save is going on: a new file beside the
    // settings is one that a killed save left.
    QLockFile lock(lockPath());
    struct stat locked {};
    // QLockFile writes its file as it takes the lock: the file's time is the lock's.
    if (lockFileMayBeRead(lockPath()) && lock.tryLock(0) &&
        ::lstat(QFile::encodeName(lockPath()).constData(), &locked) == 0) {
      removeUnfinishedSaves(found.file, locked.st_mtim);
    }
  }
  std::optional<IniReading> reading;
  if (folder_ && found.kind == Found::Kind::text) reading = readIni(found.text, *folder_);
  const bool malformed = reading && reading->malformed;

  if (const QString why = whyPassedOver(found.kind); !why.isEmpty()) {
    setNotice(why + keptUntilMended(found.kind),
              QDir::toNativeSeparators(found.refused.isEmpty() ? path_ : found.refused));
    saving_ = false;
  }
  QString copy = nowhere;
  if (folder_) {
    copy = folder_->filePath(QStringLiteral("Tessorin.conf"));
    known_ = found.text;
    QFile file(copy);
    // A malformed copy would keep QSettings from saving to it: what could be read is set
    // into an empty one instead.
    const QByteArray start = malformed ? QByteArray() : known_;
    if (!file.open(QIODevice::WriteOnly) || file.write(start) != start.size()) copy = nowhere;
  }
  if (copy == nowhere && saving_) {
    setNotice(tr("Tessorin found no folder of its own to work on the settings in, so they were not read, and the "
                 "file is left as it is. Settings are kept until Tessorin quits."),
              QDir::toNativeSeparators(path_));
    saving_ = false;
  }
  settings_ = std::make_unique<Copy>(copy, *this);
  if (malformed) {
    for (auto value = reading->values.cbegin(); value != reading->values.cend(); ++value) {
      settings_->setValue(value.key(), value.value());
    }
    // Set aside and saved anew at once; a file still being written is judged once it is whole.
    if (found.whole && saving_) {
      mustWrite_ = true;
      save();
    }
  }
}

AppSettingsFile::~AppSettingsFile() {
  saveAt(Moment::last);
  // The window has gone: standard error is left to say it.
  if (!saveError_.message.isEmpty()) {
    qWarning("Tessorin: %s %s", qPrintable(saveError_.message), qPrintable(saveError_.detail));
  }
}

QSettings& AppSettingsFile::settings() { return *settings_; }

QString AppSettingsFile::defaultPath() {
  return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
      .filePath(QCoreApplication::organizationName() + QLatin1Char('/') + QCoreApplication::applicationName() +
                QStringLiteral(".conf"));
}

QString AppSettingsFile::whyPassedOver(Found::Kind kind) {
  switch (kind) {
    case Found::Kind::missing:
    case Found::Kind::text:
      break;
    case Found::Kind::notAFile:
      return tr("The settings’ place holds something that is not a file, so the settings were not read from it or "
                "saved to it, and it is left as it is.");
    case Found::Kind::othersFile:
      return tr("The settings file is not yours, so the settings were not read from it or saved to it, and it is "
                "left as it is.");
    case Found::Kind::othersLink:
      return tr("The settings file is a link that is not yours, so the settings were not read from it or saved to "
                "it, and it is left as it is.");
    case Found::Kind::othersMayChange:
      return tr("Other users may change the settings file or a folder on the way to it, so the settings were not "
                "read from it or saved to it, and it is left as it is.");
    case Found::Kind::unreadable:
      return tr("The settings file could not be read, so it is left as it is.");
  }
  return {};
}

QString AppSettingsFile::keptUntilMended(Found::Kind kind) {
  return kind == Found::Kind::othersMayChange
             ? tr(" Settings are kept until Tessorin quits; let no one else write there to have them saved.")
             : tr(" Settings are kept until Tessorin quits; move it away to have them saved.");
}

QString AppSettingsFile::savedOnceMended(Found::Kind kind) {
  return kind == Found::Kind::othersMayChange
             ? tr(" Let no one else write there, and Tessorin saves the settings after the next change.")
             : tr(" Move it away, and Tessorin saves the settings after the next change.");
}

AppSettingsFile::Found AppSettingsFile::readFile() const {
  Found found;
  const OwnFile own = OwnFile::open(path_);
  found.refused = own.refused;
  found.file = own.file;
  found.linked = own.linked;
  switch (own.kind) {
    case OwnFile::Kind::missing:
      return found;
    case OwnFile::Kind::notAFile:
      found.kind = Found::Kind::notAFile;
      return found;
    case OwnFile::Kind::unreadable:
      found.kind = Found::Kind::unreadable;
      return found;
    case OwnFile::Kind::othersFile:
      found.kind = Found::Kind::othersFile;
      return found;
    case OwnFile::Kind::othersLink:
      found.kind = Found::Kind::othersLink;
      return found;
    case OwnFile::Kind::othersMayChange:
      found.kind = Found::Kind::othersMayChange;
      return found;
    case OwnFile::Kind::regular:
      break;
  }
  const std::optional<QByteArray> text = own.opened.readWhole(largestSettings);
  if (!text) {
    found.kind = Found::Kind::unreadable;
    return found;
  }
  found.kind = Found::Kind::text;
  found.text = *text;
  found.whole = !own.opened.beingWritten();
  found.mode = own.opened.status().st_mode & 0777;
  return found;
}

std::optional<QByteArray> AppSettingsFile::copyText() const {
  if (settings_->status() != QSettings::NoError) return std::nullopt;
  QFile file(settings_->fileName());
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  return file.readAll();
}

std::optional<QVariantMap> AppSettingsFile::valuesOf(const QByteArray& text) const {
  std::optional<IniReading> reading = readIni(text, *folder_);
  if (!reading) return std::nullopt;
  return std::move(reading->values);
}

void AppSettingsFile::save() { saveAt(Moment::during); }

void AppSettingsFile::saveAt(Moment moment) {
  retry_.stop();
  settings_->sync();
  if (!saving_) return;
  std::optional<QByteArray> ours = copyText();
  if (!ours) return;
  // The lock's name is opened only where no one else can have put something at it since
  // the start: one who may write there now may keep a FIFO there that holds the open.
  if (const Found before = readFile(); !whyPassedOver(before.kind).isEmpty()) {
    setSaveError({whyPassedOver(before.kind) + savedOnceMended(before.kind), {}});
    return;
  }

  QLockFile lock(lockPath());
  if (lockFileMayBeRead(lockPath()) && !lock.tryLock(moment == Moment::last ? lastLockPatienceMs : 0) && lock.error() == QLockFile::LockFailedError) {
    if (moment == Moment::during && waitsForLock_ < quietRetries) {
      ++waitsForLock_;
      retry_.start();
      return;
    }
    setSaveError({tr("The settings file is locked by another program, so the settings were not saved. Tessorin "
                     "tries again after the next change."),
                  {}});
    return;
  }

  waitsForLock_ = 0;
  const Found theirs = readFile();
  if (const QString why = whyPassedOver(theirs.kind); !why.isEmpty()) {
    setSaveError({why + savedOnceMended(theirs.kind), {}});
    return;
  }
  // Another program is rewriting the file in place: what was read may be its first part.
  if (!theirs.whole && moment == Moment::during && waitsForRewrite_ < quietRetries) {
    ++waitsForRewrite_;
    retry_.start();
    return;
  }
  waitsForRewrite_ = 0;
  const std::optional<IniReading> reading = readIni(theirs.text, *folder_);
  if (!reading) {
    setSaveError(ErrorWording::settingsNotSaved(QString()));
    return;
  }
  std::optional<KeptAside> aside;
  if (reading->malformed && theirs.whole) {
    aside = setAside(theirs.file);
    if (!aside) {
      setSaveError({tr("The settings file could not be read in full, nor set aside, so the settings were not saved."),
                    {}});
      return;
    }
    mustWrite_ = true;
  } else if (theirs.text != known_) {
    const std::optional<QVariantMap> before = valuesOf(known_);
    const std::optional<QVariantMap> here = valuesOf(*ours);
    if (!before || !here) {
      setSaveError(ErrorWording::settingsNotSaved(QString()));
      return;
    }
    takeInOthersChanges(*before, reading->values, *here, theirs.whole);
    if (theirs.whole) known_ = theirs.text;
    settings_->sync();
    ours = copyText();
    if (!ours) return;
  }
  if (!mustWrite_ && *ours == known_) {
    setSaveError({});
    return;
  }
  ReplacingSaveError error;
  // Through a link, the file is the user's own elsewhere, with the mode the user gave it.
  const std::optional<mode_t> mode =
      theirs.linked && theirs.kind == Found::Kind::text ? std::optional(theirs.mode) : std::nullopt;
  if (!saveByReplacing(theirs.file, *ours, error, mode)) {
    // The file is still at its name, to be kept aside by the next save.
    if (aside) withdrawAside(*aside);
    setSaveError(ErrorWording::settingsNotSaved(error.text));
    return;
  }
  if (aside && !aside->path.isEmpty()) {
    setNotice(tr("The settings file could not be read in full. It was kept aside in its folder, and the settings go "
                 "on in a new file with what could be read."),
              QDir::toNativeSeparators(aside->path));
  }
  known_ = *ours;
  mustWrite_ = false;
  setSaveError({});
}

void AppSettingsFile::takeInOthersChanges(const QVariantMap& before, const QVariantMap& now, const QVariantMap& here,
                                          bool removals) {
  QSet<QString> keys(before.keyBegin(), before.keyEnd());
  keys.unite(QSet<QString>(now.keyBegin(), now.keyEnd()));
  for (const QString& key : keys) {
    if (now.value(key) == before.value(key) || here.value(key) != before.value(key)) continue;
    if (now.contains(key)) {
      settings_->setValue(key, now.value(key));
    } else if (removals) {
      settings_->remove(key);
    }
  }
}

void AppSettingsFile::setNotice(QString notice, QString file) {
  if (notice == notice_ && file == noticeFile_) return;
  notice_ = std::move(notice);
  noticeFile_ = std::move(file);
  Q_EMIT noticeChanged();
}

void AppSettingsFile::setSaveError(ErrorNotice error) {
  if (error == saveError_) return;
  saveError_ = std::move(error);
  Q_EMIT saveErrorChanged();
}

}  // namespace tessorin
