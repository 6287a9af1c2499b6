#include "card/progress/ProgressPanelModel.hpp"

#include "card/progress/CardSilence.hpp"
#include "card/progress/CoalescedRecompute.hpp"
#include "session/check/CardSession.hpp"

namespace tessorin {

ProgressPanelModel::ProgressPanelModel(QObject* parent)
    : QObject(parent), recompute_(new CoalescedRecompute([this] { recompute(); }, this)) {
  silenceTimer_.setInterval(1000);
  connect(&silenceTimer_, &QTimer::timeout, this, &ProgressPanelModel::lookForSilence);
}

ProgressPanelModel::~ProgressPanelModel() = default;

QObject* ProgressPanelModel::session() const { return session_; }

void ProgressPanelModel::setSession(QObject* object) {
  auto* session = qobject_cast<CardSession*>(object);
  if (session == session_) return;
  if (session_) recompute_->forget(session_);
  session_ = session;
  if (session_) {
    // The engine's own clock, the one the window's motions step to.
    if (MotionClock* clock = MotionClock::of(this)) recompute_->paceWith(clock);
    follow(*recompute_, *session_);
    // A report equal to the last one moves only this, and ends a silence all the same.
    recompute_->follow(session_.data(), &CardSession::lastProgressChanged);
    silenceTimer_.start();
  } else {
    silenceTimer_.stop();
  }
  Q_EMIT sessionChanged();
  recompute_->runNow();
}

QVariantList ProgressPanelModel::figures() const {
  QVariantList list;
  for (const MetricValue& metric : common().figures) list.append(QVariant::fromValue(metric));
  return list;
}

int ProgressPanelModel::recomputations() const { return recompute_->count(); }

void ProgressPanelModel::lookForSilence() {
  if (session_ && card_silence::isSilent(*session_) != common().silent) recompute_->schedule();
}

void ProgressPanelModel::recompute() {
  if (refresh(session_.data())) Q_EMIT changed();
}

}  // namespace tessorin
