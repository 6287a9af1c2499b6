#pragma once
// SettingsDictionary: one dictionary-valued setting ("ClaimedBrands", "DeviceKinds",
// "ReaderBestRead", ...), kept as a single map value under its key rather than as a
// settings group, because its keys (card ids, reader keys) may hold "/". Entries are
// examined one by one, so an entry of the wrong type reads as absent without hiding the
// others. A write reads the whole dictionary, changes one entry and writes all of it
// back, so entries it does not understand survive. Used on the thread that owns the
// QSettings (the main thread).

#include <optional>

#include <QSettings>
#include <QString>
#include <QVariant>

namespace tessorin {

class SettingsDictionary {
 public:
  SettingsDictionary(QSettings& settings, QString key);

  std::optional<QString> text(const QString& entry) const;
  // Any numeric type; text that looks like a number is not a number.
  std::optional<double> number(const QString& entry) const;

  void set(const QString& entry, const QVariant& value);
  void remove(const QString& entry);

 private:
  QVariantMap read() const;

  QSettings& settings_;
  QString key_;
};

}  // namespace tessorin
