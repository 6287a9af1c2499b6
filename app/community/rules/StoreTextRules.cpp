#include "community/rules/StoreTextRules.hpp"

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

// Every code point of `text` in turn, a lone surrogate as U+FFFD. Walked here rather than
// taken from toUcs4(): Qt fills a list of a given size without checking that it got the
// memory, so on a server that ran out the list's first write ends the process, where a
// string that cannot grow throws and ends only its request.
template <typename Visit>
void forEachCodePoint(const QString& text, Visit visit) {
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text.at(i);
    if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
      visit(static_cast<uint>(QChar::surrogateToUcs4(c, text.at(++i))));
    } else {
      visit(c.isSurrogate() ? uint(QChar::ReplacementCharacter) : uint(c.unicode()));
    }
  }
}

void appendCodePoint(QString& text, uint c) {
  if (QChar::requiresSurrogates(c)) {
    text += QChar(QChar::highSurrogate(c));
    text += QChar(QChar::lowSurrogate(c));
  } else {
    text += QChar(static_cast<char16_t>(c));
  }
}

// What the link test reads: compatibility forms folded (full-width "ｈｔｔｐ", small "﹫"),
// case folded, with every format character gone.
QString linkProbe(const QString& text) {
  const QString folded =
      text.normalized(QString::NormalizationForm_KC).toCaseFolded().normalized(QString::NormalizationForm_KC);
  QString kept;
  forEachCodePoint(folded, [&kept](uint c) {
    if (QChar::category(c) != QChar::Other_Format) appendCodePoint(kept, c);
  });
  return kept;
}

}  // namespace

QString normalizedStoreKey(const QString& text) {
  QString widthFolded;
  forEachCodePoint(text, [&widthFolded](uint c) {
    const QChar::Decomposition tag = QChar::decompositionTag(c);
    if (tag == QChar::Wide || tag == QChar::Narrow) {
      widthFolded += QChar::decomposition(c);
    } else {
      appendCodePoint(widthFolded, c);
    }
  });
  QString bare;
  forEachCodePoint(widthFolded.normalized(QString::NormalizationForm_D), [&bare](uint c) {
    if (QChar::category(c) != QChar::Mark_NonSpacing) appendCodePoint(bare, c);
  });
  const QString folded = bare.toCaseFolded().normalized(QString::NormalizationForm_C);

  QString key;
  QString word;
  const auto flush = [&] {
    if (word.isEmpty()) return;
    if (!key.isEmpty()) key += QLatin1Char(' ');
    key += word;
    word.clear();
  };
  forEachCodePoint(folded, [&](uint c) {
    if (QChar::isSpace(c)) {
      flush();
    } else {
      appendCodePoint(word, c);
    }
  });
  flush();
  return key;
}

QString cleanedStoreName(const QString& text) {
  QString visible;
  forEachCodePoint(text, [&visible](uint c) {
    if (isLineBreak(c)) {
      visible += QLatin1Char(' ');
    } else if (!isHidden(c)) {
      appendCodePoint(visible, c);
    }
  });
  const QString trimmed = visible.trimmed();
  if (trimmed.isEmpty()) return {};
  const QString probe = linkProbe(trimmed);
  if (probe.contains(QLatin1String("http")) || probe.contains(QLatin1String("www.")) || probe.contains(QLatin1Char('@'))) {
    return {};
  }
  return firstCharacters(trimmed, 60);
}

QString flagEmoji(const QString& regionCode) {
  QString flags;
  forEachCodePoint(regionCode.toUpper(), [&flags](uint c) {
    const uint moved = c + 0x1F1A5;
    if (moved <= 0x10FFFF) appendCodePoint(flags, moved);
  });
  return flags;
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
