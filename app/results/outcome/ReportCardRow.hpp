#pragma once
// ReportCardRow: one row of the report card, already worded: its label, what the card
// claims, what the check measured, and the tone mark beside the measured value. The
// write-speed row of a rated card also carries its speed-marking badges, in the rating's
// order. Plain values that QML reads as gadgets.

#include <QColor>
#include <QMetaType>
#include <QString>
#include <QtQml/qqmlregistration.h>
#include <QVariantList>

namespace tessorin {

// One speed marking beside the measured write speed: its stored name ("v30") and its
// judgement ("met", "unknown").
struct ReportCardBadge {
  Q_GADGET
  QML_VALUE_TYPE(reportCardBadge)
  Q_PROPERTY(QString marking MEMBER marking CONSTANT)
  Q_PROPERTY(QString label MEMBER label CONSTANT)
  Q_PROPERTY(QString check MEMBER check CONSTANT)

 public:
  QString marking;
  QString label;
  QString check;

  friend bool operator==(const ReportCardBadge&, const ReportCardBadge&) = default;
};

struct ReportCardRow {
  Q_GADGET
  QML_VALUE_TYPE(reportCardRow)
  Q_PROPERTY(QString label MEMBER label CONSTANT)
  Q_PROPERTY(QString claimed MEMBER claimed CONSTANT)
  Q_PROPERTY(QString measured MEMBER measured CONSTANT)
  Q_PROPERTY(QString measuredWhere MEMBER measuredWhere CONSTANT)
  Q_PROPERTY(QString toneSymbol MEMBER toneSymbol CONSTANT)
  Q_PROPERTY(QColor toneColor MEMBER toneColor CONSTANT)
  Q_PROPERTY(bool toneSecondary MEMBER toneSecondary CONSTANT)
  Q_PROPERTY(bool speedMarks MEMBER speedMarks CONSTANT)
  Q_PROPERTY(QVariantList badges MEMBER badges CONSTANT)

 public:
  QString label;
  QString claimed;
  QString measured;
  // Where a speed was measured, when the page also shows a speed measured elsewhere.
  QString measuredWhere;
  QString toneSymbol;
  QColor toneColor;        // invalid for the neutral tone, which takes the system's secondary colour
  bool toneSecondary = false;
  bool speedMarks = false;  // the rated write speed: its measured cell carries the badges
  QVariantList badges;  // of ReportCardBadge

  friend bool operator==(const ReportCardRow&, const ReportCardRow&) = default;
};

}  // namespace tessorin

Q_DECLARE_METATYPE(tessorin::ReportCardBadge)
Q_DECLARE_METATYPE(tessorin::ReportCardRow)
