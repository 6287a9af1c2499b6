#pragma once
// QuickProgressPanelModel: the presenter of the quick check's progress panel. From the
// session's stage (the latest quick-check report) and its observed results it makes the
// stage track's step, the share of the whole quick check done, the phase title and step
// line, the step's live figures, and which of the zone chart, the probe section (banner
// and strip) and the speed box show, with the inputs for each.
//
// Main thread. The session's signals are folded into one recomputation per turn of the
// event loop; `changed` is emitted only when something shown differs.

#include <optional>
#include <vector>

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include "theme/MetricValue.hpp"
#include "card/charts/ProbeStripInput.hpp"
#include "card/progress/ProvisionalBannerInput.hpp"
#include "card/charts/SpeedChartInput.hpp"
#include "card/charts/SpeedSummaryInput.hpp"
#include "tessorin/zone/QuickProbeProgress.hpp"

namespace tessorin {

class CardSession;
class CoalescedRecompute;

class QuickProgressPanelModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(QObject* session READ session WRITE setSession NOTIFY sessionChanged)
  Q_PROPERTY(int stageStep READ stageStep NOTIFY changed)
  Q_PROPERTY(bool probesSkipped READ probesSkipped NOTIFY changed)
  Q_PROPERTY(double fraction READ fraction NOTIFY changed)
  Q_PROPERTY(QString percentText READ percentText NOTIFY changed)
  Q_PROPERTY(QString title READ title NOTIFY changed)
  Q_PROPERTY(QString stepText READ stepText NOTIFY changed)
  Q_PROPERTY(QVariantList figures READ figures NOTIFY changed)
  Q_PROPERTY(QString probeCounterText READ probeCounterText NOTIFY changed)
  Q_PROPERTY(bool showsChart READ showsChart NOTIFY changed)
  Q_PROPERTY(tessorin::SpeedChartInput chartInput READ chartInput NOTIFY changed)
  Q_PROPERTY(bool showsBanner READ showsBanner NOTIFY changed)
  Q_PROPERTY(tessorin::ProvisionalBannerInput bannerInput READ bannerInput NOTIFY changed)
  Q_PROPERTY(bool showsProbeStrip READ showsProbeStrip NOTIFY changed)
  Q_PROPERTY(tessorin::ProbeStripInput probeStripInput READ probeStripInput NOTIFY changed)
  Q_PROPERTY(bool showsSpeedSummary READ showsSpeedSummary NOTIFY changed)
  Q_PROPERTY(tessorin::SpeedSummaryInput speedSummaryInput READ speedSummaryInput NOTIFY changed)
  Q_PROPERTY(QString ringCaption READ ringCaption CONSTANT)
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
  static QString title(Phase phase, bool skipped);
  static QString stepText(Phase phase, Step step);
  static LiveFigures liveFigures(const QuickProbeProgress& progress);

  QObject* session() const;
  void setSession(QObject* session);
  int stageStep() const { return shown_.stageStep; }
  bool probesSkipped() const { return shown_.skipped; }
  double fraction() const { return shown_.fraction; }
  QString percentText() const { return shown_.percentText; }
  QString title() const { return shown_.title; }
  QString stepText() const { return shown_.stepText; }
  QVariantList figures() const;
  QString probeCounterText() const { return shown_.figures.probeCounter; }
  bool showsChart() const { return shown_.chart.has_value(); }
  SpeedChartInput chartInput() const { return shown_.chart.value_or(SpeedChartInput{}); }
  bool showsBanner() const { return shown_.banner.has_value(); }
  ProvisionalBannerInput bannerInput() const { return shown_.banner.value_or(ProvisionalBannerInput{}); }
  bool showsProbeStrip() const { return shown_.strip.has_value(); }
  ProbeStripInput probeStripInput() const { return shown_.strip.value_or(ProbeStripInput{}); }
  bool showsSpeedSummary() const { return shown_.summary.has_value(); }
  SpeedSummaryInput speedSummaryInput() const { return shown_.summary.value_or(SpeedSummaryInput{}); }
  QString ringCaption() const;
  QString footnote() const;

  // Recomputations so far (one per turn of the event loop with news at most).
  int recomputations() const;

 Q_SIGNALS:
  void sessionChanged();
  void changed();

 private:
  struct Shown {
    int stageStep = 0;
    bool skipped = false;
    double fraction = 0;
    QString percentText;
    QString title;
    QString stepText;
    LiveFigures figures;
    std::optional<SpeedChartInput> chart;
    std::optional<ProvisionalBannerInput> banner;
    std::optional<ProbeStripInput> strip;
    std::optional<SpeedSummaryInput> summary;
    friend bool operator==(const Shown&, const Shown&) = default;
  };
  static Shown compute(const CardSession& session);
  void recompute();

  QPointer<CardSession> session_;
  CoalescedRecompute* recompute_;
  Shown shown_;
};

}  // namespace tessorin
