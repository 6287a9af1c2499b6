#pragma once
// FullDetailsModel: the presenter of FullDetails.qml, the advanced test's details under a
// verdict: the card map, drawn and keyed as not confirmed where the read-back may have
// come from memory, whether the speed section shows (two write samples at least) with its
// three key figures, and the rows of "What went wrong", each an amount of data counted
// from 512-byte sectors. Main thread; keeps nothing but its input.

#include <vector>

#include <QObject>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include "card/charts/CapacityMapInput.hpp"
#include "card/charts/SpeedChartInput.hpp"
#include "card/progress/ProgressWording.hpp"
#include "results/outcome/FigureRow.hpp"
#include "results/outcome/FullDetailsInput.hpp"

namespace tessorin {

class FullDetailsModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(tessorin::FullDetailsInput input READ input WRITE setInput NOTIFY inputChanged)
  Q_PROPERTY(QString mapTitle READ mapTitle NOTIFY inputChanged)
  Q_PROPERTY(QString speedTitle READ speedTitle NOTIFY inputChanged)
  Q_PROPERTY(QString problemsTitle READ problemsTitle CONSTANT)
  Q_PROPERTY(tessorin::CapacityMapInput map READ map NOTIFY inputChanged)
  Q_PROPERTY(bool readBackUnconfirmed READ readBackUnconfirmed NOTIFY inputChanged)
  Q_PROPERTY(bool showsSpeed READ showsSpeed NOTIFY inputChanged)
  Q_PROPERTY(tessorin::SpeedChartInput chart READ chart NOTIFY inputChanged)
  Q_PROPERTY(QVariantList speedFigures READ speedFigureList NOTIFY inputChanged)
  Q_PROPERTY(bool showsProblems READ showsProblems NOTIFY inputChanged)
  Q_PROPERTY(QVariantList problems READ problemList NOTIFY inputChanged)

 public:
  using QObject::QObject;

  const FullDetailsInput& input() const { return input_; }
  void setInput(const FullDetailsInput& input);

  QString mapTitle() const { return ProgressWording::mapTitle(input_.isUSBDrive); }
  QString speedTitle() const { return ProgressWording::chartTitle(input_.isUSBDrive); }
  QString problemsTitle() const { return tr("What went wrong"); }
  CapacityMapInput map() const;
  bool readBackUnconfirmed() const { return input_.result && !input_.result->readBackReachedCard; }
  bool showsSpeed() const;
  SpeedChartInput chart() const;
  bool showsProblems() const { return !problemList().isEmpty(); }
  QVariantList speedFigureList() const;
  QVariantList problemList() const;

  // The tested space's map laid over the whole card, the part beyond it untested; the map
  // itself when the card is no larger.
  static CapacityMap wholeCardMap(const CapacityMap& tested, std::uint64_t cardBytes);
  // The slowest and fastest write and the average read.
  static std::vector<FigureRow> speedFigures(const FullTestResult& result);
  // Kinds of bad sectors with a count above 0, in a fixed order; blank and stale are
  // both data that was never stored.
  static std::vector<FigureRow> problems(const SectorTally& tally);

 Q_SIGNALS:
  void inputChanged();

 private:
  FullDetailsInput input_;
};

}  // namespace tessorin
