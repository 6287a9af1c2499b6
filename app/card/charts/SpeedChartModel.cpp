#include "card/charts/SpeedChartModel.hpp"

#include <algorithm>
#include <cmath>

#include <QAreaSeries>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QLineSeries>
#include <QValueAxis>
#include <QXYSeries>

#include "card/charts/MonotoneInterpolation.hpp"
#include "card/progress/ProgressWording.hpp"
#include "theme/Palette.hpp"
#include "theme/Typography.hpp"

namespace tessorin {

namespace {

constexpr double terabyte = 1e12;
constexpr double gigabyte = 1e9;
constexpr double megabyte = 1e6;
// How far past the space's end the axis may run to end on a round tick: 2.5 % of its
// length is less than the line's own width on any chart this wide.
constexpr double roundingAllowance = 0.025;
// The share of the plot's height Qt Charts lets a horizontal axis take.
constexpr qreal axisShare = 0.4;
// Qt Charts draws each label and the title with a margin around the text and pads them
// apart from the plot and from each other.
constexpr qreal axisTextAllowance = 24;

void replacePoints(QXYSeries* series, const QList<QPointF>& points, int& replacements) {
  if (!series) return;
  series->replace(points);
  ++replacements;
}

}  // namespace

SpeedChartModel::SpeedChartModel(QObject* parent) : QObject(parent) {}

qreal SpeedChartModel::minimumHeight() {
  const qreal labels = QFontMetricsF(Typography::styled(Typography::Caption2)).height();
  const qreal title = QFontMetricsF(Typography::styled(Typography::Caption)).height();
  return std::ceil((labels + title + axisTextAllowance) / axisShare);
}

bool SpeedChartModel::positionAxisWhole(qreal height, qreal plotBottom) {
  // A squeezed axis gets exactly the whole pixels of its share.
  return height - plotBottom < std::floor(axisShare * height);
}

std::vector<QPointF> SpeedChartModel::chartPoints(const std::vector<SpeedSample>& samples, double unitBytes) {
  std::vector<QPointF> points;
  points.reserve(samples.size());
  for (const SpeedSample& sample : samples) {
    const double speed = std::isfinite(sample.bytesPerSecond) ? sample.bytesPerSecond : 0;
    points.emplace_back(static_cast<double>(sample.position) / unitBytes, speed / megabyte);
  }
  return points;
}

SpeedChartModel::PositionAxis SpeedChartModel::positionAxis(std::uint64_t extent, std::uint64_t furthestPosition) {
  const double span = static_cast<double>(std::max(extent, furthestPosition));
  if (!(span > 0)) return {};
  PositionAxis axis;
  axis.unitBytes = span >= terabyte ? terabyte : span >= gigabyte ? gigabyte : megabyte;
  const double length = span / axis.unitBytes;
  // Between three and six intervals: enough to read a position, few enough to read.
  axis.tickInterval = niceStep(length / 6);
  // A length a hair above a tick (from the division) is on that tick.
  const double roundedUp = std::ceil(length / axis.tickInterval - 1e-9) * axis.tickInterval;
  axis.maximum = roundedUp - length <= length * roundingAllowance ? std::max(roundedUp, length) : length;
  return axis;
}

QString SpeedChartModel::positionTitle() const { return ProgressWording::chartPositionAxis(unitBytes_); }

std::optional<SpeedChartModel::PositionAxis> SpeedChartModel::spannedAxis() const {
  if (input_.extent == 0) return std::nullopt;
  std::uint64_t furthest = 0;
  for (const auto* series : {&input_.write, &input_.read}) {
    for (const SpeedSample& sample : *series) furthest = std::max(furthest, sample.position);
  }
  return positionAxis(input_.extent, furthest);
}

SpeedChartModel::Range SpeedChartModel::positionRange(const std::vector<QPointF>& write,
                                                      const std::vector<QPointF>& read) {
  bool any = false;
  Range range{0, 0};
  for (const auto* series : {&write, &read}) {
    for (const QPointF& point : *series) {
      range.minimum = any ? std::min(range.minimum, point.x()) : point.x();
      range.maximum = any ? std::max(range.maximum, point.x()) : point.x();
      any = true;
    }
  }
  if (!any) return {0, 1};
  // One sample, or all at one place, would give the axis no length.
  if (range.maximum <= range.minimum) {
    const double pad = std::max(0.5, std::abs(range.minimum) * 0.05);
    return {std::max(0.0, range.minimum - pad), range.maximum + pad};
  }
  return range;
}

SpeedChartModel::Range SpeedChartModel::speedRange(const std::vector<QPointF>& write, const std::vector<QPointF>& read) {
  double top = 0;
  for (const auto* series : {&write, &read}) {
    for (const QPointF& point : *series) top = std::max(top, point.y());
  }
  // Equal speeds of 0 would give the axis no length.
  return {0, top > 0 ? top : 1};
}

double SpeedChartModel::niceStep(double value) {
  if (!(value > 0) || !std::isfinite(value)) return 1;
  const double power = std::pow(10.0, std::floor(std::log10(value)));
  for (const double factor : {1.0, 2.0, 2.5, 5.0, 10.0}) {
    if (factor * power >= value * (1 - 1e-12)) return factor * power;
  }
  return 10 * power;
}

void SpeedChartModel::setInput(const SpeedChartInput& input) {
  const bool writeChanged = input.write != input_.write;
  const bool readChanged = input.read != input_.read;
  if (!writeChanged && !readChanged && input.extent == input_.extent) return;
  input_ = input;
  const std::optional<PositionAxis> spanned = spannedAxis();
  const double unitBytes = spanned ? spanned->unitBytes : gigabyte;
  const bool unitChanged = unitBytes != unitBytes_;
  unitBytes_ = unitBytes;
  if (writeChanged || unitChanged) {
    writePoints_ = chartPoints(input_.write, unitBytes_);
    updateWrite();
  }
  if (readChanged || unitChanged) {
    readPoints_ = chartPoints(input_.read, unitBytes_);
    updateRead();
  }
  updateAxes();
  Q_EMIT inputChanged();
}

QObject* SpeedChartModel::writeArea() const { return writeArea_; }
QObject* SpeedChartModel::writeLine() const { return writeLine_; }
QObject* SpeedChartModel::readLine() const { return readLine_; }
QObject* SpeedChartModel::axisX() const { return axisX_; }
QObject* SpeedChartModel::axisY() const { return axisY_; }

void SpeedChartModel::setWriteArea(QObject* series) {
  writeArea_ = qobject_cast<QAreaSeries*>(series);
  paintArea();
  updateWrite();
  Q_EMIT seriesChanged();
}

void SpeedChartModel::setWriteLine(QObject* series) {
  writeLine_ = qobject_cast<QXYSeries*>(series);
  updateWrite();
  Q_EMIT seriesChanged();
}

void SpeedChartModel::setReadLine(QObject* series) {
  readLine_ = qobject_cast<QXYSeries*>(series);
  updateRead();
  Q_EMIT seriesChanged();
}

void SpeedChartModel::setAxisX(QObject* axis) {
  axisX_ = qobject_cast<QValueAxis*>(axis);
  updateAxes();
  Q_EMIT seriesChanged();
}

void SpeedChartModel::setAxisY(QObject* axis) {
  axisY_ = qobject_cast<QValueAxis*>(axis);
  updateAxes();
  Q_EMIT seriesChanged();
}

void SpeedChartModel::setCompact(bool compact) {
  if (compact_ == compact) return;
  compact_ = compact;
  updateAxes();
  Q_EMIT seriesChanged();
}

void SpeedChartModel::updateWrite() {
  const QList<QPointF> points =
      monotone_interpolation::densify(writePoints_, monotone_interpolation::pointsPerSegment(writePoints_.size()));
  if (writeArea_) replacePoints(writeArea_->upperSeries(), points, replacements_);
  replacePoints(writeLine_, points, replacements_);
}

void SpeedChartModel::updateRead() {
  replacePoints(readLine_,
                monotone_interpolation::densify(readPoints_, monotone_interpolation::pointsPerSegment(readPoints_.size())),
                replacements_);
}

void SpeedChartModel::updateAxes() {
  if (axisX_) {
    if (const std::optional<PositionAxis> spanned = spannedAxis()) {
      axisX_->setTickType(QValueAxis::TicksDynamic);
      axisX_->setTickAnchor(0);
      axisX_->setTickInterval(spanned->tickInterval);
      axisX_->setRange(0, spanned->maximum);
    } else {
      axisX_->setTickType(QValueAxis::TicksFixed);
      const Range x = positionRange(writePoints_, readPoints_);
      axisX_->setRange(x.minimum, x.maximum);
      axisX_->applyNiceNumbers();
    }
  }
  if (axisY_) {
    const Range y = speedRange(writePoints_, readPoints_);
    if (compact_) {
      const double step = niceStep(y.maximum / 2);
      axisY_->setRange(0, 2 * step);
      axisY_->setTickCount(3);
    } else {
      axisY_->setRange(y.minimum, y.maximum);
      axisY_->applyNiceNumbers();
    }
  }
}

void SpeedChartModel::paintArea() {
  if (!writeArea_) return;
  QLinearGradient gradient(0, 0, 0, 1);
  gradient.setCoordinateMode(QGradient::ObjectBoundingMode);
  QColor top = Palette::indigo();
  top.setAlphaF(0.35);
  QColor bottom = Palette::indigo();
  bottom.setAlphaF(0.02);
  gradient.setColorAt(0, top);
  gradient.setColorAt(1, bottom);
  writeArea_->setBrush(QBrush(gradient));
  writeArea_->setPen(Qt::NoPen);
}

}  // namespace tessorin
