#include "community/view/PriceText.hpp"

#include <charconv>
#include <cmath>
#include <system_error>

#include <QLocale>
#include <QRegularExpression>

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

QString writtenPrice(double price) {
  char buffer[400];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, price, std::chars_format::fixed);
  if (error != std::errc()) return {};
  QString text = QString::fromLatin1(buffer, static_cast<qsizetype>(end - buffer));
  if (QLocale().decimalPoint() == QLatin1String(",")) text.replace(QLatin1Char('.'), QLatin1Char(','));
  return text;
}

}  // namespace tessorin
