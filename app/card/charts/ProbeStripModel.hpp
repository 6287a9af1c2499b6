#pragma once
// ProbeStripModel: the presenter of the probe strip. It folds the probe cells into at
// most 64 slices (a slice shows the worst state of its cells: bad, then ok, then
// written), counts the intact probes among those read back, and says whether the colour
// key shows (live cells only). `makeCells` turns a finished check's outcomes into a
// strip's input. Pure functions behind a property; main thread.

#include <vector>

#include <QColor>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include "card/charts/LegendEntry.hpp"
#include "card/charts/ProbeStripInput.hpp"
#include "tessorin/pattern/ProbeOutcome.hpp"

namespace tessorin {

class ProbeStripModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(tessorin::ProbeStripInput input READ input WRITE setInput NOTIFY changed)
  // The slices' states as ProbeCell raw values, in slot order.
  Q_PROPERTY(QList<int> slices READ slices NOTIFY changed)
  Q_PROPERTY(bool showsKey READ showsKey NOTIFY changed)
  Q_PROPERTY(QString countText READ countText NOTIFY changed)
  // The platform's secondary colour, which untested probes take at opacity 0.18.
  Q_PROPERTY(QColor secondaryColor READ secondaryColor WRITE setSecondaryColor NOTIFY changed)
  // "Not yet", "Written", "Good", "Bad" with their slice colours.
  Q_PROPERTY(QVariantList keyEntries READ keyEntries NOTIFY changed)

 public:
  static constexpr std::size_t maximumSlices = 64;

  explicit ProbeStripModel(QObject* parent = nullptr);

  static std::vector<ProbeCell> bucketCells(const std::vector<ProbeCell>& cells);
  static ProbeStripInput makeCells(const std::vector<ProbeOutcome>& outcomes);
  // A partial result's strip with the probes placed since then: each of its untested slots
  // takes the live cell of that slot, so the strip agrees with the running probe count.
  // Live cells of another layout (another length) are not mixed in.
  static ProbeStripInput withLiveCells(ProbeStripInput strip, const std::vector<ProbeCell>& live);
  // "Probes intact: 3 of 4": ok cells of the cells read back (ok or bad).
  static QString countText(const std::vector<ProbeCell>& cells);

  const ProbeStripInput& input() const { return input_; }
  void setInput(const ProbeStripInput& input);
  QList<int> slices() const;
  bool showsKey() const { return input_.live; }
  QString countText() const { return countText(input_.probes); }
  QColor secondaryColor() const { return secondary_; }
  void setSecondaryColor(const QColor& color);
  QVariantList keyEntries() const;

 Q_SIGNALS:
  void changed();

 private:
  ProbeStripInput input_;
  std::vector<ProbeCell> slices_;
  QColor secondary_ = QColor(128, 128, 128);
};

}  // namespace tessorin
