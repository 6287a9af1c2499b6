#pragma once
// HowItWorksViewModel: the words and colours of the How It Works sheet: what a fake card
// is and what each of the three checks does. Fixed content; it reads no card, history or
// setting.
//
// Main thread only; it holds no state.

#include <QColor>
#include <QObject>
#include <QString>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

namespace tessorin {

// One check of the sheet: its symbol on a box filled from `topColor` to `color`.
struct HowItWorksStep {
  Q_GADGET
  Q_PROPERTY(QString symbol MEMBER symbol)
  Q_PROPERTY(QColor color MEMBER color)
  Q_PROPERTY(QColor topColor MEMBER topColor)
  Q_PROPERTY(QString title MEMBER title)
  Q_PROPERTY(QString text MEMBER text)

 public:
  QString symbol;
  QColor color;
  QColor topColor;
  QString title;
  QString text;
};

class HowItWorksViewModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(QString title READ title CONSTANT)
  Q_PROPERTY(QString doneText READ doneText CONSTANT)
  Q_PROPERTY(QString introduction READ introduction CONSTANT)
  Q_PROPERTY(QVariantList steps READ stepList CONSTANT)
  Q_PROPERTY(QString closingNote READ closingNote CONSTANT)

 public:
  explicit HowItWorksViewModel(QObject* parent = nullptr);

  QString title() const;
  QString doneText() const;
  QString introduction() const;
  // `exFATGivesQuickCheck`: whether this system's exFAT driver lets the quick check run;
  // where it does not, the quick check's step says so instead of sending cards to exFAT.
  static QList<HowItWorksStep> steps(bool exFATGivesQuickCheck = true);
  QVariantList stepList() const;
  QString closingNote() const;
};

}  // namespace tessorin
