#pragma once
// BenchmarkGridModel: the presenter of the small table of the speed zone's figures:
// sequential read and write speed, and random 4 KiB read and write speed with their
// operations per second when the zone measured them. A pure function of its input;
// main thread.

#include <optional>

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "card/charts/BenchmarkGridInput.hpp"

namespace tessorin {

// One random-access cell: the throughput of 4096-byte operations and their count per
// second; absent (speed "—", no count) when the rate was not measured.
struct RandomFigure {
  Q_GADGET
  QML_VALUE_TYPE(randomFigure)
  Q_PROPERTY(QString speed MEMBER speed CONSTANT)
  Q_PROPERTY(QString count MEMBER count CONSTANT)
  Q_PROPERTY(bool measured MEMBER measured CONSTANT)

 public:
  QString speed;
  QString count;
  bool measured = false;

  friend bool operator==(const RandomFigure&, const RandomFigure&) = default;
};

class BenchmarkGridModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(tessorin::BenchmarkGridInput input READ input WRITE setInput NOTIFY changed)
  Q_PROPERTY(QString sequentialRead READ sequentialRead NOTIFY changed)
  Q_PROPERTY(QString sequentialWrite READ sequentialWrite NOTIFY changed)
  Q_PROPERTY(bool showsRandom READ showsRandom NOTIFY changed)
  Q_PROPERTY(tessorin::RandomFigure randomRead READ randomRead NOTIFY changed)
  Q_PROPERTY(tessorin::RandomFigure randomWrite READ randomWrite NOTIFY changed)
  Q_PROPERTY(QString readHeader READ readHeader CONSTANT)
  Q_PROPERTY(QString writeHeader READ writeHeader CONSTANT)
  Q_PROPERTY(QString sequentialTitle READ sequentialTitle CONSTANT)
  Q_PROPERTY(QString randomTitle READ randomTitle CONSTANT)

 public:
  static constexpr double randomOperationBytes = 4096;

  explicit BenchmarkGridModel(QObject* parent = nullptr);

  static QString sequentialRead(const ZoneResult& zone);
  static QString sequentialWrite(const ZoneResult& zone);
  static RandomFigure randomFigure(std::optional<double> operationsPerSecond);

  const BenchmarkGridInput& input() const { return input_; }
  void setInput(const BenchmarkGridInput& input);
  QString sequentialRead() const { return sequentialRead(input_.zone); }
  QString sequentialWrite() const { return sequentialWrite(input_.zone); }
  bool showsRandom() const { return input_.zone.randomReadIOPS || input_.zone.randomWriteIOPS; }
  RandomFigure randomRead() const { return randomFigure(input_.zone.randomReadIOPS); }
  RandomFigure randomWrite() const { return randomFigure(input_.zone.randomWriteIOPS); }
  QString readHeader() const;
  QString writeHeader() const;
  QString sequentialTitle() const;
  QString randomTitle() const;

 Q_SIGNALS:
  void changed();

 private:
  BenchmarkGridInput input_;
};

}  // namespace tessorin
