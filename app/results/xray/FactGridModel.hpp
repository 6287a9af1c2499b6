#pragma once
// FactGridModel: what a two-column fact grid of a card shows, as rows of label and value
// worked out from the session by the grid's own model. It follows the session's device,
// and its stage from one stage to the next (a check that ends may have changed what the
// settings remember), and notifies only when the rows change. Main thread.

#include <QList>
#include <QObject>
#include <QPointer>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include "results/xray/GridRow.hpp"
#include "session/check/CardSession.hpp"

namespace tessorin {

class FactGridModel : public QObject {
  Q_OBJECT
  QML_ANONYMOUS
  Q_PROPERTY(tessorin::CardSession* session READ session WRITE setSession NOTIFY sessionChanged)
  Q_PROPERTY(QVariantList rows READ rows NOTIFY rowsChanged)

 public:
  using QObject::QObject;

  CardSession* session() const { return session_; }
  void setSession(CardSession* session);
  QVariantList rows() const { return rows_; }

 Q_SIGNALS:
  void sessionChanged();
  void rowsChanged();

 protected:
  virtual QList<GridRow> rowsOf(const CardSession& session) const = 0;

 private:
  void refresh();

  QPointer<CardSession> session_;
  // Progress within a stage changes no fact.
  CardSessionStage::Kind shownStage_ = CardSessionStage::Kind::idle;
  QVariantList rows_;
};

}  // namespace tessorin
