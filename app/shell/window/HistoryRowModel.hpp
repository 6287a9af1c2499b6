#pragma once
// HistoryRowModel: one finished check of the history page: the verdict's seal and chip,
// the card's name and label size, the summary (brand, real size, speeds, method), where it
// was bought, when it finished and whether it was shared; and "Delete", which takes the
// record out of the history by its id. `record` is a CheckRecord in a QVariant, as the
// history list hands it over. Main thread; the history is held weakly.

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

#include "session/records/CheckRecord.hpp"
#include "session/records/History.hpp"

namespace tessorin {

class HistoryRowModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(QObject* history READ history WRITE setHistory NOTIFY historyChanged)
  Q_PROPERTY(QVariant record READ recordValue WRITE setRecord NOTIFY recordChanged)
  Q_PROPERTY(QString verdictSymbol READ verdictSymbol NOTIFY recordChanged)
  Q_PROPERTY(QColor verdictColor READ verdictColor NOTIFY recordChanged)
  Q_PROPERTY(QString verdictTitle READ verdictTitle NOTIFY recordChanged)
  Q_PROPERTY(QString cardName READ cardName NOTIFY recordChanged)
  Q_PROPERTY(QString capacity READ capacity NOTIFY recordChanged)
  Q_PROPERTY(QString summary READ summary NOTIFY recordChanged)
  Q_PROPERTY(bool hasStore READ hasStore NOTIFY recordChanged)
  Q_PROPERTY(QString storeText READ storeText NOTIFY recordChanged)
  Q_PROPERTY(QString dateText READ dateText NOTIFY recordChanged)
  Q_PROPERTY(bool shared READ shared NOTIFY recordChanged)
  Q_PROPERTY(QString sharedTitle READ sharedTitle CONSTANT)
  Q_PROPERTY(QString deleteTitle READ deleteTitle CONSTANT)

 public:
  explicit HistoryRowModel(QObject* parent = nullptr);

  QObject* history() const { return history_; }
  void setHistory(QObject* history);
  QVariant recordValue() const { return QVariant::fromValue(record_); }
  void setRecord(const QVariant& record);

  QString verdictSymbol() const;
  QColor verdictColor() const;
  QString verdictTitle() const;
  QString cardName() const { return QString::fromStdString(record_.cardName); }
  QString capacity() const;
  QString summary() const { return summary(record_); }
  bool hasStore() const { return hasStore(record_); }
  QString storeText() const { return hasStore() ? storeText(*record_.purchase) : QString(); }
  QString dateText() const { return dateText(record_.date); }
  bool shared() const { return record_.sharedRecordName.has_value(); }
  QString sharedTitle() const { return tr("Shared"); }
  QString deleteTitle() const { return tr("Delete"); }

  // Takes this row's record out of the history, without asking.
  Q_INVOKABLE void remove();

  // The pure rules, for tests.
  static QString summary(const CheckRecord& record);
  static bool hasStore(const CheckRecord& record);
  static QString storeText(const Purchase& purchase);
  static QString dateText(const QDateTime& date);

 Q_SIGNALS:
  void historyChanged();
  void recordChanged();

 private:
  QPointer<History> history_;
  CheckRecord record_;
};

}  // namespace tessorin
