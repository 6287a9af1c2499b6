#pragma once
// FinishedCheckSeam: ends a card session's check with engine results made in a test, the
// way its roads end one: the results are stored as the roads store them and the session's
// own `finish` builds the outcome and the record. For states a loop volume cannot reach
// (a 1 TB fake, a card that stalls); everything after the engine is the real session.
// Main thread; only for targets that link the session.

#include <optional>

#include "session/check/CardSession.hpp"

namespace tessorin {

struct FinishedCheckSeam {
  struct Results {
    std::optional<QuickProbeResult> quick{};
    std::optional<ZoneResult> zone{};  // a speed zone run apart from the quick check
    std::optional<FullTestResult> full{};
    bool fullStopped = false;
    std::optional<QuickProbeUnsupported> quickSkipped{};
    std::optional<double> readerBestBefore{};
  };

  static void finish(CardSession& session, Results results) {
    session.quickResult_ = std::move(results.quick);
    session.zoneResult_ = std::move(results.zone);
    session.fullResult_ = std::move(results.full);
    session.fullStopped_ = results.fullStopped;
    session.quickSkipped_ = std::move(results.quickSkipped);
    session.readerBestBefore_ = results.readerBestBefore;
    session.finish();
  }

  // The reinsertion wait of a check whose read-back only a reinsertion lets reach the
  // card (an ordinary user on a FUSE volume), for a process that may drop every cache.
  static void awaitRequiredReinsertion(CardSession& session) {
    session.setStage(CardSessionStage::reinsert(false));
    session.assignAlways(session.reinsertWait_, std::make_shared<ReinsertWait>(true), &CardSession::reinsertWaitChanged);
  }

  // The moment between a finished outcome and its history record, which the session
  // otherwise never shows: for the views that wait for the record.
  static void forgetRecord(CardSession& session) {
    session.assign(session.record_, std::optional<CheckRecord>(), &CardSession::recordChanged);
  }
};

}  // namespace tessorin
