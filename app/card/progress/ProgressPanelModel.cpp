#include "card/progress/ProgressPanelModel.hpp"

#include "card/progress/CoalescedRecompute.hpp"
#include "session/check/CardSession.hpp"

namespace tessorin {

ProgressPanelModel::ProgressPanelModel(QObject* parent)
    : QObject(parent), recompute_(new CoalescedRecompute([this] { recompute(); }, this)) {}

ProgressPanelModel::~ProgressPanelModel() = default;

QObject* ProgressPanelModel::session() const { return session_; }

void ProgressPanelModel::setSession(QObject* object) {
  auto* session = qobject_cast<CardSession*>(object);
  if (session == session_) return;
  if (session_) recompute_->forget(session_);
  session_ = session;
  if (session_) follow(*recompute_, *session_);
  Q_EMIT sessionChanged();
  recompute_->runNow();
}

QVariantList ProgressPanelModel::figures() const {
  QVariantList list;
  for (const MetricValue& metric : common().figures) list.append(QVariant::fromValue(metric));
  return list;
}

int ProgressPanelModel::recomputations() const { return recompute_->count(); }

void ProgressPanelModel::recompute() {
  if (refresh(session_.data())) Q_EMIT changed();
}

}  // namespace tessorin
