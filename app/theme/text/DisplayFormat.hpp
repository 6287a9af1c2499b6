#pragma once
// DisplayFormat: the wording of sizes, speeds, durations, percentages and production
// dates on every screen, so that a card reads the same on the card page, in the results,
// the history and the community lists. Pure functions of their arguments and the default
// QLocale (set QLocale::setDefault to change the separator); callable from any thread.
//
// A number and its unit are joined by a no-break space (unitSpace), and so are the parts of
// a duration, so that no window width splits "16 GB" or "4m 26s" over two lines. Text for
// machines (JSON, records, settings) never comes from here.
//
// Every double that becomes an integer here goes through a guard: NaN, infinities and
// negative values read as 0, values past the integer range saturate, so a broken figure
// shows a wrong number rather than undefined behaviour.

#include <cstdint>
#include <optional>

#include <QDateTime>
#include <QString>

#include "tessorin/identity/Brand.hpp"

namespace tessorin {

class DisplayFormat {
 public:
  // U+00A0, between a figure and its unit.
  static constexpr QChar unitSpace{u'\u00A0'};

  // What a figure without a value yet shows.
  static QString missing();

  // Decimal units (1 kB = 1000 bytes) as a file manager writes them: "0 bytes", "1 byte",
  // "999 kB", "12.3 MB", "31.9 GB", "64 GB". The unit is the one that keeps the rounded
  // number below 1000; bytes and kB show no fraction, larger units one, with ".0" dropped.
  // Counts above 2^63 - 1 are written as 2^63 - 1.
  static QString byteCountText(std::uint64_t bytes);
  // The same in powers of 1024 (1 KB = 1024 bytes), as memory and cluster sizes are
  // written: "512 bytes", "32 KB", "1 MB", "1.5 GB".
  static QString memoryByteCountText(std::uint64_t bytes);

  // A card's label size: the nearest common card size when within 10 %, else the byte text.
  static QString formatCapacity(std::uint64_t bytes);
  // The marketing size a measured capacity corresponds to; nothing when it falls short
  // of 90 % of the smallest tier that holds it.
  static std::optional<QString> advertisedSizeLabel(std::uint64_t bytes);
  // "41 MB/s". Non-finite and negative speeds read as 0.
  static QString formatSpeed(double bytesPerSecond);
  // formatSpeed, or missing() when the speed is not above 0.
  static QString speedOrMissing(double bytesPerSecond);
  // The full month name and the year, in the locale's order ("July 2019", "2019年7月"); a
  // month the calendar has no name for (a fake card's register may hold 0 or 13 to 15)
  // gives "2019-13" instead of a rolled-over date, and so does a year outside 1 to 9999,
  // which no calendar date of the locale writes.
  static QString formatProductionDate(std::int64_t year, std::int64_t month);
  // A real capacity, cut down (never rounded up) to whole MB below 1 GB, else to whole GB.
  static QString roundedSizeText(std::uint64_t bytes);
  // "1h 11m", "4m 26s", "1m", "59s": whole units, hours and minutes from an hour on,
  // minutes and seconds from a minute on; at least 1 second; "" for a non-finite time.
  static QString durationText(double seconds);
  // A fraction of 1 as a whole percentage in the locale's style ("26%").
  static QString percentText(double fraction);
  // "1235 IOPS" (halves away from zero, no grouping), or missing() when not above 0.
  static QString operationsPerSecondText(double operationsPerSecond);
  // "1235 IOPS" for a count already rounded, 0 included.
  static QString operationCountText(std::uint64_t operations);
  // The day of a date in the locale's abbreviated style, in local time ("Nov 14, 2023"),
  // without the time; "" for an invalid date.
  static QString abbreviatedDateText(const QDateTime& date);
  // The same day with its time in the locale's short style, without seconds ("Nov 14,
  // 2023, 2:05 PM"; "14.11.2023, 14:05"); "" for an invalid date.
  static QString abbreviatedDateTimeText(const QDateTime& date);
  // The brand's name in lists; "Other brand" for the catch-all.
  static QString brandLabel(Brand brand);

  // The guards: [0, 2^64 - 1] and [0, 2^63 - 1], truncating toward zero.
  static std::uint64_t saturatingUnsigned(double value);
  static std::int64_t saturatingSigned(double value);
};

}  // namespace tessorin
