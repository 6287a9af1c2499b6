#include <gtest/gtest.h>

#include "theme/focus/Mnemonic.hpp"

namespace tessorin {
namespace {

struct TitleCase {
  const char* title;
  bool underline;
  const char* styled;
};

// A menu's title as its menu bar shows it: the "&" gone, its letter underlined only when
// asked, "&&" an ampersand, and nothing of the title ever read as markup.
TEST(Mnemonic, ATitleLosesItsAmpersandAndUnderlinesItsLetterOnlyWhenAsked) {
  const TitleCase cases[] = {
      {"&Help", false, "Help"},
      {"&Help", true, "<u>H</u>elp"},
      {"He&lp", true, "He<u>l</u>p"},
      {"Save && Quit", true, "Save &amp; Quit"},
      {"&Save && Quit", true, "<u>S</u>ave &amp; Quit"},
      {"&a&b", true, "<u>a</u>b"},
      {"Ends with &", true, "Ends with &amp;"},
      {"&<b>x</b>", true, "<u>&lt;</u>b&gt;x&lt;/b&gt;"},
      {"No letter", true, "No letter"},
  };
  for (const TitleCase& row : cases) {
    EXPECT_EQ(Mnemonic::styled(QString::fromUtf8(row.title), row.underline), QString::fromUtf8(row.styled))
        << row.title << (row.underline ? " underlined" : "");
  }
}

}  // namespace
}  // namespace tessorin
