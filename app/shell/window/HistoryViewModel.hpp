#pragma once
// HistoryViewModel: the history page's list: one row per kept check, newest first, each
// row's record (a CheckRecord in a QVariant) for its HistoryRowModel, the page's
// empty state (never while the history file is still being read), and what the history
// says of its file (a notice, a failed save). The list follows the history's records as
// they change. Main thread; the history is held weakly.

#include <QAbstractListModel>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

#include "session/records/History.hpp"

namespace tessorin {

class HistoryViewModel : public QAbstractListModel {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(QObject* history READ history WRITE setHistory NOTIFY historyChanged)
  Q_PROPERTY(bool empty READ empty NOTIFY emptyChanged)
  Q_PROPERTY(QString title READ title CONSTANT)
  Q_PROPERTY(QString emptyTitle READ emptyTitle CONSTANT)
  Q_PROPERTY(QString emptyDescription READ emptyDescription CONSTANT)
  Q_PROPERTY(QString notice READ notice NOTIFY noticeChanged)
  Q_PROPERTY(QString saveError READ saveError NOTIFY saveErrorChanged)
  Q_PROPERTY(QString saveErrorDetail READ saveErrorDetail NOTIFY saveErrorChanged)
  Q_PROPERTY(QString dismissNoticeLabel READ dismissNoticeLabel CONSTANT)
  // The file the notice speaks of, for a tooltip, and its folder, for "Show in Files".
  Q_PROPERTY(QString noticeFile READ noticeFile NOTIFY noticeChanged)
  Q_PROPERTY(QUrl noticeFolder READ noticeFolder NOTIFY noticeChanged)
  Q_PROPERTY(QString showNoticeFileLabel READ showNoticeFileLabel CONSTANT)

 public:
  enum Role { RecordRole = Qt::UserRole + 1, RecordIdRole };

  explicit HistoryViewModel(QObject* parent = nullptr);

  QObject* history() const { return history_; }
  void setHistory(QObject* history);
  bool empty() const { return count_ == 0 && !loading_; }
  QString title() const { return tr("History"); }
  QString emptyTitle() const { return tr("No checks yet"); }
  QString emptyDescription() const { return tr("Every card you check is listed here, with where you bought it."); }
  // What the history has to tell about its file, until read; and why the last save failed.
  QString notice() const { return history_ ? history_->notice() : QString(); }
  QString saveError() const { return history_ ? history_->saveError() : QString(); }
  QString saveErrorDetail() const { return history_ ? history_->saveErrorDetail() : QString(); }
  QString dismissNoticeLabel() const { return tr("OK"); }
  QString noticeFile() const { return history_ ? history_->noticeFile() : QString(); }
  QUrl noticeFolder() const;
  QString showNoticeFileLabel() const { return tr("Show in Files"); }
  Q_INVOKABLE void dismissNotice();
  Q_INVOKABLE void dismissSaveError();

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QHash<int, QByteArray> roleNames() const override;

 Q_SIGNALS:
  void historyChanged();
  void emptyChanged();
  void noticeChanged();
  void saveErrorChanged();

 private:
  void reload();

  QPointer<History> history_;
  int count_ = 0;
  bool loading_ = false;
};

}  // namespace tessorin
