#pragma once
// OutcomeNotes: the notes under a finished check's verdict, in their fixed order: the
// X-ray doubting the card's identity, a test that covered under half of the card, probes
// that vanished after reading back, a read-back that may have come from this computer's
// memory instead of the card (or, for a fake, what that left unmeasured), an advanced
// test that was stopped, a quick check the file system ruled out, and a card that
// stopped accepting data, with whether it turned read-only or loses data. Pure.

#include <optional>
#include <vector>

#include <QCoreApplication>

#include "results/outcome/OutcomeNote.hpp"
#include "session/records/CheckOutcome.hpp"
#include "tessorin/identity/XRayReport.hpp"
#include "tessorin/pattern/QuickProbeUnsupported.hpp"
#include "tessorin/pattern/WriteRefusal.hpp"

namespace tessorin {

class OutcomeNotes {
  Q_DECLARE_TR_FUNCTIONS(OutcomeNotes)

 public:
  // liveXRay is the X-ray of the card as it is now, with the brand now on its label: a
  // doubt the user has since cleared (another brand chosen) is no longer noted.
  static std::vector<OutcomeNote> make(const CheckOutcome& outcome,
                                       const std::optional<QuickProbeUnsupported>& quickSkipped,
                                       const XRayReport& liveXRay);

  // The first note's wording, or nothing when it does not show.
  static std::optional<QString> identityDoubt(const CheckOutcome& outcome, const XRayReport& liveXRay);

 private:
  // Where the card stopped taking data (after `took` bytes, 0 included), then what that
  // means for the files on it.
  static void addStoppedAccepting(std::vector<OutcomeNote>& notes, std::uint64_t took, WriteRefusal refusal);
  // What a read-back through this computer's copy of the card leaves open.
  static OutcomeNote readBackFromMemory(const CheckOutcome& outcome);
};

}  // namespace tessorin
