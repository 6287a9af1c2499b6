#pragma once
// VerdictHeadlineModel: the presenter of VerdictHeadline.qml: from its input, the verdict's
// colour and seal symbol, its headline, the sentence that explains it in bytes, and the
// chip that names the check that settled it. Main thread; keeps nothing but its input.

#include <optional>

#include <QColor>
#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "results/outcome/VerdictHeadlineInput.hpp"

namespace tessorin {

class VerdictHeadlineModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(tessorin::VerdictHeadlineInput input READ input WRITE setInput NOTIFY inputChanged)
  Q_PROPERTY(QColor color READ color NOTIFY inputChanged)
  Q_PROPERTY(QString sealSymbol READ sealSymbol NOTIFY inputChanged)
  Q_PROPERTY(QString title READ title NOTIFY inputChanged)
  Q_PROPERTY(QString explanation READ explanation NOTIFY inputChanged)
  Q_PROPERTY(QString chipText READ chipText NOTIFY inputChanged)
  Q_PROPERTY(QString chipSymbol READ chipSymbol NOTIFY inputChanged)

 public:
  using QObject::QObject;

  const VerdictHeadlineInput& input() const { return input_; }
  void setInput(const VerdictHeadlineInput& input);

  QColor color() const;
  QString sealSymbol() const { return sealSymbolOf(input_.verdict); }
  QString title() const;
  QString explanation() const { return explanationOf(input_); }
  QString chipText() const;
  QString chipSymbol() const;

  static QString sealSymbolOf(CheckOutcome::Verdict verdict);
  static QString explanationOf(const VerdictHeadlineInput& input);

 Q_SIGNALS:
  void inputChanged();

 private:
  bool unconfirmedByTheAdvancedTest() const;
  static std::optional<QString> lossTheCardShowed(const VerdictHeadlineInput& input);

  VerdictHeadlineInput input_;
};

}  // namespace tessorin
