#pragma once
// The price field of the purchase panel: reading what the user typed, and writing a
// stored price back into the field. Pure; callable from any thread.

#include <optional>

#include <QString>

namespace tessorin {

// A price only for one plain decimal number (an optional sign, digits with at most one
// point, an optional exponent; a comma counts as the point) whose value is finite and
// not below zero. Anything else, including "inf", "nan", hexadecimal numbers, white space
// around the number and numbers beyond a double's range, gives none: a stored price must
// stay a number that JSON can hold.
std::optional<double> readPrice(const QString& text);

// The shortest text without grouping or exponent that reads back to the same price, with
// the locale's decimal comma where it uses one, and as many decimals as the currency
// writes where it has fewer ("23.50" euros; yen have none); a currency ICU does not know
// adds none.
QString writtenPrice(double price, const QString& currencyCode = {});

}  // namespace tessorin
