#include "session/check/CardSession.hpp"

#include <unistd.h>

#include <utility>

#include "session/check/Attempt.hpp"
#include "session/check/CardSessionSupport.hpp"
#include "session/check/WorkerAwaiter.hpp"
#include "session/errors/ErrorWording.hpp"
#include "session/system/CardEjector.hpp"

namespace tessorin {

namespace fs = std::filesystem;
using namespace session_support;

QCoro::Task<> CardSession::eject(fs::path volume) {
  RunningCoroutine running(this);
  ++ejectsRunning_;
  ExpectedCard card = ExpectedCard::of(device_);
  card.volume = std::move(volume);
  auto ejecting = attempt(onBackground("Tessorin eject", [card] { return CardEjector::eject(card); }));
  const Attempt<std::optional<std::string>> ejected = co_await ejecting;
  --ejectsRunning_;
  if (ejected.value && *ejected.value) reportEjectFailure(QString::fromStdString(**ejected.value));
}

void CardSession::startEject() {
  if (isEjecting()) return;
  // The coroutine starts at once and runs to its first suspension; its frame lives on
  // after the handle is dropped here.
  eject(device_.volumeURL);
}

void CardSession::reportEjectFailure(const QString& description) {
  setError(ErrorWording::ejectFailed(description, isUSBDrive()));
}

void CardSession::discardOutcome() {
  if (stage_.isBusy()) return;
  setStage(Stage::idle());
  assignAlways(outcome_, std::optional<CheckOutcome>(), &CardSession::outcomeChanged);
  assign(record_, std::optional<CheckRecord>(), &CardSession::recordChanged);
}

void CardSession::savePurchase(const Purchase& purchase) {
  if (!record_) return;
  CheckRecord copy = *record_;
  copy.purchase = purchase;
  copy.brand = claimedBrand_;
  copy.brandName = claimedBrand_ == Brand::other ? customBrandTrimmed() : std::nullopt;
  assign(record_, std::optional<CheckRecord>(copy), &CardSession::recordChanged);
  if (history_) history_->update(copy);
}

void CardSession::updateRecord(const QUuid& recordID, const std::string& sharedRecordName) {
  // The answer may come back after a newer check replaced the session's record: the
  // history entry of the shared record is updated, the session's only when it is that one.
  if (history_) history_->markShared(recordID, sharedRecordName);
  if (record_ && record_->id == recordID) {
    CheckRecord copy = *record_;
    copy.sharedRecordName = sharedRecordName;
    assign(record_, std::optional<CheckRecord>(copy), &CardSession::recordChanged);
  }
}

void CardSession::deleteTestFiles() {
  if (stage_.isBusy()) return;
  withVolumeAccess([this](std::shared_ptr<VolumeAccess> access) {
    if (!access) return setPermissionRequest(PermissionRequest::fresh(PermissionRequest::Action::removeLeftovers));
    removeLeftovers(std::move(access));
  });
}

}  // namespace tessorin
