#pragma once
// saveByReplacing: a file written whole under a new name in its own folder, forced to the
// disk, then renamed over the file's name. The new name is hidden and carries this
// program's word (".Tessorin.conf.tessorin-save-" and six letters or digits, made with
// O_EXCL, mode 0600 unless told), so that no file of the user's ever has its form: a
// start that removes what killed saves left beside a file can tell them from the user's
// own ("Tessorin.conf.backup", "Tessorin.conf.laptop"). Whatever stood at the name (the old file, a FIFO, a link
// someone put there) is replaced, never opened: nothing is written through a link or into
// a FIFO, and a reader sees the old text or the new one, never part of either. Any thread.

#include <sys/types.h>
#include <time.h>

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

// Removes the new files that saves killed before their rename left beside path: of the
// exact form saveByReplacing gives them, regular, the user's, with no other name, and last
// changed before lockedAt, the moment the caller took the lock every save of the file
// takes (the lock file's own time, in the file system's clock), lest a save going on lose
// its file. Nothing else is ever removed: not another user's file, a link, a file linked
// elsewhere too, nor any name of another form (older versions' saves included, which no
// one can tell from the user's files).
void removeUnfinishedSaves(const QString& path, const timespec& lockedAt);

}  // namespace tessorin
