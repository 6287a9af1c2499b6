#include "card/progress/CardSilence.hpp"

#include "session/check/CardSession.hpp"

namespace tessorin::card_silence {

namespace {

Clock& clock() {
  static Clock current;
  return current;
}

}  // namespace

void setClock(Clock replacement) { clock() = std::move(replacement); }

QDateTime now() { return clock() ? clock()() : QDateTime::currentDateTimeUtc(); }

double secondsSinceLastProgress(const CardSession& session) {
  return static_cast<double>(session.lastProgress().msecsTo(now())) / 1000.0;
}

bool isSilent(double elapsedSeconds) { return elapsedSeconds > limitSeconds; }

bool isSilent(const CardSession& session) { return isSilent(secondsSinceLastProgress(session)); }

}  // namespace tessorin::card_silence
