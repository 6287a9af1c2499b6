#pragma once
// SessionFindings: what the quick-check and advanced-test panels both show of a session's
// quick check above their own figures: the provisional banner of its quick result and
// the speed box of its zone result, rated with the reader's ceiling from before the
// check. Pure functions of the session's state; main thread, like the session.

#include <optional>

#include "card/progress/ProvisionalBannerInput.hpp"
#include "card/charts/SpeedSummaryInput.hpp"

namespace tessorin {

class CardSession;

namespace session_findings {

std::optional<ProvisionalBannerInput> bannerInput(const CardSession& session, bool advancedTestUnderWay);
std::optional<SpeedSummaryInput> speedSummaryInput(const CardSession& session);

}  // namespace session_findings
}  // namespace tessorin
