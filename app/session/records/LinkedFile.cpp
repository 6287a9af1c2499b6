#include "session/records/LinkedFile.hpp"

#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>

namespace tessorin {

namespace {

// As many links as the system itself follows in one name.
constexpr int mostLinks = 40;

}  // namespace

std::optional<QString> fileBehindLinks(const QString& path) {
  // Joined by hand, never cleaned: "a/link/../b" leads where the link's target's folder
  // is, not to "a/b".
  QByteArray name = QFile::encodeName(QDir::isAbsolutePath(path) ? path : QDir::currentPath() + QLatin1Char('/') + path);
  for (int hop = 0; hop <= mostLinks; ++hop) {
    struct stat status {};
    if (::lstat(name.constData(), &status) != 0 || !S_ISLNK(status.st_mode)) return QFile::decodeName(name);
    char target[PATH_MAX];
    const ssize_t length = ::readlink(name.constData(), target, sizeof target);
    if (length <= 0 || length == static_cast<ssize_t>(sizeof target)) return std::nullopt;
    const QByteArray targetName(target, length);
    name = targetName.startsWith('/') ? targetName : name.left(name.lastIndexOf('/') + 1) + targetName;
  }
  return std::nullopt;
}

}  // namespace tessorin
