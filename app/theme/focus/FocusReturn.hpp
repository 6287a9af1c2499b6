#pragma once
// FocusReturn: gives the control that opened a popup (a sheet, a question, a menu) the
// keyboard's focus back when the popup closes, with its ring when the keyboard had reached
// it. Qt hands the focus back to the window's content as if no key had moved it, so no
// ring shows, and a window without a content scope of its own leaves it nowhere. A popup
// opened from a menu's item finds that item gone with its menu: the control that opened
// the menu gets the focus back instead. The house's popups attach it:
//
//     T.Popup { FocusReturn.enabled: true }
//
// A dialog of QtQuick.Dialogs (a file dialog) attaches it itself, its own popup not being
// the house's, and notes the opener just before it opens the dialog: that popup has the
// focus before the dialog tells that it shows.
//
//     FileDialog { id: dialog; FocusReturn.enabled: true }
//     onTriggered: { dialog.FocusReturn.noteOpener(); dialog.open() }
//
// It leaves the focus alone when something else took it meanwhile: another popup that
// opened, or another control that shows its ring. Main thread.

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QQuickItem>
#include <QQuickWindow>
#include <QtQml/qqmlregistration.h>

namespace tessorin {

class FocusReturn : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("FocusReturn is only used as an attached property.")
  QML_ATTACHED(FocusReturn)
  Q_PROPERTY(bool enabled READ enabled WRITE setEnabled NOTIFY enabledChanged)

 public:
  explicit FocusReturn(QObject* popup);

  static FocusReturn* qmlAttachedProperties(QObject* popup) { return new FocusReturn(popup); }

  bool enabled() const { return enabled_; }
  void setEnabled(bool enabled);
  // Notes the control that has the focus now as the one to give it back to.
  Q_INVOKABLE void noteOpener();

 Q_SIGNALS:
  void enabledChanged();

 private Q_SLOTS:
  void giveBack();
  void dialogShownOrHidden();

 private:
  struct Returnee {
    QQuickItem* control = nullptr;
    bool ring = false;
  };
  Returnee returnee() const;
  QQuickWindow* window() const;

  QPointer<QObject> popup_;
  QMetaObject::Connection closingConnection_;
  QPointer<QQuickItem> opener_;
  bool openerRing_ = false;
  bool enabled_ = false;
};

}  // namespace tessorin
