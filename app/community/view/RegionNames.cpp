#include "community/view/RegionNames.hpp"

#include <unicode/uloc.h>

#include "theme/text/IcuText.hpp"

namespace tessorin {

QString regionName(const QString& code) {
  if (code.isEmpty()) return {};
  const QByteArray region = QByteArrayLiteral("und_") + code.toLatin1();
  const QByteArray display = icu::localeId();
  const QString name = icu::filled([&](UChar* buffer, int32_t capacity, UErrorCode* status) {
    return uloc_getDisplayCountry(region.constData(), display.constData(), buffer, capacity, status);
  });
  // ICU answers with the code itself when it knows no name.
  if (name.compare(code, Qt::CaseInsensitive) == 0) return {};
  return name;
}

QStringList isoRegionCodes() {
  QStringList codes;
  for (const char* const* code = uloc_getISOCountries(); *code != nullptr; ++code) {
    codes.append(QString::fromLatin1(*code));
  }
  return codes;
}

}  // namespace tessorin
