#include "results/xray/FactGridModel.hpp"

namespace tessorin {

void FactGridModel::setSession(CardSession* session) {
  if (session == session_) return;
  if (session_) disconnect(session_, nullptr, this, nullptr);
  session_ = session;
  if (session_) {
    connect(session_, &CardSession::deviceChanged, this, &FactGridModel::refresh);
    connect(session_, &CardSession::stageChanged, this, [this] {
      if (session_->stage().kind != shownStage_) refresh();
    });
  }
  refresh();
  Q_EMIT sessionChanged();
}

void FactGridModel::refresh() {
  QVariantList rows;
  if (session_) {
    shownStage_ = session_->stage().kind;
    for (const GridRow& row : rowsOf(*session_)) rows << QVariant::fromValue(row);
  }
  if (rows == rows_) return;
  rows_ = rows;
  Q_EMIT rowsChanged();
}

}  // namespace tessorin
