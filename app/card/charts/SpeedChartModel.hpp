#pragma once
// SpeedChartModel: the presenter of the speed chart. It turns the write and read samples
// into chart points (x in decimal megabytes, gigabytes or terabytes from the unsigned
// position, as suits the space the samples run over; y in MB/s), smooths each series
// monotonically, and hands each series its points in one replace() call, and only when
// that series' samples changed (replace() recomputes the series' geometry at once). The
// position axis spans that whole space from 0, so a card half written shows as half
// written, with round ticks; without a known space it spans the data. The speed axis
// runs from 0 to the data's top, padded where equal speeds would leave an empty range,
// rounded to nice numbers. It fills the write area with its gradient, which QML cannot
// set on a series.
// Main thread; the series and axes are the chart's, set from QML.

#include <optional>
#include <vector>

#include <QObject>
#include <QPointer>
#include <QPointF>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "card/charts/SpeedChartInput.hpp"

QT_BEGIN_NAMESPACE
class QAreaSeries;
class QValueAxis;
class QXYSeries;
QT_END_NAMESPACE

namespace tessorin {

class SpeedChartModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(tessorin::SpeedChartInput input READ input WRITE setInput NOTIFY inputChanged)
  Q_PROPERTY(bool showsRead READ showsRead NOTIFY inputChanged)
  // The position axis' unit: "MB", "GB" or "TB".
  Q_PROPERTY(QString positionTitle READ positionTitle NOTIFY inputChanged)
  Q_PROPERTY(QObject* writeArea READ writeArea WRITE setWriteArea NOTIFY seriesChanged)
  Q_PROPERTY(QObject* writeLine READ writeLine WRITE setWriteLine NOTIFY seriesChanged)
  Q_PROPERTY(QObject* readLine READ readLine WRITE setReadLine NOTIFY seriesChanged)
  Q_PROPERTY(QObject* axisX READ axisX WRITE setAxisX NOTIFY seriesChanged)
  Q_PROPERTY(QObject* axisY READ axisY WRITE setAxisY NOTIFY seriesChanged)
  // A short chart (the zone's) has room for three speed labels only; more are cut to "…".
  Q_PROPERTY(bool compact READ compact WRITE setCompact NOTIFY seriesChanged)
  // The least height of the plot at which its position axis keeps its labels and title.
  Q_PROPERTY(qreal minimumHeight READ minimumHeight CONSTANT)

 public:
  struct Range {
    double minimum = 0;
    double maximum = 1;
    friend bool operator==(const Range&, const Range&) = default;
  };

  // The position axis over a known space: positions in units of unitBytes, from 0 to
  // maximum, a tick every tickInterval from 0.
  struct PositionAxis {
    double unitBytes = 1e9;
    double maximum = 1;
    double tickInterval = 0.2;
    friend bool operator==(const PositionAxis&, const PositionAxis&) = default;
  };

  explicit SpeedChartModel(QObject* parent = nullptr);

  // One point per sample, x in units of unitBytes; a speed that is not finite counts as 0.
  static std::vector<QPointF> chartPoints(const std::vector<SpeedSample>& samples, double unitBytes = 1e9);
  // The axis over the space the samples run over (extent) or, when a sample lies beyond
  // it, up to the furthest sample: megabytes below a gigabyte, terabytes from one
  // terabyte on, gigabytes between; three to six round intervals; the end rounded up to the
  // next tick only when that adds no more than a sliver the eye cannot tell.
  static PositionAxis positionAxis(std::uint64_t extent, std::uint64_t furthestPosition);
  // Over both series; never empty.
  static Range positionRange(const std::vector<QPointF>& write, const std::vector<QPointF>& read);
  static Range speedRange(const std::vector<QPointF>& write, const std::vector<QPointF>& read);
  // The smallest of 1, 2, 2.5 and 5 times a power of ten that is at least the value.
  static double niceStep(double value);
  // Qt Charts grants a horizontal axis at most 40 % of the plot's height and cuts the
  // labels and title of a squeezed one to "…": the least height that leaves the position
  // axis the height its labels and title ask for, in the chart's fonts.
  static qreal minimumHeight();
  // Whether the axis below a plot of that height, whose drawing area ends at plotBottom,
  // got the height it asked for rather than the 40 % a squeezed one gets.
  Q_INVOKABLE static bool positionAxisWhole(qreal height, qreal plotBottom);

  const SpeedChartInput& input() const { return input_; }
  void setInput(const SpeedChartInput& input);
  bool showsRead() const { return !input_.read.empty(); }
  QString positionTitle() const;
  QObject* writeArea() const;
  void setWriteArea(QObject* series);
  QObject* writeLine() const;
  void setWriteLine(QObject* series);
  QObject* readLine() const;
  void setReadLine(QObject* series);
  QObject* axisX() const;
  void setAxisX(QObject* axis);
  QObject* axisY() const;
  void setAxisY(QObject* axis);
  bool compact() const { return compact_; }
  void setCompact(bool compact);

  // replace() calls made so far, over all series.
  int seriesReplacements() const { return replacements_; }

 Q_SIGNALS:
  void inputChanged();
  void seriesChanged();

 private:
  // The samples' space, when known: the axis, else none (the axis spans the data).
  std::optional<PositionAxis> spannedAxis() const;
  void updatePoints();
  void updateWrite();
  void updateRead();
  void updateAxes();
  void paintArea();

  SpeedChartInput input_;
  std::vector<QPointF> writePoints_;
  std::vector<QPointF> readPoints_;
  double unitBytes_ = 1e9;
  QPointer<QAreaSeries> writeArea_;
  QPointer<QXYSeries> writeLine_;
  QPointer<QXYSeries> readLine_;
  QPointer<QValueAxis> axisX_;
  QPointer<QValueAxis> axisY_;
  int replacements_ = 0;
  bool compact_ = false;
};

}  // namespace tessorin
