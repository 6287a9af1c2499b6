#include "shell/window/SidebarCardList.hpp"

#include <set>

namespace tessorin {

void SidebarCardList::setModel(AppModel* model) {
  if (model == model_) return;
  if (model_) disconnect(model_, nullptr, this, nullptr);
  model_ = model;
  if (model_) connect(model_, &AppModel::sessionsChanged, this, &SidebarCardList::follow);
  follow();
}

int SidebarCardList::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant SidebarCardList::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() < 0 || index.row() >= rowCount()) return {};
  const Row& row = rows_[static_cast<std::size_t>(index.row())];
  switch (role) {
    case sessionRole:
      return QVariant::fromValue<QObject*>(row.session.data());
    case cardIdRole:
      return QString::fromStdString(row.cardId);
    default:
      return {};
  }
}

QHash<int, QByteArray> SidebarCardList::roleNames() const { return {{sessionRole, "session"}, {cardIdRole, "cardId"}}; }

int SidebarCardList::rowOf(const std::string& cardId, std::size_t from) const {
  for (std::size_t row = from; row < rows_.size(); ++row) {
    if (rows_[row].cardId == cardId) return static_cast<int>(row);
  }
  return -1;
}

void SidebarCardList::follow() {
  std::vector<CardSession*> next;
  if (model_) next = model_->sessions();
  std::set<std::string> nextIds;
  for (const CardSession* session : next) nextIds.insert(session->id());

  for (int row = rowCount() - 1; row >= 0; --row) {
    if (nextIds.count(rows_[static_cast<std::size_t>(row)].cardId) > 0) continue;
    beginRemoveRows({}, row, row);
    rows_.erase(rows_.begin() + row);
    endRemoveRows();
  }
  for (std::size_t at = 0; at < next.size(); ++at) {
    CardSession* session = next[at];
    const int row = static_cast<int>(at);
    const int found = rowOf(session->id(), at);
    if (found < 0) {
      beginInsertRows({}, row, row);
      rows_.insert(rows_.begin() + row, Row{session->id(), session});
      endInsertRows();
      continue;
    }
    if (found != row) {
      beginMoveRows({}, found, found, {}, row);
      Row moved = std::move(rows_[static_cast<std::size_t>(found)]);
      rows_.erase(rows_.begin() + found);
      rows_.insert(rows_.begin() + row, std::move(moved));
      endMoveRows();
    }
    if (rows_[at].session != session) {
      rows_[at].session = session;
      Q_EMIT dataChanged(index(row), index(row), {sessionRole});
    }
  }
}

}  // namespace tessorin
