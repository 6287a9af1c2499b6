#pragma once
// saveByReplacing: a file written whole under a new name in its own folder (the name
// and ".XXXXXX", made with O_EXCL, mode 0600 unless told), forced to the disk, then
// renamed over the file's name. Whatever stood at the name (the old file, a FIFO, a link
// someone put there) is replaced, never opened: nothing is written through a link or into
// a FIFO, and a reader sees the old text or the new one, never part of either. Any thread.

#include <sys/types.h>

#include <optional>

#include <QByteArray>
#include <QString>

namespace tessorin {

struct ReplacingSaveError {
  // What failed, on which file, and the system's words: "cannot write …: No space left on device".
  QString text;
  // The system's words alone.
  QString systemWords;
};

// False, with the reason in error, when the text could not be saved; the name then holds
// what it held before. mode: the new file's, when not 0600.
bool saveByReplacing(const QString& path, const QByteArray& text, ReplacingSaveError& error,
                     std::optional<mode_t> mode = std::nullopt);

// Removes the new files that saves killed before their rename left beside path: regular
// files of the user's, named as saveByReplacing names them (and QSettings' own saves do).
// Only under the lock every save of the file takes, lest a save going on lose its file.
void removeUnfinishedSaves(const QString& path);

}  // namespace tessorin
