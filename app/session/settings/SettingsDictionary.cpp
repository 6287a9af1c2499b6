#include "session/settings/SettingsDictionary.hpp"

#include <utility>

namespace tessorin {

SettingsDictionary::SettingsDictionary(QSettings& settings, QString key) : settings_(settings), key_(std::move(key)) {}

QVariantMap SettingsDictionary::read() const {
  const QVariant stored = settings_.value(key_);
  switch (stored.typeId()) {
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash:
      return stored.toMap();
    default:
      return {};
  }
}

std::optional<QString> SettingsDictionary::text(const QString& entry) const {
  const QVariant value = read().value(entry);
  if (value.typeId() != QMetaType::QString) return std::nullopt;
  return value.toString();
}

std::optional<double> SettingsDictionary::number(const QString& entry) const {
  const QVariant value = read().value(entry);
  switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
      return value.toDouble();
    default:
      return std::nullopt;
  }
}

void SettingsDictionary::set(const QString& entry, const QVariant& value) {
  QVariantMap dictionary = read();
  dictionary.insert(entry, value);
  settings_.setValue(key_, dictionary);
}

void SettingsDictionary::remove(const QString& entry) {
  QVariantMap dictionary = read();
  dictionary.remove(entry);
  settings_.setValue(key_, dictionary);
}

}  // namespace tessorin
