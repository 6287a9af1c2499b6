#include "results/markings/SpeedMarkingBadgeModel.hpp"

#include <gtest/gtest.h>

#include "theme/Palette.hpp"

namespace tessorin {
namespace {

TEST(SpeedMarkingBadgeModelTest, EachJudgementHasItsColourMarkAndHelp) {
  const Palette palette;
  const struct {
    const char* check;
    QColor glyph;
    qreal opacity;
    const char* mark;
    const char* help;
  } cases[] = {
      {"met", palette.primary(), 1.0, "", "Reached"},
      {"missed", Palette::red(), 1.0, "xmark.circle.fill", "Not reached"},
      {"unknown", palette.secondary(), 0.7, "questionmark.circle.fill", "Can’t be checked with this reader"},
  };
  for (const auto& c : cases) {
    SpeedMarkingBadgeModel badge;
    badge.setMarking(QStringLiteral("u3"));
    badge.setCheck(QString::fromUtf8(c.check));
    badge.setHeight(50);
    EXPECT_EQ(badge.label(), "U3") << c.check;  // what a screen reader says, not the bare number
    EXPECT_EQ(badge.glyphColor(), c.glyph) << c.check;
    EXPECT_EQ(badge.glyphOpacity(), c.opacity) << c.check;
    EXPECT_EQ(badge.markSymbol(), QString::fromUtf8(c.mark)) << c.check;
    EXPECT_EQ(badge.showsMark(), *c.mark != '\0') << c.check;
    EXPECT_EQ(badge.helpText(), QString::fromUtf8(c.help)) << c.check;
  }
}

TEST(SpeedMarkingBadgeModelTest, MarkOverhangsTheCornerByFractionsOfTheHeight) {
  SpeedMarkingBadgeModel badge;
  badge.setHeight(100);
  EXPECT_DOUBLE_EQ(badge.markSize(), 36);
  EXPECT_DOUBLE_EQ(badge.markShift(), 20);
  EXPECT_DOUBLE_EQ(badge.markRise(), 16);
  badge.setCheck(QStringLiteral("missed"));
  EXPECT_TRUE(badge.showsMark());
  badge.setHeight(-1);
  EXPECT_EQ(badge.markSize(), 0);
  EXPECT_FALSE(badge.showsMark());  // a badge not yet sized shows no mark of size 0
}

}  // namespace
}  // namespace tessorin
