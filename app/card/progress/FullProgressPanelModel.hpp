#pragma once
// FullProgressPanelModel: the presenter of the advanced test's progress panel. From the
// session's phase, live figures (`full`) and quick-check findings it makes the share of
// the whole test done, the phase's title and detail, the three figures (speed, amount
// written or read, time left), the failure line, whether the card map, the speed chart
// and the reinsertion toggle show, and the inputs of the banner, the speed box, the map
// and the chart.
//
// Main thread. One progress report reaches the session as several change signals; they
// are folded into one recomputation per turn of the event loop, and `changed` is emitted
// only when something shown differs.

#include <optional>
#include <vector>

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include "card/charts/CapacityMapInput.hpp"
#include "theme/MetricValue.hpp"
#include "card/progress/ProvisionalBannerInput.hpp"
#include "card/charts/SpeedChartInput.hpp"
#include "card/charts/SpeedSummaryInput.hpp"
#include "session/check/FullLive.hpp"
#include "tessorin/full/FullTest.hpp"

namespace tessorin {

class CardSession;
class CoalescedRecompute;

class FullProgressPanelModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(QObject* session READ session WRITE setSession NOTIFY sessionChanged)
  Q_PROPERTY(bool probesSkipped READ probesSkipped NOTIFY changed)
  Q_PROPERTY(double fraction READ fraction NOTIFY changed)
  Q_PROPERTY(QString percentText READ percentText NOTIFY changed)
  Q_PROPERTY(QString phaseTitle READ phaseTitle NOTIFY changed)
  Q_PROPERTY(QString phaseDetail READ phaseDetail NOTIFY changed)
  Q_PROPERTY(QVariantList figures READ figures NOTIFY changed)
  Q_PROPERTY(QString failureText READ failureText NOTIFY changed)
  Q_PROPERTY(bool showsMap READ showsMap NOTIFY changed)
  Q_PROPERTY(tessorin::CapacityMapInput mapInput READ mapInput NOTIFY changed)
  Q_PROPERTY(bool showsChart READ showsChart NOTIFY changed)
  Q_PROPERTY(tessorin::SpeedChartInput chartInput READ chartInput NOTIFY changed)
  Q_PROPERTY(bool showsToggle READ showsToggle NOTIFY changed)
  Q_PROPERTY(bool showsBanner READ showsBanner NOTIFY changed)
  Q_PROPERTY(tessorin::ProvisionalBannerInput bannerInput READ bannerInput NOTIFY changed)
  Q_PROPERTY(bool showsSpeedSummary READ showsSpeedSummary NOTIFY changed)
  Q_PROPERTY(tessorin::SpeedSummaryInput speedSummaryInput READ speedSummaryInput NOTIFY changed)
  Q_PROPERTY(QString ringCaption READ ringCaption CONSTANT)
  Q_PROPERTY(QString mapHeading READ mapHeading CONSTANT)
  Q_PROPERTY(QString chartHeading READ chartHeading CONSTANT)

 public:
  using Phase = FullTest::Progress::Phase;

  explicit FullProgressPanelModel(QObject* parent = nullptr);
  ~FullProgressPanelModel() override;

  static double totalFraction(Phase phase, const FullLive& full);
  static QString phaseTitle(Phase phase);
  static QString phaseDetail(Phase phase);
  // Speed, amount and time left, in this order.
  static std::vector<MetricValue> figures(Phase phase, const FullLive& full, std::optional<double> remainingSeconds);
  // "512 bytes failed so far"; empty when no sector failed.
  static QString failureText(const SectorTally& tally);

  QObject* session() const;
  void setSession(QObject* session);
  bool probesSkipped() const { return shown_.skipped; }
  double fraction() const { return shown_.fraction; }
  QString percentText() const { return shown_.percentText; }
  QString phaseTitle() const { return shown_.phaseTitle; }
  QString phaseDetail() const { return shown_.phaseDetail; }
  QVariantList figures() const;
  QString failureText() const { return shown_.failureText; }
  bool showsMap() const { return shown_.map.has_value(); }
  CapacityMapInput mapInput() const { return shown_.map.value_or(CapacityMapInput{}); }
  bool showsChart() const { return shown_.chart.has_value(); }
  SpeedChartInput chartInput() const { return shown_.chart.value_or(SpeedChartInput{}); }
  bool showsToggle() const { return shown_.showsToggle; }
  bool showsBanner() const { return shown_.banner.has_value(); }
  ProvisionalBannerInput bannerInput() const { return shown_.banner.value_or(ProvisionalBannerInput{}); }
  bool showsSpeedSummary() const { return shown_.summary.has_value(); }
  SpeedSummaryInput speedSummaryInput() const { return shown_.summary.value_or(SpeedSummaryInput{}); }
  QString ringCaption() const;
  QString mapHeading() const;
  QString chartHeading() const;

  int recomputations() const;

 Q_SIGNALS:
  void sessionChanged();
  void changed();

 private:
  struct Shown {
    bool skipped = false;
    double fraction = 0;
    QString percentText;
    QString phaseTitle;
    QString phaseDetail;
    std::vector<MetricValue> figures;
    QString failureText;
    std::optional<CapacityMapInput> map;
    std::optional<SpeedChartInput> chart;
    bool showsToggle = false;
    std::optional<ProvisionalBannerInput> banner;
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
