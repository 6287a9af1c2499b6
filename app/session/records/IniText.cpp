#include "session/records/IniText.hpp"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <QFile>
#include <QSettings>

#include "session/records/WorkingFolder.hpp"

namespace tessorin {

std::optional<IniReading> readIni(const QByteArray& text, const WorkingFolder& folder) {
  QByteArray name = QFile::encodeName(folder.filePath(QStringLiteral("reading-XXXXXX")));
  const int made = ::mkostemp(name.data(), O_CLOEXEC);
  if (made < 0) return std::nullopt;
  const QString path = QFile::decodeName(name);
  QFile file;
  const bool written = file.open(made, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle) &&
                       file.write(text) == text.size() && file.flush();
  file.close();
  std::optional<IniReading> reading;
  if (written) {
    const QSettings settings(path, QSettings::IniFormat);
    reading.emplace();
    for (const QString& key : settings.allKeys()) reading->values.insert(key, settings.value(key));
    // QSettings writes a NUL as "\0"; given one, it reads no key and says nothing of it.
    reading->malformed = settings.status() == QSettings::FormatError || text.contains('\0');
  }
  ::unlink(name.constData());
  return reading;
}

}  // namespace tessorin
