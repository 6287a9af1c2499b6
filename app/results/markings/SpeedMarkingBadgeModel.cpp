#include "results/markings/SpeedMarkingBadgeModel.hpp"

#include "results/markings/SpeedMarkingGeometry.hpp"

namespace tessorin {

namespace {

// The system's neutral gray, behind the question mark of a marking not judged.
const QColor systemGray(142, 142, 147);

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
    case SpeedRating::Check::missed: return Palette::red();
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

QColor SpeedMarkingBadgeModel::markColor() const { return check_ == SpeedRating::Check::missed ? Palette::red() : systemGray; }

qreal SpeedMarkingBadgeModel::markSize() const { return SpeedMarkingGeometry(height_).markSize(); }
qreal SpeedMarkingBadgeModel::markShift() const { return SpeedMarkingGeometry(height_).markShift(); }
qreal SpeedMarkingBadgeModel::markRise() const { return SpeedMarkingGeometry(height_).markRise(); }

}  // namespace tessorin
