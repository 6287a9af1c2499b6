#pragma once
// FullProgressPanelModel: the presenter of the advanced test's progress panel. From the
// session's phase, live figures (`full`) and quick-check findings it makes the share of
// the whole test done, the phase's title and detail, the three figures (speed, amount
// written or read, time left), the failure line, whether the card map, the speed chart
// and the reinsertion toggle show, and the inputs of the banner, the speed box, the map
// and the chart.
//
// Main thread; what it shares with the quick check's panel is ProgressPanelModel's.

#include <optional>
#include <vector>

#include <QString>
#include <QtQml/qqmlregistration.h>

#include "card/charts/CapacityMapInput.hpp"
#include "card/progress/ProgressPanelModel.hpp"
#include "session/check/FullLive.hpp"
#include "tessorin/full/FullTest.hpp"

namespace tessorin {

class FullProgressPanelModel : public ProgressPanelModel {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(QString phaseTitle READ phaseTitle NOTIFY changed)
  Q_PROPERTY(QString phaseDetail READ phaseDetail NOTIFY changed)
  Q_PROPERTY(QString failureText READ failureText NOTIFY changed)
  Q_PROPERTY(bool showsMap READ showsMap NOTIFY changed)
  Q_PROPERTY(tessorin::CapacityMapInput mapInput READ mapInput NOTIFY changed)
  Q_PROPERTY(bool showsToggle READ showsToggle NOTIFY changed)
  Q_PROPERTY(QString mapHeading READ mapHeading NOTIFY changed)
  Q_PROPERTY(QString chartHeading READ chartHeading NOTIFY changed)

 public:
  using Phase = FullTest::Progress::Phase;

  explicit FullProgressPanelModel(QObject* parent = nullptr);
  ~FullProgressPanelModel() override;

  static double totalFraction(Phase phase, const FullLive& full);
  static QString phaseTitle(Phase phase);
  static QString phaseDetail(Phase phase);
  // Speed, amount and time left, in this order. While the card is silent its last speed
  // is no live figure and the time left waits on it.
  static std::vector<MetricValue> figures(Phase phase, const FullLive& full, std::optional<double> remainingSeconds,
                                          bool cardSilent = false);
  // "512 bytes failed so far"; empty when no sector failed.
  static QString failureText(const SectorTally& tally);

  using ProgressPanelModel::figures;
  QString phaseTitle() const { return shown_.phaseTitle; }
  QString phaseDetail() const { return shown_.phaseDetail; }
  QString failureText() const { return shown_.failureText; }
  bool showsMap() const { return shown_.map.has_value(); }
  CapacityMapInput mapInput() const { return shown_.map.value_or(CapacityMapInput{}); }
  bool showsToggle() const { return shown_.showsToggle; }
  QString ringCaption() const override;
  QString mapHeading() const;
  QString chartHeading() const;

 protected:
  void follow(CoalescedRecompute& recompute, CardSession& session) override;
  bool refresh(const CardSession* session) override;
  const Common& common() const override { return shown_.common; }

 private:
  struct Shown {
    Common common;
    QString phaseTitle;
    QString phaseDetail;
    QString failureText;
    std::optional<CapacityMapInput> map;
    bool showsToggle = false;
    bool isUSBDrive = false;
    friend bool operator==(const Shown&, const Shown&) = default;
  };
  static Shown compute(const CardSession& session);

  Shown shown_;
};

}  // namespace tessorin
