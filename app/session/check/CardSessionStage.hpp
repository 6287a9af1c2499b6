#pragma once
// CardSessionStage (`CardSession::Stage`): where a card's check stands, with its payload:
// the latest quick-check progress, the advanced test's phase, or whether the card is out
// during the reinsertion wait. Busy stages (quick, full, reinsert, decision, erasing)
// keep the card; idle and finished are at rest. Two stages are equal when their kinds
// and payloads are, so repeating a progress value wakes nobody. A plain value.

#include "tessorin/full/FullTest.hpp"
#include "tessorin/zone/QuickProbeProgress.hpp"

namespace tessorin {

struct CardSessionStage {
  enum class Kind { quick, full, reinsert, idle, decision, erasing, finished };

  Kind kind = Kind::idle;
  QuickProbeProgress progress;  // quick only
  FullTest::Progress::Phase phase = FullTest::Progress::Phase::preparing;  // full only
  bool cardOut = false;         // reinsert only

  static CardSessionStage quick(QuickProbeProgress progress) { return {Kind::quick, std::move(progress), {}, false}; }
  static CardSessionStage full(FullTest::Progress::Phase phase) { return {Kind::full, {}, phase, false}; }
  static CardSessionStage reinsert(bool cardOut) { return {Kind::reinsert, {}, {}, cardOut}; }
  static CardSessionStage idle() { return {Kind::idle, {}, {}, false}; }
  static CardSessionStage decision() { return {Kind::decision, {}, {}, false}; }
  static CardSessionStage erasing() { return {Kind::erasing, {}, {}, false}; }
  static CardSessionStage finished() { return {Kind::finished, {}, {}, false}; }

  bool isBusy() const { return kind != Kind::idle && kind != Kind::finished; }
  bool isAtRest() const { return !isBusy(); }

  friend bool operator==(const CardSessionStage& a, const CardSessionStage& b) {
    if (a.kind != b.kind) return false;
    switch (a.kind) {
      case Kind::quick: return a.progress == b.progress;
      case Kind::full: return a.phase == b.phase;
      case Kind::reinsert: return a.cardOut == b.cardOut;
      default: return true;
    }
  }
};

}  // namespace tessorin
