#pragma once
// SummaryFile: writes a check's plain-text summary to a file the user chose, exactly its
// UTF-8 bytes, through a temporary file renamed into place, so that a failed save leaves
// no file and never a half-written one. Main thread (a few hundred bytes).

#include <optional>

#include <QCoreApplication>
#include <QString>

namespace tessorin {

class SummaryFile {
  Q_DECLARE_TR_FUNCTIONS(SummaryFile)

 public:
  // The name the save dialog suggests.
  static QString suggestedName();
  // The folder it opens in: the documents folder where it is one, else the home folder. A
  // new account or a minimal desktop has none yet, and a dialog sent there lists another.
  static QString suggestedFolder(const QString& documents, const QString& home);
  // Nothing on success, else the system's reason.
  static std::optional<QString> save(const QString& path, const QString& summary);
};

}  // namespace tessorin
