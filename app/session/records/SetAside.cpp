#include "session/records/SetAside.hpp"

#include <stdio.h>
#include <sys/stat.h>

#include <cerrno>

#include <QDateTime>
#include <QFile>

namespace tessorin {

std::optional<QString> setAside(const QString& path) {
  struct stat status {};
  if (::stat(QFile::encodeName(path).constData(), &status) != 0) {
    return errno == ENOENT ? std::optional(QString()) : std::nullopt;
  }
  // Only a regular file (or a link to one, which is what moves) is the caller's to move.
  if (!S_ISREG(status.st_mode)) return std::nullopt;
  // Dated as the community's damaged file is, so the two read alike side by side.
  const QString stem = path + QStringLiteral(".unreadable-") +
                       QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd'T'HH-mm-ss"));
  for (int attempt = 1; attempt <= 100; ++attempt) {
    const QString aside = attempt == 1 ? stem : stem + QLatin1Char('-') + QString::number(attempt);
    if (QFile::exists(aside)) continue;
    // Never a copy in place of the rename, as QFile::rename falls back to.
    if (::rename(QFile::encodeName(path).constData(), QFile::encodeName(aside).constData()) == 0) return aside;
    return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace tessorin
