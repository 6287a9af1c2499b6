// A figure on screen is one word: a Text that wraps moves "16 GB" to the next line whole
// instead of leaving the number at the end of one line and its unit at the start of the next.
// (Card sizes below 1 TB are written the same in every locale.)

#include <QFontMetricsF>
#include <QQmlComponent>
#include <QQmlEngine>
#include <memory>
#include <gtest/gtest.h>

#include "theme/text/DisplayFormat.hpp"

namespace tessorin {
namespace {

// The width fits "Capacity 16" and, on the next line, "16 GB", but not all three.
TEST(FigureWrapping, AWrappingTextAtANarrowWidthMovesTheFigureDownWhole) {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(14);
  const QFontMetricsF metrics(font);
  const QString figure = DisplayFormat::formatCapacity(16'000'000'000);
  const qreal width = metrics.horizontalAdvance(QStringLiteral("Capacity 16")) + 2;
  ASSERT_LT(width, metrics.horizontalAdvance(QStringLiteral("Capacity ") + figure));

  QQmlEngine engine;
  QQmlComponent component(&engine);
  component.setData(R"(
      import QtQuick
      Text { font.family: "DejaVu Sans"; font.pixelSize: 14; wrapMode: Text.Wrap }
  )",
                    QUrl());
  ASSERT_TRUE(component.isReady()) << component.errorString().toStdString();
  const auto laidOut = [&](const QString& text) {
    std::unique_ptr<QObject> item(component.createWithInitialProperties({{"width", width}, {"text", text}}));
    return std::pair{item->property("lineCount").toInt(), item->property("contentWidth").toReal()};
  };

  const auto [lines, widest] = laidOut(QStringLiteral("Capacity ") + figure);
  EXPECT_EQ(lines, 2);
  EXPECT_LT(widest, metrics.horizontalAdvance(QStringLiteral("Capacity 1"))) << "the number stayed on the first line";

  QString plain = figure;
  plain.replace(DisplayFormat::unitSpace, QLatin1Char(' '));
  const auto [plainLines, plainWidest] = laidOut(QStringLiteral("Capacity ") + plain);
  EXPECT_EQ(plainLines, 2);
  EXPECT_GE(plainWidest, metrics.horizontalAdvance(QStringLiteral("Capacity 1"))) << "the width splits a plain space";
}

}  // namespace
}  // namespace tessorin
