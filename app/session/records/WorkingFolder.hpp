#pragma once
// WorkingFolder: a folder of one run's own for the files QSettings works on while the
// application's settings are read and saved (they hold the community's token). It is
// made in a place no other user can rename or replace anything on the way to
// (UnreplaceableFolder): a shared temporary folder is never one, as another user could
// put a link to a folder of their choice where the working folder was, to have its files
// read, written or removed there.
//
// The folder is made 0700 and locked (flock on its descriptor, which the system lets go
// when the process ends, however it ends). Made, it removes the folders in every place
// that passes whose lock no one holds: a run that was killed left them. Removal goes through the place's and the
// folder's descriptors: it never follows a link, never enters a folder within, and takes
// only the files in the folder that was made, then the folder.
//
// Any thread; each object is used by one thread at a time.

#include <memory>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "tessorin/posix/FileDescriptor.hpp"

namespace tessorin {

class WorkingFolder {
 public:
  // A new folder in the first of places that passes; nothing when none does.
  static std::unique_ptr<WorkingFolder> makeIn(const QStringList& places);
  // The user's runtime folder (XDG_RUNTIME_DIR) when there is one, then folder.
  static QStringList placesBeside(const QString& folder);

  ~WorkingFolder();
  WorkingFolder(const WorkingFolder&) = delete;
  WorkingFolder& operator=(const WorkingFolder&) = delete;

  // By a name no other user can turn elsewhere.
  const QString& path() const { return path_; }
  QString filePath(const QString& name) const { return path_ + QLatin1Char('/') + name; }

 private:
  WorkingFolder() = default;

  FileDescriptor place_;
  FileDescriptor folder_;
  QByteArray name_;
  QString path_;
};

}  // namespace tessorin
