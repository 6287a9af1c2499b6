#include "session/records/IniText.hpp"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

namespace tessorin {

QVariantMap iniValues(const QByteArray& text) {
  QVariantMap values;
  const QTemporaryDir folder;
  if (!folder.isValid()) return values;
  const QString path = folder.filePath(QStringLiteral("values.ini"));
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size()) return values;
  file.close();
  const QSettings settings(path, QSettings::IniFormat);
  for (const QString& key : settings.allKeys()) values.insert(key, settings.value(key));
  return values;
}

}  // namespace tessorin
