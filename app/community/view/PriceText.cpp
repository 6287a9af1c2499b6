#include "community/view/PriceText.hpp"

#include <charconv>
#include <cmath>
#include <system_error>

#include <QLocale>
#include <QRegularExpression>
#include <unicode/ucurr.h>

#include "theme/text/IcuText.hpp"

namespace tessorin {

std::optional<double> readPrice(const QString& text) {
  static const QRegularExpression number(QStringLiteral("^[+-]?(?:[0-9]+\\.?[0-9]*|\\.[0-9]+)(?:[eE][+-]?[0-9]+)?$"));
  QString decimal = text;
  decimal.replace(QLatin1Char(','), QLatin1Char('.'));
  if (!number.match(decimal).hasMatch()) return std::nullopt;
  // from_chars reads in the C locale whatever the process's locale is, and takes no
  // leading "+".
  QByteArray latin = decimal.toLatin1();
  if (latin.startsWith('+')) latin.remove(0, 1);
  double value = 0;
  const auto [end, error] = std::from_chars(latin.constData(), latin.constData() + latin.size(), value);
  if (error != std::errc() || end != latin.constData() + latin.size()) return std::nullopt;
  if (!std::isfinite(value) || value < 0) return std::nullopt;
  return value == 0 ? 0.0 : value;  // no "-0" in the history
}

namespace {

// The decimals the currency is written with; none for a code ICU does not know.
int currencyDecimals(const QString& code) {
  if (code.size() != 3) return 0;
  UErrorCode status = U_ZERO_ERROR;
  const QString upper = code.toUpper();
  if (!ucurr_isAvailable(icu::uchars(upper), U_DATE_MIN, U_DATE_MAX, &status) || U_FAILURE(status)) return 0;
  const int32_t digits = ucurr_getDefaultFractionDigits(icu::uchars(upper), &status);
  return U_SUCCESS(status) ? digits : 0;
}

}  // namespace

QString writtenPrice(double price, const QString& currencyCode) {
  char buffer[400];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, price, std::chars_format::fixed);
  if (error != std::errc()) return {};
  QString text = QString::fromLatin1(buffer, static_cast<qsizetype>(end - buffer));
  const int decimals = currencyDecimals(currencyCode);
  if (decimals > 0) {
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    const qsizetype written = point < 0 ? 0 : text.size() - point - 1;
    if (point < 0) text.append(QLatin1Char('.'));
    if (written < decimals) text.append(QString(decimals - written, QLatin1Char('0')));
  }
  if (QLocale().decimalPoint() == QLatin1String(",")) text.replace(QLatin1Char('.'), QLatin1Char(','));
  return text;
}

}  // namespace tessorin
