#include "community/view/StoreSummaryList.hpp"

#include <unordered_set>

#include "community/view/ViewValues.hpp"

namespace tessorin {

int StoreSummaryList::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(summaries_.size());
}

QVariant StoreSummaryList::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() < 0 || index.row() >= rowCount()) return {};
  const StoreSummary& summary = summaries_[static_cast<std::size_t>(index.row())];
  switch (role) {
    case idRole:
      return summary.id;
    case summaryRole:
      return QVariant::fromValue(summary);
    case expandedRole:
      return expanded_.count(summary.id) > 0;
    default:
      return {};
  }
}

QHash<int, QByteArray> StoreSummaryList::roleNames() const {
  return {{idRole, "summaryId"}, {summaryRole, "summary"}, {expandedRole, "expanded"}};
}

void StoreSummaryList::setSummaries(std::vector<StoreSummary> summaries) {
  if (applyInPlace(summaries)) return;
  beginResetModel();
  summaries_ = std::move(summaries);
  endResetModel();
}

bool StoreSummaryList::applyInPlace(std::vector<StoreSummary>& next) {
  std::unordered_set<QString> nextIds;
  for (const StoreSummary& summary : next) nextIds.insert(summary.id);
  // The rows that stay must keep their order among themselves, each new row going in
  // between them; anything else is a reordering.
  std::vector<QString> staying;
  for (const StoreSummary& summary : summaries_) {
    if (nextIds.count(summary.id) > 0) staying.push_back(summary.id);
  }
  std::size_t matched = 0;
  for (const StoreSummary& summary : next) {
    if (matched < staying.size() && staying[matched] == summary.id) ++matched;
  }
  if (matched != staying.size()) return false;

  for (int row = rowCount() - 1; row >= 0; --row) {
    if (nextIds.count(summaries_[static_cast<std::size_t>(row)].id) > 0) continue;
    beginRemoveRows({}, row, row);
    summaries_.erase(summaries_.begin() + row);
    endRemoveRows();
  }
  for (std::size_t row = 0; row < next.size(); ++row) {
    const int at = static_cast<int>(row);
    if (row < summaries_.size() && summaries_[row].id == next[row].id) {
      if (!(summaries_[row] == next[row])) {
        summaries_[row] = std::move(next[row]);
        Q_EMIT dataChanged(index(at), index(at), {summaryRole});
      }
      continue;
    }
    beginInsertRows({}, at, at);
    summaries_.insert(summaries_.begin() + at, std::move(next[row]));
    endInsertRows();
  }
  return true;
}

void StoreSummaryList::setExpanded(const std::set<QString>& expanded) {
  for (std::size_t row = 0; row < summaries_.size(); ++row) {
    const QString& id = summaries_[row].id;
    if ((expanded_.count(id) > 0) == (expanded.count(id) > 0)) continue;
    const int at = static_cast<int>(row);
    expanded_ = expanded;
    Q_EMIT dataChanged(index(at), index(at), {expandedRole});
  }
  expanded_ = expanded;
}

}  // namespace tessorin
