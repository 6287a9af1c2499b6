#pragma once
// withIndefiniteArticle: "a 16 GB", "an 8 GB": the English article in front of an amount
// that starts with a number, chosen by how the number is spoken ("an eight", "an
// eleven", "an eighteen", "an eighty…", "an eight hundred…"), not by how it is written.
// The two forms go through tr(), so another language puts its own words there. Pure
// functions, callable from any thread.

#include <QString>

namespace tessorin {

// Whether the number at the start of text (digits, with grouping commas and a decimal
// part) is spoken starting with a vowel sound in English. False when text does not start
// with a digit.
bool spokenWithVowelSound(const QString& text);

QString withIndefiniteArticle(const QString& amount);

}  // namespace tessorin
