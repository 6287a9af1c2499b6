#pragma once
// The text rules of store reports: the store key that groups and searches reports, the
// cleaned one-line text that goes into a shared report (store, city and brand), and the
// flag of a region code. The same functions serve sharing, reading, searching and the
// server's validation, so a key never depends on who computed it. Pure functions,
// callable from any thread.

#include <QString>

namespace tessorin {

// Case, diacritics and character width folded, split at white space, joined by single
// spaces.
QString normalizedStoreKey(const QString& text);

// One line, trimmed, cut to 60 user-perceived characters; the empty string for a blank
// text or one that holds a link or an e-mail sign, however it is disguised (full-width
// or small forms, hidden format characters, reversed display).
QString cleanedStoreName(const QString& text);

// Each character moved to the regional indicator block, so that "PT" gives its flag.
QString flagEmoji(const QString& regionCode);

// Exactly `length` letters from A to Z: the form of region and currency codes.
bool isCapitalCode(const QString& text, qsizetype length);

// The first `count` user-perceived characters of text, and how many text holds.
QString firstCharacters(const QString& text, int count);
int characterCount(const QString& text);

}  // namespace tessorin
