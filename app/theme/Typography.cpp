#include "theme/Typography.hpp"

#include <algorithm>
#include <array>
#include <cmath>

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>

namespace tessorin {

namespace {

struct StyleRow {
  int points;  // at a 13-pixel body
  QFont::Weight weight;
};

constexpr std::array<StyleRow, 11> styleTable = {{
    {26, QFont::Normal},    // large title
    {22, QFont::Normal},    // title
    {17, QFont::Normal},    // title 2
    {15, QFont::Normal},    // title 3
    {13, QFont::DemiBold},  // headline
    {13, QFont::Normal},    // body
    {12, QFont::Normal},    // callout
    {11, QFont::Normal},    // subheadline
    {11, QFont::Normal},    // footnote
    {11, QFont::Normal},    // caption
    {11, QFont::Normal},    // caption 2
}};

}  // namespace

Typography::Typography(QObject* parent) : QObject(parent) {}

bool Typography::hasEqualDigits(const QFont& font) {
  const QFontMetricsF metrics(font);
  const qreal zero = metrics.horizontalAdvance(QLatin1Char('0'));
  for (char digit = '1'; digit <= '9'; ++digit) {
    if (!qFuzzyCompare(metrics.horizontalAdvance(QLatin1Char(digit)), zero)) return false;
  }
  return true;
}

QString Typography::figures() {
  static const QString family = hasEqualDigits(QGuiApplication::font()) ? QFontInfo(QGuiApplication::font()).family()
                                                                         : QStringLiteral("DejaVu Sans");
  return family;
}

QString Typography::rounded() { return QFontInfo(QGuiApplication::font()).family(); }

QString Typography::monospaced() { return QFontDatabase::systemFont(QFontDatabase::FixedFont).family(); }

QFont Typography::markingFont(bool italic) {
  QFont font = QGuiApplication::font();
  font.setWeight(QFont::Black);
  font.setStretch(QFont::Condensed);
  font.setItalic(italic);
  return font;
}

int Typography::pixelSize(Style style) {
  // Nothing is set below 11 pixels, however small the application font: smaller text is
  // not read, only guessed at.
  const int body = QFontInfo(QGuiApplication::font()).pixelSize();
  return std::max(11, static_cast<int>(std::lround(styleTable.at(style).points * body / 13.0)));
}

QFont Typography::styled(Style style, int weight, bool figures) {
  QFont font = QGuiApplication::font();
  if (figures) font.setFamily(Typography::figures());
  font.setPixelSize(pixelSize(style));
  font.setWeight(weight > 0 ? static_cast<QFont::Weight>(weight) : styleTable.at(style).weight);
  return font;
}

}  // namespace tessorin
