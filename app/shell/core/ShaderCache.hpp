#pragma once
// ShaderCache: the folder where Qt's graphical effects keep the shaders they build, one
// ".qsb" file each, for this program. Qt builds a shader only when its file is missing
// and reads the file at every start; one cut short (a run killed as it wrote, a full
// disk, two programs writing it at once) fails every start and is never built again.
// Before any QML loads, repair() removes the files Qt could not read, so that Qt builds
// them anew.
//
// Several programs may share the folder (gallery runs side by side). Each holds a lock
// beside it for as long as its ShaderCache lives; only a program that finds nobody else
// holding it removes anything, for a file another program is writing looks cut short.
// A program that holds the lock alone for longer than a repair takes keeps no start
// waiting: the start goes on without the repair and without the lock.
//
// The folders on the way are judged as the settings' are (UnreplaceableFolder, as a
// folder on the way). The lock is taken only in the user's own regular file, the folder
// is not entered through a link, nor when it is not this user's or others may write in
// it, and nothing but a regular ".qsb" file of this user's is ever removed, a link never
// followed.
//
// Main thread, before QML loads; lives as long as the program draws effects.

#include <QString>
#include <QStringList>

#include "tessorin/posix/FileDescriptor.hpp"

namespace tessorin {

class ShaderCache {
 public:
  // folder: where the effects keep this program's shaders.
  explicit ShaderCache(QString folder);

  // Where Qt's effects keep them for the running program: needs its name set.
  static QString defaultFolder();

  // When no other program holds the folder, removes every cached shader Qt could not
  // read; then holds the folder, shared, until this object goes. The paths removed.
  QStringList repair();

 private:
  QString folder_;
  FileDescriptor lock_;
};

}  // namespace tessorin
