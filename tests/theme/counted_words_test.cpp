// Words that depend on a number: the English article in front of an amount ("an 8 GB
// card").

#include <QLocale>
#include <gtest/gtest.h>

#include "theme/text/IndefiniteArticle.hpp"

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

}  // namespace
}  // namespace tessorin
