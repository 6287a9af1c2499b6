#include "card/artwork/CardSilhouette.hpp"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "card/artwork/CardShapes.hpp"
#include "theme/Palette.hpp"

namespace tessorin {

namespace {

QColor grey(double level) { return QColor::fromRgbF(level, level, level); }

QColor whiteAt(double opacity) { return QColor::fromRgbF(1, 1, 1, opacity); }

QColor withOpacity(QColor color, double opacity) {
  color.setAlphaF(static_cast<float>(opacity));
  return color;
}

// The gloss brightens the plate's top edge only, down to this share of its height: white
// text on a brightened plate would fall below 4.5:1, so the text stays beneath it.
constexpr double glossDepth = 0.15;

QPainterPath outlineOf(QSizeF size, bool drive) {
  const QRectF frame(QPointF(0, 0), size);
  return drive ? CardShapes::flashDriveBody(frame) : CardShapes::sdCard(frame);
}

}  // namespace

CardSilhouette::CardSilhouette(QQuickItem* parent) : QQuickPaintedItem(parent) {
  setAntialiasing(true);
  connect(this, &QQuickItem::widthChanged, this, &CardSilhouette::plateRectChanged);
  connect(this, &QQuickItem::heightChanged, this, &CardSilhouette::plateRectChanged);
}

void CardSilhouette::setDrive(bool drive) {
  if (drive_ == drive) return;
  drive_ = drive;
  Q_EMIT driveChanged();
  Q_EMIT plateRectChanged();
  update();
}

void CardSilhouette::setScanning(bool scanning) {
  if (scanning_ == scanning) return;
  scanning_ = scanning;
  Q_EMIT scanningChanged();
  update();
}

void CardSilhouette::setSweepPhase(qreal phase) {
  if (qFuzzyCompare(sweepPhase_, phase)) return;
  sweepPhase_ = phase;
  Q_EMIT sweepPhaseChanged();
  if (scanning_) update();
}

QRectF CardSilhouette::plateRect(QSizeF size, bool drive) {
  const double width = size.width();
  const double height = size.height();
  if (drive) {
    const double plug = CardShapes::plugFraction * height;
    const double body = height - plug;
    return {0.1 * width, plug + 0.18 * body, 0.8 * width, 0.62 * body};
  }
  return {0.08 * width, 0.3 * height, 0.84 * width, 0.62 * height};
}

QRectF CardSilhouette::textRect(QSizeF size, bool drive) {
  const QRectF plate = plateRect(size, drive);
  return plate.adjusted(6, glossDepth * plate.height(), -6, 0);
}

void CardSilhouette::paint(QPainter* painter) {
  const QSizeF size(width(), height());
  if (size.isEmpty()) return;
  painter->setRenderHint(QPainter::Antialiasing);
  painter->setPen(Qt::NoPen);

  if (drive_) paintPlug(painter, size);
  const QPainterPath outline = outlineOf(size, drive_);
  QLinearGradient body(0, 0, 0, size.height());
  body.setColorAt(0, grey(0.2));
  body.setColorAt(1, grey(0.11));
  painter->fillPath(outline, body);
  if (!drive_) paintRidges(painter, size);
  paintPlate(painter, size);

  if (scanning_) {
    painter->save();
    painter->setClipPath(outline);
    paintSweep(painter, size);
    painter->restore();
  }

  painter->setBrush(Qt::NoBrush);
  painter->setPen(QPen(whiteAt(0.18), 1));
  painter->drawPath(outline);
}

void CardSilhouette::paintPlug(QPainter* painter, QSizeF size) const {
  const double width = size.width();
  const double plug = CardShapes::plugFraction * size.height();
  // Its lowest 6 pixels lie under the body, so no seam shows.
  const QRectF metal(0.22 * width, 0, 0.56 * width, plug + 6);
  QLinearGradient shine(metal.topLeft(), metal.topRight());
  shine.setColorAt(0, grey(0.85));
  shine.setColorAt(1, grey(0.6));
  painter->setBrush(shine);
  painter->drawRoundedRect(metal, 3, 3);

  const double holeWidth = 0.1 * width;
  const double holeTop = 0.25 * plug;
  const double rowLeft = (width - 3 * holeWidth) / 2;
  painter->setBrush(grey(0.35));
  painter->drawRect(QRectF(rowLeft, holeTop, holeWidth, 0.28 * plug));
  painter->drawRect(QRectF(rowLeft + 2 * holeWidth, holeTop, holeWidth, 0.28 * plug));
}

void CardSilhouette::paintRidges(QPainter* painter, QSizeF size) const {
  const double width = size.width();
  const double height = size.height();
  painter->setBrush(whiteAt(0.09));
  for (int ridge = 0; ridge < 5; ++ridge) {
    const QRectF capsule(0.12 * width, 0.07 * height + ridge * (2 + 0.025 * height), 0.42 * width, 2);
    painter->drawRoundedRect(capsule, 1, 1);
  }
}

void CardSilhouette::paintPlate(QPainter* painter, QSizeF size) const {
  const QRectF plate = plateRect(size, drive_);
  const double radius = (drive_ ? 0.08 : 0.05) * size.width();
  QPainterPath shape;
  shape.addRoundedRect(plate, radius, radius);

  // The accent pair as the prominent buttons have it: white text holds 4.5:1 on either end.
  const QVariantList& fill = Palette::prominentFillList();
  QLinearGradient accent(plate.topLeft(), plate.bottomRight());
  accent.setColorAt(0, fill.at(0).value<QColor>());
  accent.setColorAt(1, fill.at(1).value<QColor>());
  painter->fillPath(shape, accent);

  QLinearGradient gloss(plate.topLeft(), QPointF(plate.left(), plate.top() + glossDepth * plate.height()));
  gloss.setColorAt(0, whiteAt(0.25));
  gloss.setColorAt(1, whiteAt(0));
  painter->fillPath(shape, gloss);
}

void CardSilhouette::paintSweep(QPainter* painter, QSizeF size) const {
  const double span = size.width();
  const QRectF band(0, 0, 0.35 * span, size.height());
  QLinearGradient light(band.topLeft(), band.topRight());
  light.setColorAt(0.0, withOpacity(Palette::cyan(), 0));
  light.setColorAt(0.25, withOpacity(Palette::cyan(), 0.75));
  light.setColorAt(0.5, whiteAt(0.9));
  light.setColorAt(0.75, withOpacity(Palette::cyan(), 0.75));
  light.setColorAt(1.0, withOpacity(Palette::cyan(), 0));

  // From -0.6 to 1.2 widths: wholly outside the picture at both ends of the run.
  const double offset = (-0.6 + 1.8 * sweepPhase_) * span;
  painter->translate(offset + band.center().x(), band.center().y());
  painter->rotate(12);
  painter->translate(-band.center());
  painter->setCompositionMode(QPainter::CompositionMode_Plus);
  painter->fillRect(band, light);
}

}  // namespace tessorin
