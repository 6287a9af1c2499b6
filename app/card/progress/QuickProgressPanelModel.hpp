#pragma once
// QuickProgressPanelModel: the presenter of the quick check's progress panel. From the
// session's stage (the latest quick-check report) and its observed results it makes the
// stage track's step, the share of the whole quick check done, the phase title and step
// line, the step's live figures, and which of the zone chart, the probe section (banner
// and strip) and the speed box show, with the inputs for each.
//
// Main thread; what it shares with the advanced test's panel is ProgressPanelModel's.

#include <optional>
#include <vector>

#include <QString>
#include <QtQml/qqmlregistration.h>

#include "card/charts/ProbeStripInput.hpp"
#include "card/progress/ProgressPanelModel.hpp"
#include "theme/MetricValue.hpp"
#include "tessorin/zone/QuickProbeProgress.hpp"

namespace tessorin {

class QuickProgressPanelModel : public ProgressPanelModel {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(int stageStep READ stageStep NOTIFY changed)
  Q_PROPERTY(QString title READ title NOTIFY changed)
  Q_PROPERTY(QString stepText READ stepText NOTIFY changed)
  Q_PROPERTY(QString probeCounterText READ probeCounterText NOTIFY changed)
  Q_PROPERTY(bool showsProbeStrip READ showsProbeStrip NOTIFY changed)
  Q_PROPERTY(tessorin::ProbeStripInput probeStripInput READ probeStripInput NOTIFY changed)
  Q_PROPERTY(QString footnote READ footnote CONSTANT)

 public:
  using Phase = QuickProbeProgress::Phase;
  using Step = QuickProbeProgress::Step;

  // The figures of the step under way: metrics, or the probe counter of a probe pass.
  struct LiveFigures {
    std::vector<MetricValue> metrics;
    QString probeCounter;  // empty: none
    friend bool operator==(const LiveFigures&, const LiveFigures&) = default;
  };

  explicit QuickProgressPanelModel(QObject* parent = nullptr);
  ~QuickProgressPanelModel() override;

  static double totalFraction(const QuickProbeProgress& progress, bool skipped);
  // A USB drive is called a drive, not a card.
  static QString title(Phase phase, bool skipped, bool isUSBDrive);
  static QString stepText(Phase phase, Step step, bool isUSBDrive);
  // A silent card's last speed and rate are no live figures; the amount done stays.
  static LiveFigures liveFigures(const QuickProbeProgress& progress, bool cardSilent = false);

  int stageStep() const { return shown_.stageStep; }
  QString title() const { return shown_.title; }
  QString stepText() const { return shown_.stepText; }
  QString probeCounterText() const { return shown_.probeCounter; }
  bool showsProbeStrip() const { return shown_.strip.has_value(); }
  ProbeStripInput probeStripInput() const { return shown_.strip.value_or(ProbeStripInput{}); }
  QString ringCaption() const override;
  QString footnote() const;

 protected:
  void follow(CoalescedRecompute& recompute, CardSession& session) override;
  bool refresh(const CardSession* session) override;
  const Common& common() const override { return shown_.common; }

 private:
  struct Shown {
    Common common;
    int stageStep = 0;
    QString title;
    QString stepText;
    QString probeCounter;
    std::optional<ProbeStripInput> strip;
    friend bool operator==(const Shown&, const Shown&) = default;
  };
  static Shown compute(const CardSession& session);

  Shown shown_;
};

}  // namespace tessorin
