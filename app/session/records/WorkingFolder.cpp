#include "session/records/WorkingFolder.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include <QFile>
#include <QRandomGenerator>

#include "session/records/UnreplaceableFolder.hpp"

namespace tessorin {

namespace {

// Every run's folder is named so, in whichever place it was made.
constexpr char stem[] = ".tessorin-working-";

QByteArray randomName() {
  static constexpr char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  QByteArray name(stem);
  for (int index = 0; index < 12; ++index) name += letters[QRandomGenerator::system()->bounded(36)];
  return name;
}

// The names in a folder, read from a descriptor of its own so that the folder's stays as it is.
std::vector<QByteArray> namesIn(int folder) {
  std::vector<QByteArray> names;
  const int listing = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listing < 0) return names;
  DIR* entries = ::fdopendir(listing);
  if (entries == nullptr) {
    ::close(listing);
    return names;
  }
  while (const dirent* entry = ::readdir(entries)) {
    const QByteArray name(entry->d_name);
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(entries);
  return names;
}

bool stillNamed(int place, const QByteArray& name, int folder) {
  struct stat opened {};
  struct stat named {};
  return ::fstat(folder, &opened) == 0 && ::fstatat(place, name.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
         opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

// unlinkat without AT_REMOVEDIR takes a link as a link and refuses a folder.
void removeFolder(int place, const QByteArray& name, int folder) {
  for (const QByteArray& file : namesIn(folder)) ::unlinkat(folder, file.constData(), 0);
  if (stillNamed(place, name, folder)) ::unlinkat(place, name.constData(), AT_REMOVEDIR);
}

// The place lets no one else write in it, so every working folder there is this user's runs'.
void removeLeftovers(int place, const QByteArray& own) {
  for (const QByteArray& name : namesIn(place)) {
    if (!name.startsWith(stem) || name == own) continue;
    const FileDescriptor folder(::openat(place, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat status {};
    if (!folder || ::fstat(folder.get(), &status) != 0 || status.st_uid != ::geteuid()) continue;
    // Held by a run that is still going.
    if (::flock(folder.get(), LOCK_EX | LOCK_NB) != 0) continue;
    removeFolder(place, name, folder.get());
  }
}

}  // namespace

std::unique_ptr<WorkingFolder> WorkingFolder::makeIn(const QStringList& places) {
  std::unique_ptr<WorkingFolder> made;
  for (const QString& placePath : places) {
    std::optional<UnreplaceableFolder> place = UnreplaceableFolder::open(placePath);
    if (!place) continue;
    const int at = place->descriptor.get();
    // A run that worked in another of the places left what it left there.
    if (made) {
      removeLeftovers(at, {});
      continue;
    }
    for (int attempt = 0; attempt < 16; ++attempt) {
      const QByteArray name = randomName();
      if (::mkdirat(at, name.constData(), 0700) != 0) {
        if (errno == EEXIST) continue;
        break;
      }
      FileDescriptor folder(::openat(at, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
      // Until it is locked, another start may take the new folder for a leftover and remove it.
      if (!folder || ::flock(folder.get(), LOCK_EX | LOCK_NB) != 0 || !stillNamed(at, name, folder.get())) continue;
      struct stat status {};
      if (::fstat(folder.get(), &status) != 0 || status.st_uid != ::geteuid() ||
          ((status.st_mode & 077) != 0 && ::fchmod(folder.get(), 0700) != 0)) {
        removeFolder(at, name, folder.get());
        continue;
      }
      removeLeftovers(at, name);
      made.reset(new WorkingFolder);
      made->path_ = place->path + QLatin1Char('/') + QFile::decodeName(name);
      made->place_ = std::move(place->descriptor);
      made->folder_ = std::move(folder);
      made->name_ = name;
      break;
    }
  }
  return made;
}

QStringList WorkingFolder::placesBeside(const QString& folder) {
  QStringList places;
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty()) places.append(runtime);
  places.append(folder);
  return places;
}

WorkingFolder::~WorkingFolder() { removeFolder(place_.get(), name_, folder_.get()); }

}  // namespace tessorin
