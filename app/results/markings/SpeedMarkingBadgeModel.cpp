#include "results/markings/SpeedMarkingBadgeModel.hpp"

#include "results/markings/SpeedMarkingGeometry.hpp"

namespace tessorin {

namespace {

// The neutral gray behind the question mark of a marking not judged, in a dark window; a
// light one takes a deeper gray, so that the disc stands out of a tinted panel and its
// white sign out of the disc.
const QColor systemGray(142, 142, 147);
const QColor deepGray(110, 110, 115);

}  // namespace

SpeedMarkingBadgeModel::SpeedMarkingBadgeModel(QObject* parent) : QObject(parent) {
  connect(&palette_, &Palette::systemColorsChanged, this, &SpeedMarkingBadgeModel::changed);
}

void SpeedMarkingBadgeModel::setMarking(const QString& marking) {
  if (marking == markingName_) return;
  markingName_ = marking;
  marking_ = SpeedClass::fromRawValue(marking.toStdString());
  Q_EMIT changed();
}

void SpeedMarkingBadgeModel::setCheck(const QString& check) {
  if (check == checkName_) return;
  checkName_ = check;
  check_ = checkFromName(check).value_or(SpeedRating::Check::met);
  Q_EMIT changed();
}

void SpeedMarkingBadgeModel::setHeight(qreal height) {
  if (height == height_) return;
  height_ = height;
  Q_EMIT changed();
}

std::optional<SpeedRating::Check> SpeedMarkingBadgeModel::checkFromName(const QString& name) {
  for (const auto check : {SpeedRating::Check::met, SpeedRating::Check::missed, SpeedRating::Check::unknown}) {
    if (name == nameOf(check)) return check;
  }
  return std::nullopt;
}

QString SpeedMarkingBadgeModel::nameOf(SpeedRating::Check check) {
  switch (check) {
    case SpeedRating::Check::met: return QStringLiteral("met");
    case SpeedRating::Check::missed: return QStringLiteral("missed");
    case SpeedRating::Check::unknown: return QStringLiteral("unknown");
  }
  return {};
}

QString SpeedMarkingBadgeModel::label() const {
  if (!marking_) return {};
  const std::string_view label = marking_->label();
  return QString::fromLatin1(label.data(), static_cast<qsizetype>(label.size()));
}

QString SpeedMarkingBadgeModel::helpText() const {
  switch (check_) {
    case SpeedRating::Check::met: return tr("Reached");
    case SpeedRating::Check::missed: return tr("Not reached");
    case SpeedRating::Check::unknown: return tr("Can’t be checked with this reader");
  }
  return {};
}

QColor SpeedMarkingBadgeModel::glyphColor() const {
  switch (check_) {
    case SpeedRating::Check::met: return palette_.primary();
    case SpeedRating::Check::missed: return palette_.redText();  // the red that reads on the window's panels
    case SpeedRating::Check::unknown: return palette_.secondary();
  }
  return {};
}

qreal SpeedMarkingBadgeModel::glyphOpacity() const { return check_ == SpeedRating::Check::unknown ? 0.7 : 1.0; }

QString SpeedMarkingBadgeModel::markSymbol() const {
  switch (check_) {
    case SpeedRating::Check::met: return {};
    case SpeedRating::Check::missed: return QStringLiteral("xmark.circle.fill");
    case SpeedRating::Check::unknown: return QStringLiteral("questionmark.circle.fill");
  }
  return {};
}

QColor SpeedMarkingBadgeModel::markColor() const {
  // On a light window the deep shades made to carry white (the red of destructive
  // buttons, a deeper gray); on a dark one those would sink into the panel.
  const bool darkWindow = palette_.windowBackground().lightnessF() < 0.5;
  if (check_ == SpeedRating::Check::missed) return darkWindow ? Palette::red() : Palette::fillShade(Palette::red());
  return darkWindow ? systemGray : deepGray;
}

qreal SpeedMarkingBadgeModel::drawnHeight() const { return SpeedMarkingGeometry::readableHeight(height_); }
qreal SpeedMarkingBadgeModel::markSize() const { return SpeedMarkingGeometry(drawnHeight()).markSize(); }
qreal SpeedMarkingBadgeModel::markShift() const { return SpeedMarkingGeometry(drawnHeight()).markShift(); }
qreal SpeedMarkingBadgeModel::markRise() const { return SpeedMarkingGeometry(drawnHeight()).markRise(); }

}  // namespace tessorin
