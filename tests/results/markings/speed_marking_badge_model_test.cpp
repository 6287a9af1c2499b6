#include "results/markings/SpeedMarkingBadgeModel.hpp"

#include <gtest/gtest.h>

#include "results/markings/SpeedMarkingGeometry.hpp"
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
      {"missed", palette.redText(), 1.0, "xmark.circle.fill", "Not reached"},
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

// The views ask for badges as small as 18 pixels; drawn that small, the digits of C10
// and the mark's x or question mark could not be made out. A badge is drawn at least as
// high as its two-digit number needs to reach the smallest text size, and its mark never
// below the size at which its sign reads, centred just off the corner as on a large badge.
TEST(SpeedMarkingBadgeModelTest, EverySizeAViewAsksForIsDrawnReadable) {
  const struct {
    const char* where;
    qreal asked;
    qreal drawn;
  } cases[] = {
      {"report card", 18, 25},
      {"missed row", 22, 25},
      {"lives-up-to row", 28, 28},
      {"gallery's large sheet", 96, 96},
  };
  for (const auto& c : cases) {
    SpeedMarkingBadgeModel badge;
    badge.setMarking(QStringLiteral("class10"));
    badge.setCheck(QStringLiteral("unknown"));
    badge.setHeight(c.asked);
    EXPECT_DOUBLE_EQ(badge.drawnHeight(), c.drawn) << c.where;
    const SpeedMarkingGeometry drawn(badge.drawnHeight());
    EXPECT_GE(drawn.smallestNumberSize(), 11.0) << c.where;
    EXPECT_GE(drawn.uhsNumberSize(), 11.0) << c.where;
    EXPECT_GE(badge.markSize(), 16.0) << c.where;
    // The mark's centre lies 0.02 h right of and below the top-trailing corner.
    EXPECT_NEAR(badge.markShift() - badge.markSize() / 2, 0.02 * c.drawn, 1e-9) << c.where;
    EXPECT_NEAR(badge.markSize() / 2 - badge.markRise(), 0.02 * c.drawn, 1e-9) << c.where;
  }
}

}  // namespace
}  // namespace tessorin
