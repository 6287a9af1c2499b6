#include "session/records/ReplacingSave.hpp"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <string>

#include <QFile>
#include <QFileInfo>

#include "session/records/UnreplaceableFolder.hpp"
#include "tessorin/posix/FileDescriptor.hpp"
#include "tessorin/posix/TreeRemoval.hpp"

namespace tessorin {

namespace {

ReplacingSaveError failed(const char* what, const QString& path) {
  const QString systemWords = QString::fromLocal8Bit(std::strerror(errno));
  return {QStringLiteral("%1 %2: %3").arg(QLatin1String(what), path, systemWords), systemWords};
}

bool writeAll(int file, const QByteArray& text) {
  qsizetype done = 0;
  while (done < text.size()) {
    const ssize_t written = ::write(file, text.constData() + done, static_cast<size_t>(text.size() - done));
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    done += written;
  }
  return true;
}

// What mkstemp puts in place of "XXXXXX".
constexpr std::size_t uniqueLength = 6;

// A new file's name before its unique end: hidden, and with this program's word, which
// no name a person gives a copy of their file has.
std::string unfinishedStem(const std::string& file) { return '.' + file + ".tessorin-save-"; }

bool unfinishedSaveOf(const std::string& name, const std::string& file) {
  const std::string stem = unfinishedStem(file);
  return name.size() == stem.size() + uniqueLength && name.compare(0, stem.size(), stem) == 0 &&
         std::all_of(name.end() - uniqueLength, name.end(), [](unsigned char c) { return std::isalnum(c) != 0; });
}

bool before(const timespec& a, const timespec& b) {
  return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

}  // namespace

bool saveByReplacing(const QString& path, const QByteArray& text, ReplacingSaveError& error,
                     std::optional<mode_t> mode) {
  const QFileInfo info(path);
  const QString folder = info.absolutePath();
  UnreplaceableFolder::makeMissing(folder);
  QByteArray temporary = QFile::encodeName(folder) + '/' +
                         QByteArray::fromStdString(unfinishedStem(QFile::encodeName(info.fileName()).toStdString())) +
                         QByteArray(uniqueLength, 'X');
  FileDescriptor file(::mkostemp(temporary.data(), O_CLOEXEC));
  if (!file) {
    error = failed("cannot create a file beside", path);
    return false;
  }
  const auto abandon = [&](const char* what) {
    error = failed(what, QFile::decodeName(temporary));
    ::unlink(temporary.constData());
    return false;
  };
  if (mode && ::fchmod(file.get(), *mode & 0777) != 0) return abandon("cannot set the mode of");
  if (!writeAll(file.get(), text)) return abandon("cannot write");
  // The rename must not reach the disk before the text does, or a crash leaves an empty file.
  if (::fsync(file.get()) != 0) return abandon("cannot sync");
  file.reset();
  if (::rename(temporary.constData(), QFile::encodeName(path).constData()) != 0) return abandon("cannot rename");
  // The rename itself lasts once the folder is synced; a file system that cannot sync a
  // folder has already kept it.
  const FileDescriptor directory(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directory) ::fsync(directory.get());
  return true;
}

void removeUnfinishedSaves(const QString& path, const timespec& lockedAt) {
  const QFileInfo info(path);
  const std::optional<UnreplaceableFolder> folder =
      UnreplaceableFolder::open(info.absolutePath(), UnreplaceableFolder::Itself::asOnTheWay);
  if (!folder) return;
  const std::string file = QFile::encodeName(info.fileName()).toStdString();
  for (const std::string& name : namesInDirectory(folder->descriptor.get())) {
    if (!unfinishedSaveOf(name, file)) continue;
    struct stat status {};
    // A save's new file has one name, its own; another name would be someone's hard link
    // to a file of the user's, and a file changed since the lock was taken is a save's
    // that does not wait for the lock.
    if (::fstatat(folder->descriptor.get(), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(status.st_mode) || status.st_uid != ::geteuid() || status.st_nlink != 1 ||
        !before(status.st_mtim, lockedAt) || !before(status.st_ctim, lockedAt)) {
      continue;
    }
    ::unlinkat(folder->descriptor.get(), name.c_str(), 0);
  }
}

}  // namespace tessorin
