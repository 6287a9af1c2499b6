#include "theme/text/PluralText.hpp"

#include <unicode/msgfmt.h>

#include "theme/text/IcuText.hpp"

namespace tessorin {

QString pluralText(const QString& pattern, long long count) {
  UErrorCode status = U_ZERO_ERROR;
  const ::icu::UnicodeString source(icu::uchars(pattern), static_cast<int32_t>(pattern.size()));
  const ::icu::MessageFormat format(source, ::icu::Locale(icu::localeId().constData()), status);
  if (U_FAILURE(status)) return pattern;
  const ::icu::Formattable arguments[] = {::icu::Formattable(static_cast<int64_t>(count))};
  ::icu::UnicodeString text;
  ::icu::FieldPosition ignored;
  format.format(arguments, 1, text, ignored, status);
  if (U_FAILURE(status)) return pattern;
  return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

}  // namespace tessorin
