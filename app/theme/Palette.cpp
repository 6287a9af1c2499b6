#include "theme/Palette.hpp"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPalette>

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

QString Palette::headline(CheckOutcome::Verdict verdict) {
  switch (verdict) {
    case CheckOutcome::Verdict::genuine:
      return tr("Genuine card");
    case CheckOutcome::Verdict::likelyGenuine:
      return tr("Probably genuine");
    case CheckOutcome::Verdict::fake:
      return tr("Fake card");
    case CheckOutcome::Verdict::damaged:
      return tr("Damaged card");
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

QColor Palette::primary() const { return windowTextAt(0.85); }
QColor Palette::secondary() const { return windowTextAt(0.5); }
QColor Palette::tertiary() const { return windowTextAt(0.26); }
QColor Palette::quaternary() const { return windowTextAt(0.1); }
QColor Palette::panelBackground() const { return QGuiApplication::palette().color(QPalette::Base); }
QColor Palette::windowBackground() const { return QGuiApplication::palette().color(QPalette::Window); }

bool Palette::eventFilter(QObject* watched, QEvent* event) {
  if (watched == QCoreApplication::instance() && event->type() == QEvent::ApplicationPaletteChange) {
    Q_EMIT systemColorsChanged();
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace tessorin
