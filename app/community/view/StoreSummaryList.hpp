#pragma once
// StoreSummaryList: the community screen's store summaries as the list model its
// ListView builds cards from (only the cards in view are made), with whether each card
// is open. A new list is applied as removals, insertions and changes where its order
// allows, so that flagging a report in an open card deep in the list neither rebuilds
// nor scrolls the list; only a reordering resets it. Main thread.

#include <set>
#include <vector>

#include <QAbstractListModel>

#include "community/store/StoreSummary.hpp"

namespace tessorin {

class StoreSummaryList : public QAbstractListModel {
  Q_OBJECT

 public:
  enum Role { idRole = Qt::UserRole + 1, summaryRole, expandedRole };

  using QAbstractListModel::QAbstractListModel;

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QHash<int, QByteArray> roleNames() const override;

  const std::vector<StoreSummary>& summaries() const { return summaries_; }
  void setSummaries(std::vector<StoreSummary> summaries);
  // The ids of the open cards; an id stays when its card is out of the list.
  void setExpanded(const std::set<QString>& expanded);

 private:
  bool applyInPlace(std::vector<StoreSummary>& next);

  std::vector<StoreSummary> summaries_;
  std::set<QString> expanded_;
};

}  // namespace tessorin
