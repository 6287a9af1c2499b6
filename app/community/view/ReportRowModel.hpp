#pragma once
// ReportRowModel: the presenter of ReportRow.qml, one store report in an open store card:
// its two lines (what was bought and what the check found; where, for how much, when and
// by which check), the verdict's symbol and colour, and the report menu, whose items
// flag the report or hide its author through the community store. Main thread.

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

#include "community/store/CommunityStore.hpp"
#include "community/store/StoreReport.hpp"

namespace tessorin {

class ReportRowModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(QVariant report READ reportValue WRITE setReportValue NOTIFY reportChanged)
  Q_PROPERTY(QObject* store READ storeObject WRITE setStore NOTIFY storeChanged)
  Q_PROPERTY(QString title READ title NOTIFY reportChanged)
  Q_PROPERTY(QString detail READ detail NOTIFY reportChanged)
  Q_PROPERTY(QString verdictSymbol READ verdictSymbol NOTIFY reportChanged)
  Q_PROPERTY(QColor verdictColor READ verdictColor NOTIFY reportChanged)
  Q_PROPERTY(bool canBlock READ canBlock NOTIFY reportChanged)
  Q_PROPERTY(QString flagLabel READ flagLabel CONSTANT)
  Q_PROPERTY(QString blockLabel READ blockLabel CONSTANT)

 public:
  using QObject::QObject;

  const StoreReport& report() const { return report_; }
  void setReport(StoreReport report);
  QVariant reportValue() const { return QVariant::fromValue(report_); }
  void setReportValue(const QVariant& report) { setReport(report.value<StoreReport>()); }
  QObject* storeObject() const { return store_; }
  void setStore(QObject* store);

  // "SanDisk 64 GB — Fake", or for a fake that was measured "SanDisk 64 GB — really 7 GB".
  static QString titleOf(const StoreReport& report);
  // "Lisbon, Portugal · €12.50 · Nov 14, 2023 · quick check": the pieces present.
  static QString detailOf(const StoreReport& report);

  QString title() const { return titleOf(report_); }
  QString detail() const { return detailOf(report_); }
  QString verdictSymbol() const;
  QColor verdictColor() const;
  // Only a report with an author can have its author hidden.
  bool canBlock() const { return report_.author.has_value(); }
  QString flagLabel() const { return tr("Report as False or Abusive"); }
  QString blockLabel() const { return tr("Hide Everything From This Person"); }

  // The report disappears as the click ends; the flag goes to the community on its own.
  Q_INVOKABLE void flag();
  Q_INVOKABLE void block();

 Q_SIGNALS:
  void reportChanged();
  void storeChanged();

 private:
  StoreReport report_;
  QPointer<CommunityStore> store_;
};

}  // namespace tessorin
