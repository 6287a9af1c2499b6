#pragma once
// CountryPickerModel: the presenter of CountryPicker.qml, the purchase panel's country
// menu: "—" for no country, then every two-letter region the current locale can name,
// by name. The region list is made once per run, the first time a picker needs it, and
// shared by every picker. A code the list does not hold (kept from an earlier purchase)
// shows no row as chosen and stays as it is. Main thread.

#include <vector>

#include <QObject>
#include <QString>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

#include "community/view/ViewValues.hpp"

namespace tessorin {

class CountryPickerModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(QString selection READ selection WRITE setSelection NOTIFY selectionChanged)
  // The rows' texts, the first "—".
  Q_PROPERTY(QStringList texts READ texts CONSTANT)
  Q_PROPERTY(int currentIndex READ currentIndex NOTIFY selectionChanged)
  Q_PROPERTY(QString title READ title CONSTANT)

 public:
  using QObject::QObject;

  // Codes and names of the regions offered, sorted by name as people sort (numbers by
  // value, letter case ignored); equal names keep ICU's order.
  static const std::vector<CountryRow>& regions();
  static std::vector<CountryRow> makeRegions();

  const QString& selection() const { return selection_; }
  void setSelection(const QString& code);
  QStringList texts() const;
  // -1 when no row stands for the selection.
  int currentIndex() const;
  QString title() const { return tr("Country"); }

  // The code of a row of `texts`, "" for the first.
  Q_INVOKABLE QString codeAt(int row) const;

 Q_SIGNALS:
  void selectionChanged();

 private:
  QString selection_;
};

}  // namespace tessorin
