#include "community/view/MoneyText.hpp"

#include <cmath>

#include <unicode/ucurr.h>
#include <unicode/unum.h>

#include "theme/text/IcuText.hpp"

namespace tessorin {

namespace {

// Whether ICU knows the code as a currency at any time.
bool isKnownCurrency(const QString& code) {
  if (code.size() != 3) return false;
  for (const QChar c : code) {
    if (c < QLatin1Char('A') || c > QLatin1Char('Z')) return false;
  }
  UErrorCode status = U_ZERO_ERROR;
  const bool known = ucurr_isAvailable(icu::uchars(code), U_DATE_MIN, U_DATE_MAX, &status);
  return U_SUCCESS(status) && known;
}

QString formatted(UNumberFormatStyle style, double amount, const QString& currency) {
  UErrorCode status = U_ZERO_ERROR;
  UNumberFormat* format = unum_open(style, nullptr, 0, icu::localeId().constData(), nullptr, &status);
  if (U_FAILURE(status)) return {};
  if (style == UNUM_DECIMAL) {
    unum_setAttribute(format, UNUM_MIN_FRACTION_DIGITS, 0);
    unum_setAttribute(format, UNUM_MAX_FRACTION_DIGITS, 2);
  }
  QString code = currency;  // ICU writes nothing into it, but takes it as non-const
  QString text = icu::filled([&](UChar* buffer, int32_t capacity, UErrorCode* error) {
    if (style == UNUM_DECIMAL) return unum_formatDouble(format, amount, buffer, capacity, nullptr, error);
    return unum_formatDoubleCurrency(format, amount, reinterpret_cast<UChar*>(code.data()), buffer, capacity, nullptr,
                                     error);
  });
  unum_close(format);
  return text;
}

}  // namespace

QString moneyText(double amount, const QString& currencyCode) {
  if (!std::isfinite(amount)) return {};
  if (isKnownCurrency(currencyCode)) return formatted(UNUM_CURRENCY, amount, currencyCode);
  return formatted(UNUM_DECIMAL, amount, {}) + QLatin1Char(' ') + currencyCode;
}

}  // namespace tessorin
