#pragma once
// FocusKeeper: keeps the keyboard's focus on the rows of a list whose rows come and go
// under it. When the focused control itself goes (its row removed, or the whole list
// built anew), Qt leaves the focus on whatever scope held it, where no ring shows and
// from which Tab starts anywhere; the keeper instead hands it on, as Tab would, so that
// its ring shows. Attached to what makes the rows, a Repeater or a ListView:
//
//     Repeater { FocusKeeper.enabled: true; model: … }
//     ListView { FocusKeeper.enabled: true; model: … }
//
// Which control: in the row now at the lost one's place (the row that moved up into it,
// or the same item's row built anew), else in the row above it when the last row went,
// the control of the lost one's `objectName` or the row's first Tab stop; with no row
// left, the next stop of the window's Tab chain. Once the user moves the focus elsewhere,
// the keeper lets it be. Main thread.

#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QQuickItem>
#include <QQuickWindow>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace tessorin {

class FocusKeeper : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("FocusKeeper is only used as an attached property.")
  QML_ATTACHED(FocusKeeper)
  Q_PROPERTY(bool enabled READ enabled WRITE setEnabled NOTIFY enabledChanged)

 public:
  explicit FocusKeeper(QObject* attachee);

  static FocusKeeper* qmlAttachedProperties(QObject* attachee) { return new FocusKeeper(attachee); }

  bool enabled() const { return enabled_; }
  void setEnabled(bool enabled);

 Q_SIGNALS:
  void enabledChanged();

 private Q_SLOTS:
  // Follows the kept control's row as the rows before it come and go.
  void noteKeptRow();

 private:
  bool has(const char* signature) const;
  void watchWindow();
  void focusMoved();
  void keep(QQuickItem* control, int row);
  void forget();
  void keptChanged();
  void restoreSoon();
  void restore();
  QQuickItem* successor() const;

  bool holdsAStop(const QQuickItem* item) const;
  int rowCount() const;
  QQuickItem* row(int index) const;
  int rowHolding(const QQuickItem* item) const;
  QQuickItem* stopIn(QQuickItem* row) const;

  QPointer<QQuickItem> attachee_;
  QPointer<QQuickWindow> window_;
  QMetaObject::Connection focusConnection_;
  QPointer<QQuickItem> kept_;
  QList<QMetaObject::Connection> keptConnections_;
  QString keptName_;
  // The kept control's row, followed as rows come and go before it.
  int keptRow_ = -1;
  // Whether the focus was on a control of a row (kept_ may since have gone).
  bool tracking_ = false;
  bool restoring_ = false;
  bool enabled_ = false;
};

}  // namespace tessorin
