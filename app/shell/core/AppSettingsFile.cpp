#include "shell/core/AppSettingsFile.hpp"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QSet>
#include <QStandardPaths>

#include "session/records/IniText.hpp"
#include "session/records/PlainFile.hpp"
#include "session/records/ReplacingSave.hpp"

namespace tessorin {

namespace {

// Far beyond any settings Tessorin writes; a larger file is not its own.
constexpr qint64 largestSettings = 16 * 1024 * 1024;

// The text at path, "" when nothing is there; nothing when what is there is not to be read.
std::optional<QByteArray> textAt(const QString& path, PlainFile::Kind& kind) {
  const PlainFile file = PlainFile::open(path, PlainFile::Links::refused);
  kind = file.kind();
  if (kind == PlainFile::Kind::missing) return QByteArray();
  return file.readWhole(largestSettings);
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

AppSettingsFile::AppSettingsFile(QString path) : path_(std::move(path)) {
  PlainFile::Kind kind = PlainFile::Kind::missing;
  std::optional<QByteArray> text = textAt(path_, kind);
  if (!text) {
    saved_ = false;
    noticeFile_ = QDir::toNativeSeparators(path_);
    notice_ = kind == PlainFile::Kind::notAFile
                  ? QCoreApplication::translate("AppSettingsFile",
                                                "The settings’ place holds something that is not a file, so the "
                                                "settings were not read from it, and it is left as it is. Settings are "
                                                "kept until Tessorin quits; move it away to have them saved.")
                  : QCoreApplication::translate("AppSettingsFile",
                                                "The settings file could not be read, so it is left as it is. Settings "
                                                "are kept until Tessorin quits; move it away to have them saved.");
    text = QByteArray();
  }
  known_ = *text;
  const QString copy = folder_.filePath(QStringLiteral("Tessorin.conf"));
  QFile file(copy);
  if (!folder_.isValid() || !file.open(QIODevice::WriteOnly) || file.write(known_) != known_.size()) {
    // Without a copy the settings hold only what this run sets: none of it may replace the file.
    qWarning("Tessorin: no private copy of the settings at %s; they are kept until Tessorin quits", qPrintable(copy));
    saved_ = false;
  }
  file.close();
  settings_ = std::make_unique<Copy>(copy, *this);
}

AppSettingsFile::~AppSettingsFile() { save(); }

QSettings& AppSettingsFile::settings() { return *settings_; }

QString AppSettingsFile::defaultPath() {
  return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
      .filePath(QCoreApplication::organizationName() + QLatin1Char('/') + QCoreApplication::applicationName() +
                QStringLiteral(".conf"));
}

std::optional<QByteArray> AppSettingsFile::copyText() const {
  if (settings_->status() != QSettings::NoError) return std::nullopt;
  QFile file(settings_->fileName());
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  return file.readAll();
}

void AppSettingsFile::save() {
  settings_->sync();
  if (!saved_) return;
  std::optional<QByteArray> ours = copyText();
  PlainFile::Kind kind = PlainFile::Kind::missing;
  const std::optional<QByteArray> theirs = textAt(path_, kind);
  if (!ours) return;
  if (!theirs) {
    if (!toldNotSaved_) {
      qWarning("Tessorin: %s is no file that can be read; the settings are saved once it is", qPrintable(path_));
    }
    toldNotSaved_ = true;
    return;
  }
  toldNotSaved_ = false;
  if (*theirs != known_) {
    takeInOthersChanges(*theirs, *ours);
    known_ = *theirs;
    settings_->sync();
    ours = copyText();
    if (!ours) return;
  }
  if (*ours == known_) return;
  QString error;
  if (!saveByReplacing(path_, *ours, error)) {
    qWarning("Tessorin: the settings were not saved: %s", qPrintable(error));
    return;
  }
  known_ = *ours;
}

void AppSettingsFile::takeInOthersChanges(const QByteArray& theirs, const QByteArray& ours) {
  const QVariantMap before = iniValues(known_);
  const QVariantMap now = iniValues(theirs);
  const QVariantMap here = iniValues(ours);
  QSet<QString> keys(before.keyBegin(), before.keyEnd());
  keys.unite(QSet<QString>(now.keyBegin(), now.keyEnd()));
  for (const QString& key : keys) {
    if (now.value(key) == before.value(key) || here.value(key) != before.value(key)) continue;
    if (now.contains(key)) {
      settings_->setValue(key, now.value(key));
    } else {
      settings_->remove(key);
    }
  }
}

}  // namespace tessorin
