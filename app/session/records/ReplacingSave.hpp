#pragma once
// saveByReplacing: a file written whole under a new name in its own folder (made with
// O_EXCL, mode 0600), forced to the disk, then renamed over the file's name. Whatever
// stood at the name (the old file, a FIFO, a link someone put there) is replaced, never
// opened: nothing is written through a link or into a FIFO, and a reader sees the old
// text or the new one, never part of either. Any thread.

#include <QByteArray>
#include <QString>

namespace tessorin {

// False, with the reason in error, when the text could not be saved; the name then holds
// what it held before.
bool saveByReplacing(const QString& path, const QByteArray& text, QString& error);

}  // namespace tessorin
