#include <QFile>
#include <QFont>
#include <QRawFont>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include "theme/Palette.hpp"
#include "theme/Symbols.hpp"
#include "theme/Typography.hpp"

namespace tessorin {
namespace {

TEST(SymbolsTest, EveryRowIsAGlyphOfTheLoadedFontUnderItsPublishedName) {
  ASSERT_TRUE(Symbols::loadFont());
  const QRawFont font(Symbols::fontFile(), 24);
  ASSERT_TRUE(font.isValid());
  // The package's own list of names and codepoints: a row must agree with it.
  QFile variables(QStringLiteral("/usr/share/fonts-material-design-icons-iconfont/scss/_variables.scss"));
  ASSERT_TRUE(variables.open(QIODevice::ReadOnly));
  const QString published = QString::fromUtf8(variables.readAll());
  for (const Symbols::Row& row : Symbols::rows()) {
    EXPECT_TRUE(font.supportsCharacter(QChar(row.codepoint))) << row.name;
    const QRegularExpression entry(QStringLiteral("\"%1\": ([0-9a-f]+),").arg(QLatin1String(row.material)));
    const QRegularExpressionMatch match = entry.match(published);
    ASSERT_TRUE(match.hasMatch()) << row.material;
    EXPECT_EQ(match.captured(1).toUInt(nullptr, 16), row.codepoint) << row.name;
  }
}

TEST(SymbolsTest, UnknownNameGivesNoGlyph) {
  EXPECT_FALSE(Symbols::codepoint(QStringLiteral("sparkles")).has_value());
  EXPECT_TRUE(Symbols::codepoint(QStringLiteral("checkmark.seal.fill")).has_value());
}

TEST(TypographyTest, FiguresFaceHasTenDigitsOfOneWidth) {
  QFont figures(Typography::figures());
  figures.setPixelSize(20);
  EXPECT_TRUE(Typography::hasEqualDigits(figures)) << Typography::figures().toStdString();
}

TEST(TypographyTest, StylesKeepTheirOrderAndTheHeadlineIsSemibold) {
  EXPECT_GT(Typography::pixelSize(Typography::LargeTitle), Typography::pixelSize(Typography::Title));
  EXPECT_GT(Typography::pixelSize(Typography::Title2), Typography::pixelSize(Typography::Title3));
  EXPECT_GT(Typography::pixelSize(Typography::Body), Typography::pixelSize(Typography::Caption));
  EXPECT_EQ(Typography::pixelSize(Typography::Headline), Typography::pixelSize(Typography::Body));
  EXPECT_EQ(Typography::styled(Typography::Headline).weight(), QFont::DemiBold);
  EXPECT_EQ(Typography::styled(Typography::Caption, QFont::DemiBold, true).family(), Typography::figures());
}

TEST(PaletteTest, VerdictWordsAndColours) {
  using V = CheckOutcome::Verdict;
  const struct {
    V verdict;
    const char* title;
    const char* headline;
    const char* driveHeadline;
    QColor color;
  } cases[] = {
      {V::genuine, "Genuine", "Genuine card", "Genuine drive", Palette::green()},
      {V::likelyGenuine, "Probably genuine", "Probably genuine", "Probably genuine", Palette::green()},
      {V::fake, "Fake", "Fake card", "Fake drive", Palette::red()},
      {V::damaged, "Damaged", "Damaged card", "Damaged drive", Palette::amber()},
      {V::inconclusive, "Inconclusive", "Inconclusive", "Inconclusive", Palette::amber()},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Palette::title(c.verdict), QString::fromUtf8(c.title));
    EXPECT_EQ(Palette::headline(c.verdict), QString::fromUtf8(c.headline));
    EXPECT_EQ(Palette::headline(c.verdict, true), QString::fromUtf8(c.driveHeadline));
    EXPECT_EQ(Palette::verdictColor(c.verdict), c.color);
  }
  EXPECT_EQ(Palette::title(XRayReport::Verdict::notAnalyzed), QStringLiteral("Chip not visible"));
  EXPECT_EQ(Palette::title(XRayReport::Verdict::likelyFake), QStringLiteral("Likely fake"));
}

TEST(PaletteTest, ColoursAreOpaqueSrgbFromTheirComponents) {
  EXPECT_EQ(Palette::cyan(), QColor::fromRgbF(0.13f, 0.78f, 0.93f));
  EXPECT_EQ(Palette::cyan().alphaF(), 1.0f);
  ASSERT_EQ(Palette::accentGradientList().size(), 2);
  EXPECT_EQ(Palette::accentGradientList().front().value<QColor>(), Palette::cyan());
  EXPECT_EQ(Palette::accentGradientList().back().value<QColor>(), Palette::indigo());
}

}  // namespace
}  // namespace tessorin
