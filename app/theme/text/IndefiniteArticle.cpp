#include "theme/text/IndefiniteArticle.hpp"

#include <QCoreApplication>

namespace tessorin {

bool spokenWithVowelSound(const QString& text) {
  // The whole part only: "8.5" is spoken from its "eight", "0.5" from its "zero".
  QString digits;
  for (const QChar c : text) {
    if (c.isDigit()) {
      digits.append(c);
    } else if (c != QLatin1Char(',') || digits.isEmpty()) {
      break;
    }
  }
  if (digits.isEmpty()) return false;
  while (digits.size() > 1 && digits.front() == QLatin1Char('0')) digits.remove(0, 1);
  // Spoken in groups of three ("eleven thousand", "eighty million"): the first group
  // says the first word.
  const int leading = digits.size() % 3 == 0 ? 3 : digits.size() % 3;
  const int group = digits.left(leading).toInt();
  if (group >= 100) return group / 100 == 8;
  return group == 8 || group == 11 || group == 18 || (group >= 80 && group <= 89);
}

QString withIndefiniteArticle(const QString& amount) {
  return spokenWithVowelSound(amount) ? QCoreApplication::translate("IndefiniteArticle", "an %1").arg(amount)
                                      : QCoreApplication::translate("IndefiniteArticle", "a %1").arg(amount);
}

}  // namespace tessorin
