#pragma once
// moneyText: an amount of money in the user's language, in any currency ICU knows (Qt
// 6.4 formats only the locale's own currency); in another code, the amount followed by
// the code as typed. Pure; callable from any thread.

#include <QString>

namespace tessorin {

// "" for an amount that is not finite.
QString moneyText(double amount, const QString& currencyCode);

}  // namespace tessorin
