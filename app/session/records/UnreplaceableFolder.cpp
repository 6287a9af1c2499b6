#include "session/records/UnreplaceableFolder.hpp"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <deque>
#include <vector>

#include <QDir>
#include <QFile>

#include "session/records/OthersMayWrite.hpp"

namespace tessorin {

namespace {

// As many links as the system itself follows in one name.
constexpr int mostLinks = 40;

bool rootsOrUsers(const struct stat& status, uid_t user) { return status.st_uid == 0 || status.st_uid == user; }

// Nothing in it can be renamed or replaced by another user, once what is in it is judged
// rootsOrUsers: the sticky bit lets only an entry's owner rename it. folder has it open.
bool passable(int folder, const struct stat& status, uid_t user) {
  return S_ISDIR(status.st_mode) && rootsOrUsers(status, user) &&
         ((status.st_mode & S_ISVTX) != 0 || !othersMayWrite(folder, status, user));
}

// No one else can make or remove anything in it, sticky or not.
bool noOneElseWrites(int folder, const struct stat& status, uid_t user) {
  return S_ISDIR(status.st_mode) && rootsOrUsers(status, user) && !othersMayWrite(folder, status, user);
}

void putInFront(std::deque<QByteArray>& names, const QByteArray& path) {
  const QList<QByteArray> parts = path.split('/');
  names.insert(names.begin(), parts.begin(), parts.end());
}

struct Step {
  FileDescriptor folder;
  struct stat status {};
  QByteArray name;
};

// The name of what was walked to, with next under it when given.
QString nameOf(const std::vector<Step>& walked, const QByteArray& next = {}) {
  QByteArray name;
  for (std::size_t index = 1; index < walked.size(); ++index) name += '/' + walked[index].name;
  if (!next.isEmpty()) name += '/' + next;
  return name.isEmpty() ? QStringLiteral("/") : QFile::decodeName(name);
}

bool startAtRoot(std::vector<Step>& walked, uid_t user) {
  walked.clear();
  Step root{FileDescriptor(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC)), {}, {}};
  if (!root.folder || ::fstat(root.folder.get(), &root.status) != 0 || !passable(root.folder.get(), root.status, user)) return false;
  walked.push_back(std::move(root));
  return true;
}

}  // namespace

std::optional<UnreplaceableFolder> UnreplaceableFolder::open(const QString& path, Itself itself, QString* refused) {
  const uid_t user = ::geteuid();
  const QByteArray name = QFile::encodeName(path);
  const auto refuse = [&](QString what) {
    if (refused != nullptr) *refused = std::move(what);
    return std::nullopt;
  };
  if (!name.startsWith('/')) return refuse({});
  std::vector<Step> walked;
  if (!startAtRoot(walked, user)) return refuse(QStringLiteral("/"));
  std::deque<QByteArray> left;
  putInFront(left, name);
  int links = 0;
  while (!left.empty()) {
    const QByteArray next = left.front();
    left.pop_front();
    if (next.isEmpty() || next == ".") continue;
    if (next == "..") {
      // Its folder was judged on the way down.
      if (walked.size() > 1) walked.pop_back();
      continue;
    }
    // Whatever is opened here must be passed through: only a passable folder is trusted
    // to hold it still.
    const Step& at = walked.back();
    if (!passable(at.folder.get(), at.status, user)) return refuse(nameOf(walked));
    Step step{FileDescriptor(::openat(walked.back().folder.get(), next.constData(), O_PATH | O_NOFOLLOW | O_CLOEXEC)),
              {}, next};
    if (!step.folder || ::fstat(step.folder.get(), &step.status) != 0) return refuse({});
    if (!rootsOrUsers(step.status, user)) return refuse(nameOf(walked, next));
    if (S_ISLNK(step.status.st_mode)) {
      char target[PATH_MAX];
      const ssize_t length = ::readlinkat(step.folder.get(), "", target, sizeof target);
      if (++links > mostLinks || length <= 0 || length == static_cast<ssize_t>(sizeof target)) return refuse({});
      const QByteArray targetName(target, length);
      putInFront(left, targetName);
      if (targetName.startsWith('/') && !startAtRoot(walked, user)) return refuse(QStringLiteral("/"));
      continue;
    }
    if (!S_ISDIR(step.status.st_mode)) return refuse({});
    walked.push_back(std::move(step));
  }
  const Step& last = walked.back();
  bool fit = false;
  switch (itself) {
    case Itself::theUsersAlone:
      fit = last.status.st_uid == user && noOneElseWrites(last.folder.get(), last.status, user);
      break;
    case Itself::holdsTheFiles:
      fit = noOneElseWrites(last.folder.get(), last.status, user);
      break;
    case Itself::asOnTheWay:
      fit = passable(last.folder.get(), last.status, user);
      break;
  }
  if (!fit) return refuse(nameOf(walked));
  UnreplaceableFolder opened;
  opened.descriptor = FileDescriptor(::openat(last.folder.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!opened.descriptor) return refuse({});
  opened.path = nameOf(walked);
  return opened;
}

void UnreplaceableFolder::makeMissing(const QString& path) {
  // Each prefix as the system reads it, never cleaned: "a/link/../b" is under the link's target.
  const QByteArray whole =
      QFile::encodeName(QDir::isAbsolutePath(path) ? path : QDir::currentPath() + QLatin1Char('/') + path);
  for (qsizetype slash = whole.indexOf('/', 1);; slash = whole.indexOf('/', slash + 1)) {
    ::mkdir((slash == -1 ? whole : whole.left(slash)).constData(), 0700);
    if (slash == -1) return;
  }
}

}  // namespace tessorin
