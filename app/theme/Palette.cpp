#include "theme/Palette.hpp"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPalette>
#include <algorithm>

namespace tessorin {

namespace {

QColor windowTextAt(double opacity) {
  QColor color = QGuiApplication::palette().color(QPalette::WindowText);
  color.setAlphaF(static_cast<float>(opacity));
  return color;
}

std::optional<CheckOutcome::Verdict> verdictNamed(const QString& rawValue) {
  return CheckOutcome::Verdict::fromRawValue(rawValue.toStdString());
}

}  // namespace

Palette::Palette(QObject* parent) : QObject(parent) {
  if (QCoreApplication::instance() != nullptr) QCoreApplication::instance()->installEventFilter(this);
}

QColor Palette::srgb(double red, double green, double blue) { return QColor::fromRgbF(red, green, blue, 1.0); }

const QColor& Palette::green() {
  static const QColor color = srgb(0.13, 0.74, 0.47);
  return color;
}

const QColor& Palette::red() {
  static const QColor color = srgb(0.95, 0.27, 0.29);
  return color;
}

const QColor& Palette::amber() {
  static const QColor color = srgb(0.97, 0.62, 0.13);
  return color;
}

const QColor& Palette::cyan() {
  static const QColor color = srgb(0.13, 0.78, 0.93);
  return color;
}

const QColor& Palette::indigo() {
  static const QColor color = srgb(0.36, 0.42, 0.98);
  return color;
}

const QVariantList& Palette::accentGradientList() {
  static const QVariantList colors = {cyan(), indigo()};
  return colors;
}

const QColor& Palette::verdictColor(CheckOutcome::Verdict verdict) {
  switch (verdict) {
    case CheckOutcome::Verdict::genuine:
    case CheckOutcome::Verdict::likelyGenuine:
      return green();
    case CheckOutcome::Verdict::fake:
      return red();
    case CheckOutcome::Verdict::damaged:
    case CheckOutcome::Verdict::inconclusive:
      break;
  }
  return amber();
}

QString Palette::sealSymbol(CheckOutcome::Verdict verdict) {
  switch (verdict) {
    case CheckOutcome::Verdict::genuine:
    case CheckOutcome::Verdict::likelyGenuine:
      return QStringLiteral("checkmark.seal.fill");
    case CheckOutcome::Verdict::fake:
      return QStringLiteral("xmark.seal.fill");
    case CheckOutcome::Verdict::damaged:
      return QStringLiteral("exclamationmark.triangle.fill");
    case CheckOutcome::Verdict::inconclusive:
      break;
  }
  return QStringLiteral("questionmark.diamond.fill");
}

QString Palette::title(CheckOutcome::Verdict verdict) {
  switch (verdict) {
    case CheckOutcome::Verdict::genuine:
      return tr("Genuine");
    case CheckOutcome::Verdict::likelyGenuine:
      return tr("Probably genuine");
    case CheckOutcome::Verdict::fake:
      return tr("Fake");
    case CheckOutcome::Verdict::damaged:
      return tr("Damaged");
    case CheckOutcome::Verdict::inconclusive:
      break;
  }
  return tr("Inconclusive");
}

QString Palette::headline(CheckOutcome::Verdict verdict, bool isUSBDrive) {
  switch (verdict) {
    case CheckOutcome::Verdict::genuine:
      return isUSBDrive ? tr("Genuine drive") : tr("Genuine card");
    case CheckOutcome::Verdict::likelyGenuine:
      return tr("Probably genuine");
    case CheckOutcome::Verdict::fake:
      return isUSBDrive ? tr("Fake drive") : tr("Fake card");
    case CheckOutcome::Verdict::damaged:
      return isUSBDrive ? tr("Damaged drive") : tr("Damaged card");
    case CheckOutcome::Verdict::inconclusive:
      break;
  }
  return tr("Inconclusive");
}

QString Palette::title(XRayReport::Verdict verdict) {
  switch (verdict) {
    case XRayReport::Verdict::noRedFlags:
      return tr("No red flags");
    case XRayReport::Verdict::suspicious:
      return tr("Suspicious");
    case XRayReport::Verdict::likelyFake:
      return tr("Likely fake");
    case XRayReport::Verdict::notAnalyzed:
      break;
  }
  return tr("Chip not visible");
}

QColor Palette::verdictColorOf(const QString& verdictRawValue) const {
  const auto verdict = verdictNamed(verdictRawValue);
  return verdict ? verdictColor(*verdict) : windowTextAt(1.0);
}

QString Palette::verdictTitleOf(const QString& verdictRawValue) const {
  const auto verdict = verdictNamed(verdictRawValue);
  return verdict ? title(*verdict) : QString();
}

QString Palette::verdictHeadlineOf(const QString& verdictRawValue) const {
  const auto verdict = verdictNamed(verdictRawValue);
  return verdict ? headline(*verdict) : QString();
}

const QVariantList& Palette::prominentFillList() {
  static const QVariantList colors = {srgb(0.04, 0.45, 0.60), srgb(0.30, 0.35, 0.90)};
  return colors;
}

const QColor& Palette::destructiveFill() {
  static const QColor color = srgb(0.80, 0.16, 0.18);
  return color;
}

const QColor& Palette::selectionFill() {
  static const QColor color = srgb(0.30, 0.35, 0.90);
  return color;
}

const QColor& Palette::filledHoverOverlay() {
  static const QColor color = QColor::fromRgbF(0.0f, 0.0f, 0.0f, 0.1f);
  return color;
}

const QColor& Palette::filledPressedOverlay() {
  static const QColor color = QColor::fromRgbF(0.0f, 0.0f, 0.0f, 0.22f);
  return color;
}

QColor Palette::textShade(const QColor& tint, const QColor& window) {
  // On a dark window the tints read as they are, but for red and indigo, a step lighter.
  const bool darkWindow = window.lightnessF() < 0.5;
  const QColor rgb = tint.toRgb();
  if (rgb == green()) return darkWindow ? green() : srgb(0.0, 0.45, 0.25);
  if (rgb == red()) return darkWindow ? srgb(1.0, 0.45, 0.45) : srgb(0.75, 0.10, 0.12);
  if (rgb == amber()) return darkWindow ? amber() : srgb(0.58, 0.33, 0.0);
  if (rgb == indigo()) return darkWindow ? srgb(0.55, 0.60, 1.0) : srgb(0.26, 0.30, 0.82);
  if (rgb == cyan()) return darkWindow ? cyan() : srgb(0.0, 0.40, 0.55);
  return tint;
}

QColor Palette::fillShade(const QColor& tint) {
  QColor opaque = tint.toRgb();
  opaque.setAlphaF(1.0f);
  if (opaque == cyan()) return prominentFillList().at(0).value<QColor>();
  if (opaque == indigo()) return prominentFillList().at(1).value<QColor>();
  if (opaque == red()) return destructiveFill();
  if (opaque == green()) return srgb(0.05, 0.50, 0.30);
  if (opaque == amber()) return srgb(0.62, 0.36, 0.0);
  return tint;
}

QVariantList Palette::symbolTileGradient(const QColor& tint) {
  const QColor deep = fillShade(tint);
  return {deep.lighter(118), deep};
}

double Palette::emphasisOpacity(int level) {
  static constexpr double opacities[] = {0.85, 0.68, 0.6, 0.1};
  return opacities[std::clamp(level, 0, 3)];
}

QColor Palette::focusRing() const {
  // No tint could do it: 3:1 on the deep fills (white text's) and on a light panel alike
  // leaves only the darkest shades, and on a dark panel only the palest.
  return windowBackground().lightnessF() < 0.5 ? srgb(0.80, 0.83, 1.0) : srgb(0.07, 0.08, 0.26);
}

QColor Palette::primary() const { return windowTextAt(emphasisOpacity(0)); }
QColor Palette::secondary() const { return windowTextAt(emphasisOpacity(1)); }
QColor Palette::tertiary() const { return windowTextAt(emphasisOpacity(2)); }
QColor Palette::quaternary() const { return windowTextAt(emphasisOpacity(3)); }
QColor Palette::panelBackground() const { return QGuiApplication::palette().color(QPalette::Base); }
QColor Palette::windowBackground() const { return QGuiApplication::palette().color(QPalette::Window); }

bool Palette::eventFilter(QObject* watched, QEvent* event) {
  if (watched == QCoreApplication::instance() && event->type() == QEvent::ApplicationPaletteChange) {
    Q_EMIT systemColorsChanged();
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace tessorin
