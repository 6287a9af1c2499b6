#pragma once
// CardSilence: how long a session's card has gone without a progress report, and whether
// that is long enough to call the card silent: a card that stalls mid-write sends no
// reports, so its last speed and time left would stand still on screen as if they were
// live. Time is read through a replaceable clock (the current time unless replaced), so
// tests and the gallery can show any length of silence at once. Main thread.

#include <functional>

#include <QDateTime>

namespace tessorin {

class CardSession;

namespace card_silence {

using Clock = std::function<QDateTime()>;

// Slow cards pause for seconds between reports; past this the pause is worth a word.
constexpr double limitSeconds = 20;

// The clock of every reading from now on; none restores the current time.
void setClock(Clock clock);
QDateTime now();
double secondsSinceLastProgress(const CardSession& session);
bool isSilent(double elapsedSeconds);
bool isSilent(const CardSession& session);

}  // namespace card_silence
}  // namespace tessorin
