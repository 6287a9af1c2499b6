#pragma once
// SpeedMarkingBadgeModel: how one speed-marking badge shows its judgement: the glyph's
// colour and opacity, the mark at its top-trailing corner (an x on red for a missed
// marking, a question mark on gray for one this reader cannot judge, none when met), the
// help text and what a screen reader says. The badge is drawn at the height asked for, or
// at the smallest one whose numbers can be read; the mark's sizes follow it.
// Main thread.

#include <optional>

#include <QColor>
#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "theme/Palette.hpp"

#include "tessorin/identity/SpeedClass.hpp"
#include "tessorin/identity/SpeedRating.hpp"

namespace tessorin {

class SpeedMarkingBadgeModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  // The marking's stored name ("class10", "u3", "v30") and its judgement ("met",
  // "missed", "unknown").
  Q_PROPERTY(QString marking READ marking WRITE setMarking NOTIFY changed)
  Q_PROPERTY(QString check READ check WRITE setCheck NOTIFY changed)
  Q_PROPERTY(qreal height READ height WRITE setHeight NOTIFY changed)
  Q_PROPERTY(qreal drawnHeight READ drawnHeight NOTIFY changed)
  Q_PROPERTY(QString label READ label NOTIFY changed)
  Q_PROPERTY(QString helpText READ helpText NOTIFY changed)
  Q_PROPERTY(QColor glyphColor READ glyphColor NOTIFY changed)
  Q_PROPERTY(qreal glyphOpacity READ glyphOpacity NOTIFY changed)
  Q_PROPERTY(QString markSymbol READ markSymbol NOTIFY changed)
  // A mark to draw: a judgement that has one, on a badge that has a size.
  Q_PROPERTY(bool showsMark READ showsMark NOTIFY changed)
  Q_PROPERTY(QColor markColor READ markColor NOTIFY changed)
  Q_PROPERTY(qreal markSize READ markSize NOTIFY changed)
  Q_PROPERTY(qreal markShift READ markShift NOTIFY changed)
  Q_PROPERTY(qreal markRise READ markRise NOTIFY changed)

 public:
  explicit SpeedMarkingBadgeModel(QObject* parent = nullptr);

  QString marking() const { return markingName_; }
  void setMarking(const QString& marking);
  QString check() const { return checkName_; }
  void setCheck(const QString& check);
  qreal height() const { return height_; }
  void setHeight(qreal height);

  qreal drawnHeight() const;
  QString label() const;
  QString helpText() const;
  QColor glyphColor() const;
  qreal glyphOpacity() const;
  QString markSymbol() const;
  bool showsMark() const { return !markSymbol().isEmpty() && markSize() > 0; }
  QColor markColor() const;
  qreal markSize() const;
  qreal markShift() const;
  qreal markRise() const;

  static std::optional<SpeedRating::Check> checkFromName(const QString& name);
  static QString nameOf(SpeedRating::Check check);

 Q_SIGNALS:
  void changed();

 private:
  Palette palette_;  // the system's text shades
  QString markingName_;
  QString checkName_;
  std::optional<SpeedClass> marking_;
  SpeedRating::Check check_ = SpeedRating::Check::met;
  qreal height_ = 0;
};

}  // namespace tessorin
