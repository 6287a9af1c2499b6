#include "card/progress/SessionFindings.hpp"

#include "session/check/CardSession.hpp"

namespace tessorin::session_findings {

std::optional<ProvisionalBannerInput> bannerInput(const CardSession& session, bool advancedTestUnderWay) {
  if (!session.quickResult()) return std::nullopt;
  return ProvisionalBannerInput{*session.quickResult(), advancedTestUnderWay};
}

std::optional<SpeedSummaryInput> speedSummaryInput(const CardSession& session) {
  const std::optional<ZoneResult> zone = session.quickZoneResult();
  // Read back through this computer's copy, the zone shows nothing of what the card kept,
  // so its writes earn no marking until the advanced test has read the card itself.
  if (!zone || !zone->readBackReachedCard) return std::nullopt;
  SpeedSummaryInput input;
  input.zone = *zone;
  input.rating = SpeedRating::rate(*zone, session.readerBestBefore());
  input.isSDCard = !session.isUSBDrive();
  if (session.device().usb) input.usbLink = session.device().usb->linkSpeed;
  if (session.quickResult()) input.refusal = session.quickResult()->writeRefusal();
  return input;
}

}  // namespace tessorin::session_findings
