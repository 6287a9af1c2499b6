#pragma once
// AppSettingsFile: the application's settings, opened so that the start never waits on
// them. QSettings reads its files (the user's and the organisation's, in the user's and
// the system's configuration folders) with a blocking open as it is made, and a FIFO put
// at one of their names would hold the start until a writer came. Such a name is passed
// over: when it is the user's own file, the settings are kept in a file of this run's
// own; either way the user is told which name it was.
//
// Main thread only; lives as long as the application.

#include <memory>

#include <QSettings>
#include <QString>
#include <QTemporaryDir>

namespace tessorin {

class AppSettingsFile {
 public:
  AppSettingsFile();

  QSettings& settings() { return *settings_; }
  // What the user is to be told about the settings' files; "" when nothing.
  const QString& notice() const { return notice_; }
  // The name passed over, which the notice's words leave out; "" when none.
  const QString& noticeFile() const { return noticeFile_; }

 private:
  std::unique_ptr<QTemporaryDir> runOnly_;
  std::unique_ptr<QSettings> settings_;
  QString notice_;
  QString noticeFile_;
};

}  // namespace tessorin
