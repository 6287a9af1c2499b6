#pragma once
// OutcomeNote: one short note under a verdict that qualifies it: its text, the symbol
// beside it and the symbol's colour. `secondary` asks for the system's secondary text
// colour, which only the view knows (it follows the window's palette). A plain value
// that QML reads as a gadget.

#include <QColor>
#include <QMetaType>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace tessorin {

struct OutcomeNote {
  Q_GADGET
  QML_VALUE_TYPE(outcomeNote)
  Q_PROPERTY(QString text MEMBER text CONSTANT)
  Q_PROPERTY(QString symbol MEMBER symbol CONSTANT)
  Q_PROPERTY(QColor color MEMBER color CONSTANT)
  Q_PROPERTY(bool secondary MEMBER secondary CONSTANT)

 public:
  QString text;
  QString symbol;
  QColor color;
  bool secondary = false;

  friend bool operator==(const OutcomeNote&, const OutcomeNote&) = default;
};

}  // namespace tessorin

Q_DECLARE_METATYPE(tessorin::OutcomeNote)
