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
  // Nothing on success, else the system's reason.
  static std::optional<QString> save(const QString& path, const QString& summary);
};

}  // namespace tessorin
