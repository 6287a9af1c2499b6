#pragma once
// VerdictHeadlineInput: what a verdict headline is built from, handed by its parent
// presenter (the outcome panel, the decision panel) through QML as one value. Byte
// counts stay C++ integers on the way: a QML number is exact only to 2^53 and has no
// "absent". A plain value.

#include <cstdint>
#include <optional>

#include <QMetaType>
#include <QtQml/qqmlregistration.h>

#include "session/records/CheckOutcome.hpp"
#include "tessorin/pattern/WriteRefusal.hpp"

namespace tessorin {

struct VerdictHeadlineInput {
  Q_GADGET
  QML_VALUE_TYPE(verdictHeadlineInput)

 public:
  CheckOutcome::Verdict verdict = CheckOutcome::Verdict::inconclusive;
  // What the card holds as far as known; the lower end when only a range is known.
  std::optional<std::uint64_t> realBytes;
  // Where saved data starts to be lost, given only for a range too wide to state as one figure.
  std::optional<std::uint64_t> lostFrom;
  std::uint64_t advertisedBytes = 0;
  CheckOutcome::Method method = CheckOutcome::Method::quick;
  // Written and read back by the advanced test; absent when it did not run.
  std::optional<std::uint64_t> testedBytes;
  // A damaged card that stopped accepting writes: whether it kept what it took.
  WriteRefusal refusal = WriteRefusal::none;
  // The advanced test wrote only part of the card, so `testedBytes` is all it vouches for.
  bool partlyTested = false;
  // The card stopped answering while its speed was measured, and no advanced test judged
  // it after: nothing came back at all, corrupted or not.
  bool stoppedAnswering = false;
  // Bytes the advanced test got back empty. A read-back that may have come from this
  // computer's copy confirms nothing it read intact, but these the card lost itself.
  std::uint64_t cameBackEmpty = 0;
  // A USB drive is called a drive, not a card.
  bool isUSBDrive = false;
  // Bytes the advanced test got back other than written (meant for elsewhere, corrupted,
  // unreadable): that copy holds what was written, so the card lost these too.
  std::uint64_t cameBackWrong = 0;

  friend bool operator==(const VerdictHeadlineInput& a, const VerdictHeadlineInput& b) {
    return a.verdict == b.verdict && a.realBytes == b.realBytes && a.lostFrom == b.lostFrom &&
           a.advertisedBytes == b.advertisedBytes && a.method == b.method && a.testedBytes == b.testedBytes &&
           a.partlyTested == b.partlyTested && a.refusal == b.refusal && a.stoppedAnswering == b.stoppedAnswering &&
           a.cameBackEmpty == b.cameBackEmpty && a.isUSBDrive == b.isUSBDrive && a.cameBackWrong == b.cameBackWrong;
  }
};

}  // namespace tessorin
