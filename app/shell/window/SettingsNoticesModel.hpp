#pragma once
// SettingsNoticesModel: what the window tells the user about the settings' file above
// its content: the notice (a file set aside, settings kept for this run alone) with the
// file it speaks of and that file's folder, for "Show in Files", and why the last save
// did not happen. Main thread; the settings file is held weakly.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

#include "shell/core/AppSettingsFile.hpp"

namespace tessorin {

class SettingsNoticesModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(QObject* settingsFile READ settingsFile WRITE setSettingsFile NOTIFY settingsFileChanged)
  Q_PROPERTY(QString notice READ notice NOTIFY noticeChanged)
  Q_PROPERTY(QString noticeFile READ noticeFile NOTIFY noticeChanged)
  Q_PROPERTY(QUrl noticeFolder READ noticeFolder NOTIFY noticeChanged)
  Q_PROPERTY(QString saveError READ saveError NOTIFY saveErrorChanged)
  Q_PROPERTY(QString saveErrorDetail READ saveErrorDetail NOTIFY saveErrorChanged)
  Q_PROPERTY(QString dismissLabel READ dismissLabel CONSTANT)
  Q_PROPERTY(QString showFileLabel READ showFileLabel CONSTANT)

 public:
  using QObject::QObject;

  QObject* settingsFile() const { return file_; }
  void setSettingsFile(QObject* file);
  QString notice() const { return file_ ? file_->notice() : QString(); }
  QString noticeFile() const { return file_ ? file_->noticeFile() : QString(); }
  QUrl noticeFolder() const;
  QString saveError() const { return file_ ? file_->saveError() : QString(); }
  QString saveErrorDetail() const { return file_ ? file_->saveErrorDetail() : QString(); }
  QString dismissLabel() const { return tr("OK"); }
  QString showFileLabel() const { return tr("Show in Files"); }
  Q_INVOKABLE void dismissNotice();
  Q_INVOKABLE void dismissSaveError();

 Q_SIGNALS:
  void settingsFileChanged();
  void noticeChanged();
  void saveErrorChanged();

 private:
  QPointer<AppSettingsFile> file_;
};

}  // namespace tessorin
