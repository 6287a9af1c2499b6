#include "community/rules/StoreTextRules.hpp"

#include <QList>
#include <QTextBoundaryFinder>

namespace tessorin {

namespace {

bool isLineBreak(uint c) {
  return c == 0x0A || c == 0x0B || c == 0x0C || c == 0x0D || c == 0x85 || c == 0x2028 || c == 0x2029;
}

// Characters that change what a text looks like without showing themselves: control
// characters, invisible spaces, and the marks, embeddings, overrides and isolates of
// bidirectional text (an override can show "moc.elpmaxe//:ptth" as a link). The zero-width
// joiner and non-joiner stay: emoji and several scripts need them to be drawn right.
bool isHidden(uint c) {
  if (c == 0x09) return false;
  if (QChar::category(c) == QChar::Other_Control) return true;
  switch (c) {
    case 0x200B:  // zero-width space
    case 0x2060:  // word joiner
    case 0xFEFF:  // zero-width no-break space
    case 0x180E:  // Mongolian vowel separator
    case 0x200E:
    case 0x200F:
    case 0x061C:
      return true;
    default:
      return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
  }
}

QString fromPoints(const QList<uint>& points) {
  return QString::fromUcs4(reinterpret_cast<const char32_t*>(points.constData()), points.size());
}

// What the link test reads: compatibility forms folded (full-width "ｈｔｔｐ", small "﹫"),
// case folded, with every format character gone.
QString linkProbe(const QString& text) {
  const QString folded =
      text.normalized(QString::NormalizationForm_KC).toCaseFolded().normalized(QString::NormalizationForm_KC);
  QList<uint> kept;
  for (uint c : folded.toUcs4()) {
    if (QChar::category(c) != QChar::Other_Format) kept.append(c);
  }
  return fromPoints(kept);
}

}  // namespace

QString normalizedStoreKey(const QString& text) {
  QList<uint> widthFolded;
  for (uint c : text.toUcs4()) {
    const QChar::Decomposition tag = QChar::decompositionTag(c);
    if (tag == QChar::Wide || tag == QChar::Narrow) {
      widthFolded.append(QChar::decomposition(c).toUcs4());
    } else {
      widthFolded.append(c);
    }
  }
  QList<uint> bare;
  for (uint c : fromPoints(widthFolded).normalized(QString::NormalizationForm_D).toUcs4()) {
    if (QChar::category(c) != QChar::Mark_NonSpacing) bare.append(c);
  }
  const QString folded = fromPoints(bare).toCaseFolded().normalized(QString::NormalizationForm_C);

  QString key;
  QList<uint> word;
  const auto flush = [&] {
    if (word.isEmpty()) return;
    if (!key.isEmpty()) key += QLatin1Char(' ');
    key += fromPoints(word);
    word.clear();
  };
  for (uint c : folded.toUcs4()) {
    if (QChar::isSpace(c)) {
      flush();
    } else {
      word.append(c);
    }
  }
  flush();
  return key;
}

QString cleanedStoreName(const QString& text) {
  QList<uint> visible;
  for (uint c : text.toUcs4()) {
    if (isLineBreak(c)) {
      visible.append(uint(' '));
    } else if (!isHidden(c)) {
      visible.append(c);
    }
  }
  const QString trimmed = fromPoints(visible).trimmed();
  if (trimmed.isEmpty()) return {};
  const QString probe = linkProbe(trimmed);
  if (probe.contains(QLatin1String("http")) || probe.contains(QLatin1String("www.")) || probe.contains(QLatin1Char('@'))) {
    return {};
  }
  return firstCharacters(trimmed, 60);
}

QString flagEmoji(const QString& regionCode) {
  QList<uint> flags;
  for (uint c : regionCode.toUpper().toUcs4()) {
    const uint moved = c + 0x1F1A5;
    if (moved <= 0x10FFFF) flags.append(moved);
  }
  return fromPoints(flags);
}

bool isCapitalCode(const QString& text, qsizetype length) {
  if (text.size() != length) return false;
  for (QChar c : text) {
    if (c < QLatin1Char('A') || c > QLatin1Char('Z')) return false;
  }
  return true;
}

QString firstCharacters(const QString& text, int count) {
  QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
  int seen = 0;
  qsizetype end = 0;
  while (seen < count) {
    const qsizetype next = finder.toNextBoundary();
    if (next < 0) return text;
    end = next;
    ++seen;
  }
  return text.left(end);
}

int characterCount(const QString& text) {
  QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
  int count = 0;
  while (finder.toNextBoundary() >= 0) ++count;
  return count;
}

}  // namespace tessorin
