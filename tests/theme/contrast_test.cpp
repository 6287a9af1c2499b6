// Every text colour the palette offers the views, on every background it is drawn on,
// must be legible: 4.5:1, or 3:1 for large text and symbols (WCAG 2 contrast ratio),
// in a light and in a dark window. And no text style is smaller than 11 pixels.

#include <QGuiApplication>
#include <QPalette>
#include <gtest/gtest.h>

#include "ContrastRatio.hpp"
#include "results/markings/SpeedMarkingBadgeModel.hpp"
#include "theme/Palette.hpp"
#include "theme/Typography.hpp"

namespace tessorin {
namespace {

using testing::contrastRatio;
using testing::laidOver;
using testing::relativeLuminance;

struct Pair {
  std::string text;
  QColor foreground;
  std::string background;
  QColor behind;
  double bar;
};

// The pairs the views draw: each text role on the window, on a plain panel, on a panel
// washed with a tint (its strongest corner), on a chip of that tint and in the speed
// box; white on the fills made for white text and on the tiles under white symbols. The
// tints' shades are also what symbols are drawn in, so they pass the text bar here.
using Named = std::vector<std::pair<std::string, QColor>>;

// What the views draw on: the window, a plain panel, the speed box, and a panel and a chip
// washed with each tint (its strongest corner).
Named backgroundsOf(const Palette& palette) {
  const QColor panel = palette.panelBackground();
  Named backgrounds = {
      {"window", palette.windowBackground()}, {"panel", panel}, {"speed box", laidOver(palette.quaternary(), panel, 0.35)}};
  for (const auto& [name, tint] : Named{{"green", Palette::green()}, {"red", Palette::red()}, {"amber", Palette::amber()},
                                        {"cyan", Palette::cyan()}, {"indigo", Palette::indigo()}}) {
    backgrounds.emplace_back(name + " panel", laidOver(tint, panel, 0.16));
    backgrounds.emplace_back(name + " chip", laidOver(tint, panel, 0.13));
  }
  return backgrounds;
}

std::vector<Pair> pairsOf(const Palette& palette) {
  const QColor window = palette.windowBackground();
  const QColor panel = palette.panelBackground();
  const Named backgrounds = backgroundsOf(palette);
  const std::vector<std::pair<std::string, QColor>> texts = {
      {"primary", palette.primary()},     {"secondary", palette.secondary()}, {"tertiary", palette.tertiary()},
      {"green text", palette.greenText()}, {"red text", palette.redText()},   {"amber text", palette.amberText()},
      {"link text", palette.linkText()},  {"cyan text", palette.textShadeOf(Palette::cyan())}};
  std::vector<Pair> pairs;
  for (const auto& [textName, foreground] : texts) {
    for (const auto& [backgroundName, behind] : backgrounds) {
      pairs.push_back({textName, laidOver(foreground, behind), backgroundName, behind, 4.5});
    }
  }
  // Symbols filled with the accent gradient, at either end.
  for (const QVariant& end : palette.accentSymbolGradient()) {
    for (const auto& [backgroundName, behind] : backgrounds) {
      pairs.push_back({"accent symbol " + end.value<QColor>().name().toStdString(), end.value<QColor>(), backgroundName,
                       behind, 3.0});
    }
  }
  const QColor white(Qt::white);
  // The filled buttons' label on their fill in every state: resting, pointed at, pressed
  // (the state's overlay laid over either end of the gradient), and disabled, where the
  // label turns secondary on the quaternary wash, on a panel or on the window.
  const std::vector<std::pair<std::string, QColor>> fills = {
      {"prominent fill start", Palette::prominentFillList().at(0).value<QColor>()},
      {"prominent fill end", Palette::prominentFillList().at(1).value<QColor>()},
      {"destructive fill", Palette::destructiveFill()}};
  for (const auto& [fillName, fill] : fills) {
    pairs.push_back({"white", white, fillName, fill, 4.5});
    pairs.push_back({"white", white, fillName + ", pointed at", laidOver(Palette::filledHoverOverlay(), fill), 4.5});
    pairs.push_back({"white", white, fillName + ", pressed", laidOver(Palette::filledPressedOverlay(), fill), 4.5});
  }
  for (const auto& [backgroundName, behind] : {std::pair<std::string, QColor>{"panel", panel}, {"window", window}}) {
    const QColor disabledFill = laidOver(palette.quaternary(), behind);
    pairs.push_back({"secondary", laidOver(palette.secondary(), disabledFill), "disabled filled button on " + backgroundName,
                     disabledFill, 4.5});
  }
  pairs.push_back({"white", white, "selection fill", Palette::selectionFill(), 4.5});
  // The large buttons take the deep shade of whatever tint a view gives them.
  const QColor tints[] = {Palette::cyan(), Palette::indigo(), Palette::red(), Palette::green(), Palette::amber()};
  for (const QColor& tint : tints) {
    QColor translucent = tint;
    translucent.setAlphaF(0.85f);
    pairs.push_back({"white", white, "large button over " + tint.name().toStdString(), Palette::fillShade(translucent), 4.5});
  }
  // White symbols on the tiles of the guides and the store cards, at either end.
  for (const QColor& tint : tints) {
    const QVariantList tile = Palette::symbolTileGradient(tint);
    for (const QVariant& end : tile) {
      pairs.push_back({"white symbol", white, "tile of " + tint.name().toStdString(), end.value<QColor>(), 3.0});
    }
  }
  // The quiet states of views: a guide's step already done steps back in the secondary
  // colour on the reinsertion panel's cyan wash, its tick white on green; a purchase
  // already shared is read as labels and lines on the plain panel, not as greyed fields;
  // the card picture's label plate carries white text on the deepened accent pair.
  const QColor cyanPanel = laidOver(Palette::cyan(), panel, 0.16);
  pairs.push_back({"step already done", laidOver(palette.secondary(), cyanPanel), "cyan panel", cyanPanel, 4.5});
  pairs.push_back({"tick of a step already done", white, "green disc", Palette::fillShade(Palette::green()), 3.0});
  pairs.push_back({"shared purchase's label", laidOver(palette.secondary(), panel), "panel", panel, 4.5});
  pairs.push_back({"shared purchase's line", laidOver(palette.primary(), panel), "panel", panel, 4.5});
  for (const QVariant& end : Palette::prominentFillList()) {
    pairs.push_back({"card label text", white, "card label plate", end.value<QColor>(), 4.5});
  }
  return pairs;
}

// The focus ring, a mark that must be seen (3:1), on every surface a control stands on
// (the sidebar and its selected row too) and beside every fill a control has at rest.
void expectFocusRingSeen(const Palette& palette, const char* window) {
  Named besides = backgroundsOf(palette);
  const QColor sidebar = palette.windowBackground().darker(104);
  besides.emplace_back("sidebar", sidebar);
  besides.emplace_back("selected sidebar row", laidOver(Palette::indigo(), sidebar, 0.16));
  for (const QVariant& end : Palette::prominentFillList()) besides.emplace_back("prominent fill", end.value<QColor>());
  besides.emplace_back("destructive fill", Palette::destructiveFill());
  besides.emplace_back("selection fill", Palette::selectionFill());
  for (const QColor& tint : {Palette::cyan(), Palette::indigo(), Palette::red(), Palette::green(), Palette::amber()}) {
    besides.emplace_back("large button of " + tint.name().toStdString(), Palette::fillShade(tint));
  }
  for (const auto& [name, behind] : besides) {
    EXPECT_GE(contrastRatio(palette.focusRing(), behind), 3.0)
        << "focus ring beside " << name << " in a " << window << " window: " << palette.focusRing().name().toStdString()
        << " on " << behind.name().toStdString();
  }
}

void expectLegible(const Palette& palette, const char* window) {
  for (const Pair& pair : pairsOf(palette)) {
    EXPECT_GE(contrastRatio(pair.foreground, pair.behind), pair.bar)
        << pair.text << " on " << pair.background << " in a " << window << " window: "
        << pair.foreground.name().toStdString() << " on " << pair.behind.name().toStdString();
  }
}

// The application's palette as a light and as a dark desktop theme give it.
void useLightWindow() {
  QPalette light;
  light.setColor(QPalette::Window, QColor(0xef, 0xef, 0xef));
  light.setColor(QPalette::Base, Qt::white);
  light.setColor(QPalette::WindowText, Qt::black);
  QGuiApplication::setPalette(light);
}

void useDarkWindow() {
  QPalette dark;
  dark.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2e));
  dark.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x20));
  dark.setColor(QPalette::WindowText, Qt::white);
  QGuiApplication::setPalette(dark);
}

// The speed-marking badges draw their glyph (numbers included, set in black weight at 11
// pixels or more) and their mark as symbols: 3:1 on the report card's panel and in the
// speed box, on a plain panel or on one tinted by a verdict; the white x or question mark
// on its disc, and the disc on what is behind it, too.
void expectBadgesLegible(const Palette& palette, const char* window) {
  const QColor panel = palette.panelBackground();
  std::vector<std::pair<std::string, QColor>> backgrounds = {{"panel", panel}};
  for (const auto& [name, under] : std::vector<std::pair<std::string, QColor>>{
           {"panel", panel},
           {"green panel", laidOver(Palette::green(), panel, 0.16)},
           {"red panel", laidOver(Palette::red(), panel, 0.16)},
           {"amber panel", laidOver(Palette::amber(), panel, 0.16)}}) {
    backgrounds.emplace_back("speed box on " + name, laidOver(palette.quaternary(), under, 0.35));
  }
  for (const char* check : {"met", "missed", "unknown"}) {
    SpeedMarkingBadgeModel badge;
    badge.setMarking(QStringLiteral("class10"));
    badge.setCheck(QString::fromLatin1(check));
    badge.setHeight(18);
    for (const auto& [backgroundName, behind] : backgrounds) {
      const QColor glyph = laidOver(badge.glyphColor(), behind, badge.glyphOpacity());
      EXPECT_GE(contrastRatio(glyph, behind), 3.0) << check << " glyph on " << backgroundName << " in a " << window
                                              << " window: " << glyph.name().toStdString();
      if (!badge.showsMark()) continue;
      EXPECT_GE(contrastRatio(badge.markColor(), behind), 3.0)
          << check << " mark's disc on " << backgroundName << " in a " << window << " window";
    }
    if (badge.showsMark()) {
      EXPECT_GE(contrastRatio(Qt::white, badge.markColor()), 3.0) << check << " mark's sign on its disc";
    }
  }
}

TEST(ContrastTest, SpeedMarkingBadgesAreLegibleInALightAndADarkWindow) {
  useLightWindow();
  expectBadgesLegible(Palette(), "light");
  useDarkWindow();
  expectBadgesLegible(Palette(), "dark");
  QGuiApplication::setPalette(QPalette());
}

TEST(ContrastTest, RatioOfKnownColoursIsRight) {
  EXPECT_NEAR(contrastRatio(Qt::black, Qt::white), 21.0, 1e-6);
  EXPECT_NEAR(contrastRatio(QColor(0x77, 0x77, 0x77), Qt::white), 4.48, 0.01);
  EXPECT_NEAR(contrastRatio(Qt::white, Qt::white), 1.0, 1e-9);
}

TEST(ContrastTest, EveryTextRoleIsLegibleOnEveryBackgroundOfALightWindow) {
  useLightWindow();
  expectLegible(Palette(), "light");
}

TEST(ContrastTest, EveryTextRoleIsLegibleOnEveryBackgroundOfADarkWindow) {
  useDarkWindow();
  expectLegible(Palette(), "dark");
  QGuiApplication::setPalette(QPalette());
}

TEST(ContrastTest, TheFocusRingIsSeenOnEverySurfaceAndBesideEveryFillOfALightAndADarkWindow) {
  useLightWindow();
  expectFocusRingSeen(Palette(), "light");
  useDarkWindow();
  expectFocusRingSeen(Palette(), "dark");
  QGuiApplication::setPalette(QPalette());
  // The link colour the ring once was is lost on the fills under white text.
  EXPECT_LT(contrastRatio(Palette().linkText(), Palette::selectionFill()), 3.0);
}

TEST(ContrastTest, TheBrightTintsAreNotTextOnALightWindow) {
  // The reason the shades exist: were a view to write in the tint, it would fail.
  const QColor window(0xef, 0xef, 0xef);
  for (const QColor& tint : {Palette::green(), Palette::amber()}) {
    EXPECT_LT(contrastRatio(tint, window), 3.0) << tint.name().toStdString();
    EXPECT_NE(Palette::textShade(tint, window), tint);
  }
  EXPECT_EQ(Palette::textShade(QColor(Qt::magenta), window), QColor(Qt::magenta));
}

TEST(ContrastTest, PointingAtOrPressingAFilledButtonOnlyDarkensIt) {
  // Lightening would take white below its bar on the indigo end, as a white wash of 12 %
  // once did (4.3:1); darkening can only raise white's contrast.
  for (const QVariant& end : Palette::prominentFillList()) {
    const QColor fill = end.value<QColor>();
    EXPECT_LT(relativeLuminance(laidOver(Palette::filledHoverOverlay(), fill)), relativeLuminance(fill));
    EXPECT_LT(relativeLuminance(laidOver(Palette::filledPressedOverlay(), fill)),
              relativeLuminance(laidOver(Palette::filledHoverOverlay(), fill)));
    EXPECT_LT(contrastRatio(Qt::white, laidOver(QColor::fromRgbF(1, 1, 1, 0.12f), fill)), 4.5) << fill.name().toStdString();
  }
}

TEST(ContrastTest, FadingAWholeStepOrThePlainAccentWouldNotBeLegible) {
  // Why a step already done changes colour instead of fading, and why the card's label
  // plate is not drawn in the plain accent pair.
  const Palette palette;
  const QColor panel = palette.panelBackground();
  const QColor cyanPanel = laidOver(Palette::cyan(), panel, 0.16);
  EXPECT_LT(contrastRatio(laidOver(palette.primary(), cyanPanel, 0.45), cyanPanel), 4.5);
  EXPECT_LT(contrastRatio(Qt::white, Palette::cyan()), 3.0);
}

TEST(ContrastTest, NoTextStyleIsBelowElevenPixels) {
  for (int style = Typography::LargeTitle; style <= Typography::Caption2; ++style) {
    EXPECT_GE(Typography::pixelSize(static_cast<Typography::Style>(style)), 11) << style;
  }
}

}  // namespace
}  // namespace tessorin
