#include "session/records/LinkedFile.hpp"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>

#include "session/records/UnreplaceableFolder.hpp"

namespace tessorin {

namespace {

// As many links as the system itself follows in one name.
constexpr int mostLinks = 40;

}  // namespace

FileBehindLinks fileBehindLinks(const QString& path) {
  FileBehindLinks behind;
  // Joined by hand, never cleaned: "a/link/../b" leads where the link's target's folder
  // is, not to "a/b".
  QByteArray name = QFile::encodeName(QDir::isAbsolutePath(path) ? path : QDir::currentPath() + QLatin1Char('/') + path);
  for (int hop = 0; hop <= mostLinks; ++hop) {
    const qsizetype slash = name.lastIndexOf('/');
    const QByteArray base = name.mid(slash + 1);
    const std::optional<UnreplaceableFolder> folder = UnreplaceableFolder::open(
        slash == 0 ? QStringLiteral("/") : QFile::decodeName(name.left(slash)),
        UnreplaceableFolder::Itself::holdsTheFiles, &behind.refused);
    if (!folder && behind.refused.isEmpty()) {
      // Nothing another user may change is to blame: the folder is missing, or no folder,
      // or its links go round: opening the file says which.
      behind.file = QFile::decodeName(name);
      return behind;
    }
    if (!folder) {
      behind.trouble = FileBehindLinks::Trouble::othersMayChange;
      return behind;
    }
    const QByteArray at = folder->path == QStringLiteral("/") ? QByteArray("/") : QFile::encodeName(folder->path) + '/';
    struct stat status {};
    if (base.isEmpty() || ::fstatat(folder->descriptor.get(), base.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISLNK(status.st_mode)) {
      behind.file = QFile::decodeName(at + base);
      return behind;
    }
    // The system lets a link's owner alone replace it, and the user alone put one of the
    // user's there: another's, the user never made.
    if (status.st_uid != ::geteuid()) {
      behind.trouble = FileBehindLinks::Trouble::othersLink;
      behind.refused = QFile::decodeName(at + base);
      return behind;
    }
    char target[PATH_MAX];
    const ssize_t length = ::readlinkat(folder->descriptor.get(), base.constData(), target, sizeof target);
    if (length <= 0 || length == static_cast<ssize_t>(sizeof target)) break;
    const QByteArray targetName(target, length);
    name = targetName.startsWith('/') ? targetName : at + targetName;
    behind.linked = true;
  }
  behind.trouble = FileBehindLinks::Trouble::linksGoRound;
  behind.refused.clear();
  return behind;
}

}  // namespace tessorin
