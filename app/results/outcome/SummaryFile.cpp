#include "results/outcome/SummaryFile.hpp"

#include <QFileInfo>
#include <QSaveFile>

namespace tessorin {

QString SummaryFile::suggestedName() { return tr("Tessorin check.txt"); }

QString SummaryFile::suggestedFolder(const QString& documents, const QString& home) {
  return !documents.isEmpty() && QFileInfo(documents).isDir() ? documents : home;
}

std::optional<QString> SummaryFile::save(const QString& path, const QString& summary) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return file.errorString();
  const QByteArray bytes = summary.toUtf8();
  if (file.write(bytes) != bytes.size()) {
    const QString reason = file.errorString();
    file.cancelWriting();
    return reason;
  }
  if (!file.commit()) return file.errorString();
  return std::nullopt;
}

}  // namespace tessorin
