#include "card/charts/ProbeStripModel.hpp"

#include <algorithm>

#include <QCoreApplication>

#include "card/charts/ProbeStripBar.hpp"
#include "card/progress/ProgressWording.hpp"

namespace tessorin {

ProbeStripModel::ProbeStripModel(QObject* parent) : QObject(parent) {}

std::vector<ProbeCell> ProbeStripModel::bucketCells(const std::vector<ProbeCell>& cells) {
  const std::size_t n = cells.size();
  const std::size_t size = std::max<std::size_t>(1, (n + maximumSlices - 1) / maximumSlices);
  std::vector<ProbeCell> slices;
  slices.reserve((n + size - 1) / size);
  for (std::size_t start = 0; start < n; start += size) {
    const auto first = cells.begin() + static_cast<std::ptrdiff_t>(start);
    const auto last = cells.begin() + static_cast<std::ptrdiff_t>(std::min(n, start + size));
    const auto holds = [&](ProbeCell state) { return std::find(first, last, state) != last; };
    slices.push_back(holds(ProbeCell::bad)       ? ProbeCell::bad
                     : holds(ProbeCell::ok)      ? ProbeCell::ok
                     : holds(ProbeCell::written) ? ProbeCell::written
                                                 : ProbeCell::untested);
  }
  return slices;
}

ProbeStripInput ProbeStripModel::makeCells(const std::vector<ProbeOutcome>& outcomes) {
  ProbeStripInput input;
  input.live = false;
  input.probes.reserve(outcomes.size());
  for (const ProbeOutcome outcome : outcomes) input.probes.emplace_back(outcome);
  return input;
}

ProbeStripInput ProbeStripModel::withLiveCells(ProbeStripInput strip, const std::vector<ProbeCell>& live) {
  if (live.size() != strip.probes.size()) return strip;
  for (std::size_t slot = 0; slot < live.size(); ++slot) {
    if (strip.probes[slot] != ProbeCell::untested || live[slot] == ProbeCell::untested) continue;
    strip.probes[slot] = live[slot];
    // Cells still on their way show what each colour means.
    strip.live = true;
  }
  return strip;
}

QString ProbeStripModel::countText(const std::vector<ProbeCell>& cells) {
  const auto intact = std::count(cells.begin(), cells.end(), ProbeCell::ok);
  const auto readBack = intact + std::count(cells.begin(), cells.end(), ProbeCell::bad);
  return QCoreApplication::translate("ProbeStrip", "Probes intact: %1 of %2").arg(intact).arg(readBack);
}

void ProbeStripModel::setInput(const ProbeStripInput& input) {
  if (input_ == input) return;
  input_ = input;
  slices_ = bucketCells(input_.probes);
  Q_EMIT changed();
}

QList<int> ProbeStripModel::slices() const {
  QList<int> raw;
  raw.reserve(static_cast<qsizetype>(slices_.size()));
  for (const ProbeCell cell : slices_) raw.append(cell.rawValue());
  return raw;
}

void ProbeStripModel::setSecondaryColor(const QColor& color) {
  if (secondary_ == color) return;
  secondary_ = color;
  Q_EMIT changed();
}

QVariantList ProbeStripModel::keyEntries() const {
  const QStringList labels = ProgressWording::probeKey();
  const ProbeCell cells[] = {ProbeCell::untested, ProbeCell::written, ProbeCell::ok, ProbeCell::bad};
  QVariantList list;
  for (int i = 0; i < 4; ++i) {
    list.append(QVariant::fromValue(LegendEntry{labels[i], ProbeStripBar::sliceColor(cells[i], secondary_)}));
  }
  return list;
}

}  // namespace tessorin
