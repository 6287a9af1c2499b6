// Words that depend on a number: the English article in front of an amount ("an 8 GB
// card") and plural forms in English and in a language with more of them.

#include <QLocale>
#include <gtest/gtest.h>

#include "theme/text/IndefiniteArticle.hpp"
#include "theme/text/PluralText.hpp"

namespace tessorin {
namespace {

TEST(IndefiniteArticle, FollowsTheNumberAsItIsSpoken) {
  struct Case {
    const char* amount;
    const char* expected;
  };
  const Case cases[] = {
      {"8\u00A0GB", "an 8\u00A0GB"},       {"11\u00A0GB", "an 11\u00A0GB"},     {"18\u00A0GB", "an 18\u00A0GB"},
      {"80\u00A0GB", "an 80\u00A0GB"},     {"86\u00A0GB", "an 86\u00A0GB"},     {"800\u00A0GB", "an 800\u00A0GB"},
      {"8.5\u00A0GB", "an 8.5\u00A0GB"},   {"8,000\u00A0GB", "an 8,000\u00A0GB"}, {"11,500\u00A0MB", "an 11,500\u00A0MB"},
      {"1\u00A0TB", "a 1\u00A0TB"},        {"16\u00A0GB", "a 16\u00A0GB"},      {"128\u00A0GB", "a 128\u00A0GB"},
      {"180\u00A0GB", "a 180\u00A0GB"},    {"110\u00A0GB", "a 110\u00A0GB"},    {"8000000", "an 8000000"},
      {"1,800\u00A0GB", "a 1,800\u00A0GB"}, {"0.8\u00A0GB", "a 0.8\u00A0GB"},    {"28\u00A0GB", "a 28\u00A0GB"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(withIndefiniteArticle(QString::fromUtf8(c.amount)), QString::fromUtf8(c.expected)) << c.amount;
  }
}

class PluralText : public ::testing::Test {
 protected:
  void TearDown() override { QLocale::setDefault(before_); }

 private:
  QLocale before_;
};

TEST_F(PluralText, PicksTheLanguagesFormForEachCount) {
  struct Case {
    QLocale::Language language;
    QString pattern;
    std::vector<std::pair<long long, QString>> counts;
  };
  const Case cases[] = {
      {QLocale::English,
       QStringLiteral("{0, plural, one {# store} other {# stores}}"),
       {{0, "0 stores"}, {1, "1 store"}, {2, "2 stores"}, {1234, "1,234 stores"}}},
      // One, few and many: 1 and 21 take one form, 2–4 and 22 another, 5–20 a third.
      {QLocale::Russian,
       QStringLiteral("{0, plural, one {# магазин} few {# магазина} many {# магазинов} other {# магазина}}"),
       {{1, "1 магазин"}, {2, "2 магазина"}, {5, "5 магазинов"}, {11, "11 магазинов"}, {21, "21 магазин"},
        {22, "22 магазина"}}},
  };
  for (const Case& c : cases) {
    QLocale::setDefault(QLocale(c.language));
    for (const auto& [count, expected] : c.counts) {
      EXPECT_EQ(pluralText(c.pattern, count), expected) << count;
    }
  }
}

TEST_F(PluralText, ABrokenPatternShowsAsItStands) {
  const QString broken = QStringLiteral("{0, plural, one {# store}");
  EXPECT_EQ(pluralText(broken, 3), broken);
}

}  // namespace
}  // namespace tessorin
