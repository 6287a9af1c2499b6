#include "shell/window/HistoryViewModel.hpp"

#include <QFileInfo>

namespace tessorin {

HistoryViewModel::HistoryViewModel(QObject* parent) : QAbstractListModel(parent) {}

void HistoryViewModel::setHistory(QObject* history) {
  auto* next = qobject_cast<History*>(history);
  if (next == history_) return;
  if (history_) disconnect(history_, nullptr, this, nullptr);
  history_ = next;
  if (history_) {
    connect(history_, &History::recordsChanged, this, &HistoryViewModel::reload);
    connect(history_, &History::loadedChanged, this, &HistoryViewModel::reload);
    connect(history_, &QObject::destroyed, this, &HistoryViewModel::reload);
    connect(history_, &History::noticeChanged, this, &HistoryViewModel::noticeChanged);
    connect(history_, &History::saveErrorChanged, this, &HistoryViewModel::saveErrorChanged);
  }
  reload();
  Q_EMIT historyChanged();
  Q_EMIT noticeChanged();
  Q_EMIT saveErrorChanged();
}

QUrl HistoryViewModel::noticeFolder() const {
  const QString file = noticeFile();
  return file.isEmpty() ? QUrl() : QUrl::fromLocalFile(QFileInfo(file).absolutePath());
}

void HistoryViewModel::dismissSaveError() {
  if (history_) history_->dismissSaveError();
}

void HistoryViewModel::dismissNotice() {
  if (history_) history_->dismissNotice();
}

// A whole reset: records are added at the front, replaced in place and removed anywhere,
// and the list view builds only the rows on screen again.
void HistoryViewModel::reload() {
  const bool wasEmpty = empty();
  beginResetModel();
  // Until its file is read, a history is not known to be empty.
  loading_ = history_ && !history_->loaded();
  count_ = history_ ? static_cast<int>(history_->records().size()) : 0;
  endResetModel();
  if (wasEmpty != empty()) Q_EMIT emptyChanged();
}

int HistoryViewModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : count_; }

QVariant HistoryViewModel::data(const QModelIndex& index, int role) const {
  if (!history_ || !index.isValid() || index.row() >= static_cast<int>(history_->records().size())) return {};
  const CheckRecord& record = history_->records()[static_cast<std::size_t>(index.row())];
  switch (role) {
    case RecordRole:
      return QVariant::fromValue(record);
    case RecordIdRole:
      return record.id.toString(QUuid::WithoutBraces);
    default:
      return {};
  }
}

QHash<int, QByteArray> HistoryViewModel::roleNames() const {
  return {{RecordRole, "record"}, {RecordIdRole, "recordId"}};
}

}  // namespace tessorin
