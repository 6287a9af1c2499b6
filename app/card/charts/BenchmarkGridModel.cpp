#include "card/charts/BenchmarkGridModel.hpp"

#include <algorithm>
#include <cmath>

#include <QCoreApplication>

#include "theme/text/DisplayFormat.hpp"

namespace tessorin {

namespace {

// A time of 0 (or a broken one) shows the zero speed, never a division by it.
QString speedOver(std::uint64_t bytes, double seconds) {
  if (!(seconds > 0) || !std::isfinite(seconds)) return DisplayFormat::formatSpeed(0);
  return DisplayFormat::formatSpeed(static_cast<double>(bytes) / seconds);
}

}  // namespace

BenchmarkGridModel::BenchmarkGridModel(QObject* parent) : QObject(parent) {}

QString BenchmarkGridModel::sequentialRead(const ZoneResult& zone) {
  if (!zone.readBackReachedCard) return DisplayFormat::missing();
  return speedOver(zone.checkedBytes, zone.readSeconds);
}

QString BenchmarkGridModel::sequentialWrite(const ZoneResult& zone) { return speedOver(zone.bytes, zone.writeSeconds); }

RandomFigure BenchmarkGridModel::randomFigure(std::optional<double> operationsPerSecond) {
  if (!operationsPerSecond) return {DisplayFormat::missing(), {}, false};
  const double rate = std::isfinite(*operationsPerSecond) ? std::max(0.0, *operationsPerSecond) : 0.0;
  return {DisplayFormat::formatSpeed(rate * randomOperationBytes),
          DisplayFormat::operationCountText(static_cast<std::uint64_t>(DisplayFormat::saturatingSigned(std::round(rate)))),
          true};
}

void BenchmarkGridModel::setInput(const BenchmarkGridInput& input) {
  if (input_ == input) return;
  input_ = input;
  Q_EMIT changed();
}

QString BenchmarkGridModel::readHeader() const { return tr("Read speed"); }
QString BenchmarkGridModel::writeHeader() const { return tr("Write speed"); }
QString BenchmarkGridModel::sequentialTitle() const { return tr("Sequential"); }
QString BenchmarkGridModel::randomTitle() const { return tr("Random 4K"); }

}  // namespace tessorin
