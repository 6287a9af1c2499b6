#pragma once
// SidebarCardList: the sidebar's card rows as a list model, one row per session in the
// application model's order, keyed by card id. A rescan is applied as the removals,
// moves and insertions it amounts to, never as a new list: the row of a card that stays
// is the same row (its delegate, and the keyboard's focus on it, stay too), and a card
// whose session was made anew keeps its row with the new session. Main thread; the
// model is held weakly.

#include <string>
#include <vector>

#include <QAbstractListModel>
#include <QPointer>

#include "session/AppModel.hpp"

namespace tessorin {

class SidebarCardList : public QAbstractListModel {
  Q_OBJECT

 public:
  enum Role { sessionRole = Qt::UserRole + 1, cardIdRole };

  using QAbstractListModel::QAbstractListModel;

  void setModel(AppModel* model);

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QHash<int, QByteArray> roleNames() const override;

 private:
  struct Row {
    std::string cardId;
    QPointer<CardSession> session;
  };

  void follow();
  int rowOf(const std::string& cardId, std::size_t from) const;

  QPointer<AppModel> model_;
  std::vector<Row> rows_;
};

}  // namespace tessorin
