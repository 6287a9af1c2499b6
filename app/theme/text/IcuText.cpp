#include "theme/text/IcuText.hpp"

#include <QLocale>
#include <vector>

namespace tessorin::icu {

QByteArray localeId() {
  const QString name = QLocale().name();
  if (name == QLatin1String("C")) return QByteArrayLiteral("en_US_POSIX");
  return name.toLatin1();
}

QString filled(const std::function<int32_t(UChar* buffer, int32_t capacity, UErrorCode* status)>& call) {
  std::vector<UChar> buffer(128);
  UErrorCode status = U_ZERO_ERROR;
  int32_t length = call(buffer.data(), static_cast<int32_t>(buffer.size()), &status);
  if (status == U_BUFFER_OVERFLOW_ERROR) {
    buffer.resize(static_cast<std::size_t>(length) + 1);
    status = U_ZERO_ERROR;
    length = call(buffer.data(), static_cast<int32_t>(buffer.size()), &status);
  }
  if (U_FAILURE(status) || length < 0) return {};
  return QString(reinterpret_cast<const QChar*>(buffer.data()), length);
}

}  // namespace tessorin::icu
