#include "theme/text/DisplayFormat.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include <QCoreApplication>
#include <QDate>
#include <QLocale>
#include <unicode/udat.h>
#include <unicode/udatpg.h>

#include "theme/text/IcuText.hpp"

namespace tessorin {

namespace {

constexpr std::uint64_t largestSignedCount = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());

QString translated(const char* text, const char* comment = nullptr) {
  return QCoreApplication::translate("DisplayFormat", text, comment);
}

// A figure and its unit as one word: "16 GB" must not end one line and start the next.
QString withUnit(const QString& number, QLatin1String unit) { return number + DisplayFormat::unitSpace + unit; }

// A whole number of tenths as "12.3", or "64" when the tenth is 0.
QString tenthsText(std::uint64_t tenths) {
  const QLocale locale;
  if (tenths % 10 == 0) return locale.toString(static_cast<qulonglong>(tenths / 10));
  return locale.toString(static_cast<double>(tenths) / 10.0, 'f', 1);
}

// Integer division rounding half up: exact for every count, unlike a division in doubles.
std::uint64_t roundedQuotient(std::uint64_t value, std::uint64_t divisor) {
  return value / divisor + ((value % divisor) * 2 >= divisor ? 1 : 0);
}

// A byte count in units of base (1000 or 1024): below one unit in bytes, in the smallest
// unit without a fraction, in the larger ones with one decimal. The unit is the one that
// keeps the rounded number below 1000. Counts above 2^63 - 1 are written as 2^63 - 1.
QString unitsText(std::uint64_t bytes, std::uint64_t base, const char* smallestUnit) {
  const std::uint64_t count = std::min(bytes, largestSignedCount);
  if (count == 1) return translated("1\u00A0byte");
  if (count < base) return translated("%1\u00A0bytes").arg(QString::number(count));
  const std::uint64_t smallest = roundedQuotient(count, base);
  if (smallest < 1000) {
    return withUnit(QLocale().toString(static_cast<qulonglong>(smallest)), QLatin1String(smallestUnit));
  }

  static constexpr std::array<const char*, 5> largerUnits = {"MB", "GB", "TB", "PB", "EB"};
  std::uint64_t unitBytes = base * base;
  for (std::size_t unit = 0; unit < largerUnits.size(); ++unit, unitBytes *= base) {
    // In two steps, so that ten times the count cannot overflow.
    const std::uint64_t tenths = count / unitBytes * 10 + roundedQuotient(count % unitBytes * 10, unitBytes);
    if (tenths < 10'000 || unit + 1 == largerUnits.size()) {
      return withUnit(tenthsText(tenths), QLatin1String(largerUnits[unit]));
    }
  }
  return {};  // not reached: the last unit always answers
}

// A moment in the locale's own order and words, in local time, the day in the medium
// (abbreviated) style and the time in timeStyle. Qt's own date formats are numeric only;
// the abbreviated month comes from ICU.
QString icuDateText(const QDateTime& date, UDateFormatStyle timeStyle) {
  if (!date.isValid()) return {};
  UErrorCode status = U_ZERO_ERROR;
  UDateFormat* format = udat_open(timeStyle, UDAT_MEDIUM, icu::localeId().constData(), nullptr, -1, nullptr, -1, &status);
  if (U_FAILURE(status)) {
    const QDateTime local = date.toLocalTime();
    return timeStyle == UDAT_NONE ? QLocale().toString(local.date(), QLocale::ShortFormat)
                                  : QLocale().toString(local, QLocale::ShortFormat);
  }
  const auto when = static_cast<UDate>(date.toMSecsSinceEpoch());
  QString text = icu::filled([&](UChar* buffer, int32_t capacity, UErrorCode* error) {
    return udat_format(format, when, buffer, capacity, nullptr, error);
  });
  udat_close(format);
  return text;
}

// The month's full name and the year, in the order and the form (a month named on its
// own, not as part of a date) the locale writes them: ICU's pattern for that, since a
// fixed Qt pattern keeps the English order. "" when ICU cannot.
QString monthAndYearText(const QDate& day) {
  const QByteArray locale = icu::localeId();
  UErrorCode status = U_ZERO_ERROR;
  UDateTimePatternGenerator* generator = udatpg_open(locale.constData(), &status);
  if (U_FAILURE(status)) return {};
  const QString skeleton = QStringLiteral("yMMMM");
  const QString pattern = icu::filled([&](UChar* buffer, int32_t capacity, UErrorCode* error) {
    return udatpg_getBestPattern(generator, icu::uchars(skeleton), static_cast<int32_t>(skeleton.size()), buffer,
                                 capacity, error);
  });
  udatpg_close(generator);
  if (pattern.isEmpty()) return {};
  // Noon in UTC, formatted in UTC, is that day in every time zone.
  const QString utc = QStringLiteral("UTC");
  UDateFormat* format = udat_open(UDAT_PATTERN, UDAT_PATTERN, locale.constData(), icu::uchars(utc),
                                  static_cast<int32_t>(utc.size()), icu::uchars(pattern),
                                  static_cast<int32_t>(pattern.size()), &status);
  if (U_FAILURE(status)) return {};
  const auto when = static_cast<UDate>(QDateTime(day, QTime(12, 0), Qt::UTC).toMSecsSinceEpoch());
  QString text = icu::filled([&](UChar* buffer, int32_t capacity, UErrorCode* error) {
    return udat_format(format, when, buffer, capacity, nullptr, error);
  });
  udat_close(format);
  return text;
}

}  // namespace

QString DisplayFormat::missing() { return QStringLiteral("\u2014"); }

std::uint64_t DisplayFormat::saturatingUnsigned(double value) {
  if (!(value > 0)) return 0;
  if (value >= 18446744073709551616.0) return std::numeric_limits<std::uint64_t>::max();
  return static_cast<std::uint64_t>(value);
}

std::int64_t DisplayFormat::saturatingSigned(double value) {
  if (!(value > 0)) return 0;
  if (value >= 9223372036854775808.0) return std::numeric_limits<std::int64_t>::max();
  return static_cast<std::int64_t>(value);
}

QString DisplayFormat::byteCountText(std::uint64_t bytes) { return unitsText(bytes, 1000, "kB"); }

QString DisplayFormat::memoryByteCountText(std::uint64_t bytes) { return unitsText(bytes, 1024, "KB"); }

QString DisplayFormat::formatCapacity(std::uint64_t bytes) {
  static constexpr std::array<double, 17> commonSizes = {1,   2,   4,    8,    16,   32,   64,   128,  256,
                                                          400, 512, 1000, 1500, 2000, 4000, 8000, 16000};
  const double gigabytes = static_cast<double>(bytes) / 1e9;
  double nominal = commonSizes.front();
  double nearest = std::abs(std::log(nominal / gigabytes));
  for (const double size : commonSizes) {
    const double distance = std::abs(std::log(size / gigabytes));
    if (distance < nearest) {
      nominal = size;
      nearest = distance;
    }
  }
  if (std::abs(nominal - gigabytes) / nominal < 0.1) {
    if (nominal < 1000) return withUnit(QString::number(static_cast<int>(nominal)), QLatin1String("GB"));
    return withUnit(tenthsText(static_cast<std::uint64_t>(nominal) / 100), QLatin1String("TB"));
  }
  return byteCountText(bytes);
}

std::optional<QString> DisplayFormat::advertisedSizeLabel(std::uint64_t bytes) {
  static constexpr std::array<std::uint64_t, 13> tiersGiB = {1, 2, 4, 8, 16, 32, 64, 128, 256, 512, 1024, 2048, 4096};
  std::uint64_t tier = tiersGiB.back();
  for (const std::uint64_t candidate : tiersGiB) {
    if (candidate << 30 >= bytes) {
      tier = candidate;
      break;
    }
  }
  const std::uint64_t nominal = tier < 1024 ? tier * 1'000'000'000 : tier / 1024 * 1'000'000'000'000;
  if (static_cast<double>(bytes) >= 0.9 * static_cast<double>(nominal)) return byteCountText(nominal);
  return std::nullopt;
}

QString DisplayFormat::formatSpeed(double bytesPerSecond) {
  const auto count = static_cast<std::uint64_t>(saturatingSigned(bytesPerSecond));
  return translated("%1/s", "Transfer speed, such as 41 MB/s").arg(byteCountText(count));
}

QString DisplayFormat::speedOrMissing(double bytesPerSecond) {
  return bytesPerSecond > 0 ? formatSpeed(bytesPerSecond) : missing();
}

QString DisplayFormat::formatProductionDate(std::int64_t year, std::int64_t month) {
  // Checked before QDate sees them: its int arguments would wrap a register's year.
  if (month < 1 || month > 12 || year < 1 || year > 9999) {
    return QStringLiteral("%1-%2").arg(QString::number(year), QString::number(month));
  }
  const QDate firstDay(static_cast<int>(year), static_cast<int>(month), 1);
  const QString text = monthAndYearText(firstDay);
  return text.isEmpty() ? QLocale().toString(firstDay, QStringLiteral("MMMM yyyy")) : text;
}

QString DisplayFormat::roundedSizeText(std::uint64_t bytes) {
  const std::uint64_t step = bytes < 1'000'000'000 ? 1'000'000 : 1'000'000'000;
  return byteCountText(bytes / step * step);
}

QString DisplayFormat::durationText(double seconds) {
  if (!std::isfinite(seconds)) return {};
  const std::uint64_t total = saturatingUnsigned(std::round(std::max(seconds, 1.0)));
  const QString hours = QString::number(total / 3600);
  const QString minutes = QString::number(total % 3600 / 60);
  const QString secondsText = QString::number(total % 60);
  if (total >= 3600) {
    if (total % 3600 / 60 == 0) return translated("%1h").arg(hours);
    return translated("%1h\u00A0%2m").arg(hours, minutes);
  }
  if (total >= 60) {
    if (total % 60 == 0) return translated("%1m").arg(minutes);
    return translated("%1m\u00A0%2s").arg(minutes, secondsText);
  }
  return translated("%1s").arg(secondsText);
}

QString DisplayFormat::percentText(double fraction) {
  const QLocale locale;
  const std::uint64_t percent = saturatingUnsigned(std::round(fraction * 100));
  return locale.toString(static_cast<qulonglong>(percent)) + locale.percent();
}

QString DisplayFormat::operationsPerSecondText(double operationsPerSecond) {
  if (!(operationsPerSecond > 0)) return missing();
  return operationCountText(saturatingUnsigned(std::round(operationsPerSecond)));
}

QString DisplayFormat::operationCountText(std::uint64_t operations) {
  return withUnit(QString::number(operations), QLatin1String("IOPS"));
}

QString DisplayFormat::abbreviatedDateText(const QDateTime& date) { return icuDateText(date, UDAT_NONE); }

QString DisplayFormat::abbreviatedDateTimeText(const QDateTime& date) { return icuDateText(date, UDAT_SHORT); }

QString DisplayFormat::brandLabel(Brand brand) { return QString::fromStdString(brand.label()); }

}  // namespace tessorin
