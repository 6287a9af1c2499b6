#include "shell/window/SettingsNoticesModel.hpp"

#include <QFileInfo>

namespace tessorin {

void SettingsNoticesModel::setSettingsFile(QObject* file) {
  auto* next = qobject_cast<AppSettingsFile*>(file);
  if (next == file_) return;
  if (file_) disconnect(file_, nullptr, this, nullptr);
  file_ = next;
  if (file_) {
    connect(file_, &AppSettingsFile::noticeChanged, this, &SettingsNoticesModel::noticeChanged);
    connect(file_, &AppSettingsFile::saveErrorChanged, this, &SettingsNoticesModel::saveErrorChanged);
  }
  Q_EMIT settingsFileChanged();
  Q_EMIT noticeChanged();
  Q_EMIT saveErrorChanged();
}

QUrl SettingsNoticesModel::noticeFolder() const {
  const QString file = noticeFile();
  return file.isEmpty() ? QUrl() : QUrl::fromLocalFile(QFileInfo(file).absolutePath());
}

void SettingsNoticesModel::dismissNotice() {
  if (file_) file_->dismissNotice();
}

void SettingsNoticesModel::dismissSaveError() {
  if (file_) file_->dismissSaveError();
}

}  // namespace tessorin
