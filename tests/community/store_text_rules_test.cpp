// The store text rules: keys that fold what users type differently, names that are
// cleaned to one line and refused when they hold a link however it is disguised, cuts
// that never split what a user sees as one character, and region flags.

#include <QList>
#include <gtest/gtest.h>

#include "community/rules/StoreTextRules.hpp"

namespace tessorin {
namespace {

QString u(const char* utf8) { return QString::fromUtf8(utf8); }

struct KeyCase {
  const char* typed;
  const char* key;
};

TEST(NormalizedStoreKey, FoldsCaseAccentsWidthAndBlanks) {
  const KeyCase cases[] = {
      {"Mega Store", "mega store"},
      {"  MEGA   store \n", "mega store"},
      {"Mégá Stôre", "mega store"},
      {"ＭＥＧＡ　Ｓｔｏｒｅ", "mega store"},  // full-width letters and ideographic space
      {"ﾒｶﾞ", "メカ"},                         // half-width katakana, voiced mark dropped with the diacritics
      {"", ""},
      {" \t ", ""},
  };
  for (const KeyCase& c : cases) EXPECT_EQ(normalizedStoreKey(u(c.typed)), u(c.key)) << c.typed;
}

struct CleanCase {
  const char* typed;
  const char* cleaned;  // "" when refused
};

TEST(CleanedStoreName, KeepsOneTrimmedLineAndRefusesLinks) {
  const CleanCase cases[] = {
      {"Mega\nStore", "Mega Store"},
      {"Mega\r\nStore", "Mega  Store"},
      {"  Mega   Store  ", "Mega   Store"},
      {"Mega\u2028Store", "Mega Store"},
      {"", ""},
      {"   \n ", ""},
      {"WWW.shop.example", ""},
      {"shop@example.org", ""},
      {"HTTP://x", ""},
      // Disguises: full-width letters and signs, the small commercial at, hidden
      // characters inside "www.", and a hyphen that only shows at a line end.
      {"ｈｔｔｐｓ：／／shop", ""},
      {"shop＠mail", ""},
      {"shop\uFE6Bmail", ""},
      {"w\u200Bww.shop", ""},
      {"w\u2060w\u00ADw.shop", ""},
      // Hidden characters go from what is kept too: an override no longer shows
      // "moc.pohs.www" reversed as a link.
      {"\u202Emoc.pohs.www", "moc.pohs.www"},
      {"Mega\u200B Store\u202E", "Mega Store"},
      {"Tab\tStore\x01", "Tab\tStore"},
  };
  for (const CleanCase& c : cases) EXPECT_EQ(cleanedStoreName(u(c.typed)), u(c.cleaned)) << c.typed;
}

TEST(CleanedStoreName, CutsAtSixtyCharactersAfterTheLinkTest) {
  const QString seventy = QString(70, QLatin1Char('a'));
  EXPECT_EQ(cleanedStoreName(seventy), QString(60, QLatin1Char('a')));

  QString spaceAt60 = QString(59, QLatin1Char('b')) + QLatin1Char(' ') + QStringLiteral("cdef");
  EXPECT_EQ(cleanedStoreName(spaceAt60), QString(59, QLatin1Char('b')) + QLatin1Char(' '));

  QString linkLate = QString(79, QLatin1Char('c')) + QStringLiteral("http") + QString(17, QLatin1Char('c'));
  ASSERT_EQ(linkLate.size(), 100);
  EXPECT_EQ(cleanedStoreName(linkLate), QString());
}

TEST(CleanedStoreName, CountsWhatTheUserSeesAsOneCharacter) {
  struct Cut {
    const char* unit;  // one user-perceived character
    int units;
  };
  const Cut cuts[] = {
      {"\U0001F1F5\U0001F1F9", 61},                          // a flag: two scalars
      {"\U0001F44D\U0001F3FD", 65},                          // thumbs up with a skin tone
      {"\U0001F468\u200D\U0001F469\u200D\U0001F467", 62},  // a family joined by ZWJ
      {"e\u0301", 70},                                       // e with a combining accent
  };
  for (const Cut& cut : cuts) {
    QString text;
    for (int i = 0; i < cut.units; ++i) text += u(cut.unit);
    QString expected;
    for (int i = 0; i < 60; ++i) expected += u(cut.unit);
    EXPECT_EQ(cleanedStoreName(text), expected) << cut.unit;
    EXPECT_EQ(characterCount(cleanedStoreName(text)), 60) << cut.unit;
  }
}

// Text from the network may hold half of a surrogate pair: it reads as the replacement
// character, and a whole pair stays one character.
TEST(CleanedStoreName, ReadsALoneSurrogateAsTheReplacementCharacter) {
  const QString lone = QString(QChar(0xD83D)) + QStringLiteral("Shop") + QChar(0xDE00);
  EXPECT_EQ(cleanedStoreName(lone), QString(QChar::ReplacementCharacter) + QStringLiteral("Shop") +
                                        QChar(QChar::ReplacementCharacter));
  EXPECT_EQ(cleanedStoreName(u("Shop \U0001F600")), u("Shop \U0001F600"));
  EXPECT_EQ(normalizedStoreKey(QString(QChar(0xDE00)) + QStringLiteral(" Shop")), u("\uFFFD shop"));
}

TEST(FlagEmoji, MapsEveryCharacterToTheRegionalIndicators) {
  EXPECT_EQ(flagEmoji(QStringLiteral("pt")), u("\U0001F1F5\U0001F1F9"));
  EXPECT_EQ(flagEmoji(QStringLiteral("PT")), u("\U0001F1F5\U0001F1F9"));
  EXPECT_EQ(flagEmoji(QString()), QString());
  EXPECT_EQ(flagEmoji(QStringLiteral("ABC")).toUcs4().size(), 3);
  EXPECT_EQ(flagEmoji(QStringLiteral("1")).toUcs4().front(), 0x1F1D6u);
}

}  // namespace
}  // namespace tessorin
