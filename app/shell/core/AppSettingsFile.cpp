#include "shell/core/AppSettingsFile.hpp"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QStringList>

#include "session/records/PlainFile.hpp"

namespace tessorin {

namespace {

// The files QSettings reads for this application, the user's own first.
QStringList settingsFiles() {
  const QString organisation = QCoreApplication::organizationName();
  const QString application = QCoreApplication::applicationName();
  QStringList files;
  for (const QString& folder : QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation)) {
    files << QDir(folder).filePath(organisation + QLatin1Char('/') + application + QStringLiteral(".conf"))
          << QDir(folder).filePath(organisation + QStringLiteral(".conf"));
  }
  return files;
}

}  // namespace

AppSettingsFile::AppSettingsFile() {
  const QStringList files = settingsFiles();
  for (const QString& file : files) {
    if (PlainFile::kindAt(file) == PlainFile::Kind::notAFile) {
      noticeFile_ = QDir::toNativeSeparators(file);
      break;
    }
  }
  if (noticeFile_.isEmpty()) {
    settings_ = std::make_unique<QSettings>();
    return;
  }
  if (PlainFile::kindAt(files.front()) == PlainFile::Kind::notAFile) {
    notice_ = QCoreApplication::translate("AppSettingsFile",
                                          "The settings’ place holds something that is not a file, so the settings "
                                          "were not read from it, and it is left as it is. Settings are kept until "
                                          "Tessorin quits; move it away to have them saved.");
    runOnly_ = std::make_unique<QTemporaryDir>();
    settings_ = std::make_unique<QSettings>(runOnly_->filePath(QStringLiteral("Tessorin.conf")), QSettings::NativeFormat);
    return;
  }
  // Only the user's own file is read; the shared one in the way is left as it is.
  notice_ = QCoreApplication::translate("AppSettingsFile",
                                        "A shared settings file’s place holds something that is not a file, so it "
                                        "was not read, and it is left as it is.");
  settings_ = std::make_unique<QSettings>(files.front(), QSettings::NativeFormat);
}

}  // namespace tessorin
