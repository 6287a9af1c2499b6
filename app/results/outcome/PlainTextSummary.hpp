#pragma once
// PlainTextSummary: a finished check as a few lines of plain text for sharing: the card,
// the verdict, the claimed and the real capacity, the speeds, the markings the card lives
// up to, the brand on its label, the chip's maker and product, and the date. Built from
// values only (the outcome, the card as it is now, the brand name and whether the card
// is a USB drive), so it needs no session. Figures are written with ordinary spaces, as
// people type them, not with the screen's no-break ones. Pure; main thread in practice
// (translations).

#include <optional>

#include <QCoreApplication>
#include <QString>

#include "session/records/CheckOutcome.hpp"
#include "tessorin/identity/CardDevice.hpp"

namespace tessorin {

class PlainTextSummary {
  Q_DECLARE_TR_FUNCTIONS(PlainTextSummary)

 public:
  // Four to eleven lines joined by single line feeds, none after the last.
  static QString make(const CheckOutcome& outcome, const CardDevice& device, const std::optional<QString>& brandName,
                      bool isUSBDrive);

  // "Really holds: …", or nothing when the check found no real size.
  static std::optional<QString> capacityLine(const CheckOutcome& outcome);
  // "C10 U3 V30": the best met marking of each family; empty when none is met.
  static QString metMarkings(const SpeedRating& rating);
};

}  // namespace tessorin
