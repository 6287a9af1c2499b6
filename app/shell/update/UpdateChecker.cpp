#include "shell/update/UpdateChecker.hpp"

#include "shell/update/FeedDownload.hpp"
#include "shell/update/feed/FeedEnvelope.hpp"

namespace tessorin {

UpdateChecker::UpdateChecker(UpdatePublicKey key, QUrl feedUrl, AppVersion runningVersion,
                             std::chrono::milliseconds timeout, QObject* parent)
    : QObject(parent),
      key_(key),
      feedUrl_(std::move(feedUrl)),
      runningVersion_(std::move(runningVersion)),
      timeout_(timeout) {}

UpdateChecker::~UpdateChecker() {
  ++generation_;
  if (reply_) reply_->abort();
}

void UpdateChecker::checkForUpdates() {
  if (running_) return;
  const quint64 generation = ++generation_;
  setRunning(true);
  setCheck(UpdateCheck{UpdateCheck::Phase::checking, runningVersion_.text(), std::nullopt, std::nullopt});
  run(generation);
}

void UpdateChecker::dismiss() {
  ++generation_;
  if (reply_) reply_->abort();
  setRunning(false);
  setCheck(std::nullopt);
}

QCoro::Task<> UpdateChecker::run(quint64 generation) {
  QPointer<UpdateChecker> self(this);
  reply_ = FeedDownload::start(network_, feedUrl_);
  const FeedDownload download = co_await FeedDownload::receive(reply_, timeout_);
  if (!self || generation != generation_) co_return;

  UpdateCheck check{UpdateCheck::Phase::failed, runningVersion_.text(), std::nullopt, download.failure};
  check.status = download.status;
  if (!download.failure) check = judge(download.bytes);
  setRunning(false);
  setCheck(std::move(check));
}

UpdateCheck UpdateChecker::judge(const QByteArray& envelopeBytes) const {
  UpdateCheck check{UpdateCheck::Phase::failed, runningVersion_.text(), std::nullopt, std::nullopt};
  const auto envelope = FeedEnvelope::parse(envelopeBytes);
  if (!envelope) {
    check.failure = UpdateFailure::unreadable;
    return check;
  }
  if (!envelope->isSignedBy(key_)) {
    check.failure = UpdateFailure::forged;
    return check;
  }
  auto feed = UpdateFeed::parse(envelope->feed);
  if (!feed) {
    check.failure = UpdateFailure::unreadable;
    return check;
  }
  if (feed->version > runningVersion_) {
    check.phase = UpdateCheck::Phase::available;
    check.feed = std::move(feed);
  } else {
    check.phase = UpdateCheck::Phase::upToDate;
  }
  return check;
}

void UpdateChecker::setCheck(std::optional<UpdateCheck> check) {
  check_ = std::move(check);
  Q_EMIT checkChanged();
}

void UpdateChecker::setRunning(bool running) {
  if (running_ == running) return;
  running_ = running;
  Q_EMIT canCheckForUpdatesChanged(!running_);
}

}  // namespace tessorin
