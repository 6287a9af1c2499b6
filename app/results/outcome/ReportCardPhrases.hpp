#pragma once
// ReportCardPhrases: the short lower-case phrases of the report card's measured column
// ("all of it", "no stalls", "the start of the card keeps every byte") and the tone that
// marks each: good, bad or neutral. Pure functions of a finished check, the speed rating
// and the card; they keep nothing. Main thread in practice (translations), any thread
// in principle.

#include <cstdint>
#include <optional>

#include <QCoreApplication>
#include <QString>

#include "session/records/CheckOutcome.hpp"
#include "tessorin/identity/CardDevice.hpp"
#include "tessorin/identity/SpeedRating.hpp"
#include "tessorin/identity/XRayReport.hpp"

namespace tessorin {

class ReportCardPhrases {
  Q_DECLARE_TR_FUNCTIONS(ReportCardPhrases)

 public:
  enum class Tone { good, bad, neutral };

  struct Phrase {
    QString text;
    Tone tone = Tone::neutral;
    friend bool operator==(const Phrase&, const Phrase&) = default;
  };

  static Phrase capacityVerdict(const CheckOutcome& outcome);
  // A wide quick-check range, else the card's size class and its usable size.
  static QString measuredCapacity(std::uint64_t realBytes, const CheckOutcome& outcome);
  static QString nominalCapacityPhrase(const QString& sizeLabel, std::uint64_t realBytes);
  static Phrase dataPhrase(const CheckOutcome& outcome);
  static Phrase healthPhrase(const CheckOutcome& outcome);
  static Phrase readSpeedPhrase(const SpeedRating& rating, bool isUSBDrive);
  // "Class 10" from the card's own speed class register; nothing without one.
  static std::optional<QString> registerSpeedClass(const CardDevice& device);
  static QString classPhrase(std::int64_t classNumber);
  static Tone brandTone(XRayReport::Verdict verdict);
};

}  // namespace tessorin
