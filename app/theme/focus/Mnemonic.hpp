#pragma once
// Mnemonic: the underlined letter of a menu's title. A title names its letter with "&"
// ("&Help": Alt+H opens the menu, a shortcut Qt Quick's buttons take from their text
// themselves); "&&" is an ampersand. The letter shows underlined only while Alt is held in
// the application, as Qt's own menu bars show it:
//
//     Text { text: Mnemonic.styled(control.text, Mnemonic.shown); textFormat: Text.StyledText }
//
// The QML singleton watches Alt on the whole application (a window's own key events do not
// all reach it); the window losing the keyboard lets go of it. Main thread only.

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace tessorin {

class Mnemonic : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_SINGLETON
  Q_PROPERTY(bool shown READ shown NOTIFY shownChanged)

 public:
  explicit Mnemonic(QObject* parent = nullptr);

  // Whether Alt is held.
  bool shown() const { return shown_; }

  // The title as styled text: every character escaped, the "&" gone and the letter after
  // it underlined when `underline` holds.
  Q_INVOKABLE static QString styled(const QString& title, bool underline);

 Q_SIGNALS:
  void shownChanged();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void setShown(bool shown);

  bool shown_ = false;
};

}  // namespace tessorin
