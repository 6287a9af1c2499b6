#pragma once
// ProgressPanelModel: what the presenters of the quick-check and advanced-test panels
// share: the session they follow, and what every progress panel shows: whether the probes
// were skipped, the share of the check done, the step's figures, the speed chart, the
// provisional banner and the speed box. A presenter says which of the session's signals
// concern it and computes what it shows; the signals of one progress report are folded
// into one recomputation per turn of the event loop (or per tick of the window's motion
// clock while it runs: CoalescedRecompute), and `changed` is emitted only when
// something shown differs. A card that falls silent sends no signal, so once a second
// the panel looks whether the card has become silent or answered again: a silent card's
// last speed is no live figure.
//
// Main thread.

#include <optional>
#include <vector>

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include "card/charts/SpeedChartInput.hpp"
#include "card/charts/SpeedSummaryInput.hpp"
#include "card/progress/ProvisionalBannerInput.hpp"
#include "theme/MetricValue.hpp"

namespace tessorin {

class CardSession;
class CoalescedRecompute;

class ProgressPanelModel : public QObject {
  Q_OBJECT
  QML_ANONYMOUS
  Q_PROPERTY(QObject* session READ session WRITE setSession NOTIFY sessionChanged)
  Q_PROPERTY(bool probesSkipped READ probesSkipped NOTIFY changed)
  Q_PROPERTY(double fraction READ fraction NOTIFY changed)
  Q_PROPERTY(QString percentText READ percentText NOTIFY changed)
  Q_PROPERTY(QVariantList figures READ figures NOTIFY changed)
  Q_PROPERTY(bool showsChart READ showsChart NOTIFY changed)
  Q_PROPERTY(tessorin::SpeedChartInput chartInput READ chartInput NOTIFY changed)
  Q_PROPERTY(bool showsBanner READ showsBanner NOTIFY changed)
  Q_PROPERTY(tessorin::ProvisionalBannerInput bannerInput READ bannerInput NOTIFY changed)
  Q_PROPERTY(bool showsSpeedSummary READ showsSpeedSummary NOTIFY changed)
  Q_PROPERTY(tessorin::SpeedSummaryInput speedSummaryInput READ speedSummaryInput NOTIFY changed)
  Q_PROPERTY(QString ringCaption READ ringCaption CONSTANT)

 public:
  ~ProgressPanelModel() override;

  QObject* session() const;
  void setSession(QObject* session);
  bool probesSkipped() const { return common().skipped; }
  double fraction() const { return common().fraction; }
  QString percentText() const { return common().percentText; }
  QVariantList figures() const;
  bool showsChart() const { return common().chart.has_value(); }
  SpeedChartInput chartInput() const { return common().chart.value_or(SpeedChartInput{}); }
  bool showsBanner() const { return common().banner.has_value(); }
  ProvisionalBannerInput bannerInput() const { return common().banner.value_or(ProvisionalBannerInput{}); }
  bool showsSpeedSummary() const { return common().summary.has_value(); }
  SpeedSummaryInput speedSummaryInput() const { return common().summary.value_or(SpeedSummaryInput{}); }
  // The word under the ring's percentage.
  virtual QString ringCaption() const = 0;

  // Recomputations so far (one per turn of the event loop with news at most).
  int recomputations() const;

 Q_SIGNALS:
  void sessionChanged();
  void changed();

 protected:
  // What every progress panel shows.
  struct Common {
    bool skipped = false;
    // The card has not answered for a while (CardSilence).
    bool silent = false;
    double fraction = 0;
    QString percentText;
    std::vector<MetricValue> figures;
    std::optional<SpeedChartInput> chart;
    std::optional<ProvisionalBannerInput> banner;
    std::optional<SpeedSummaryInput> summary;
    friend bool operator==(const Common&, const Common&) = default;
  };

  explicit ProgressPanelModel(QObject* parent);

  // Asks `recompute` for a recomputation on each of the session's signals that change
  // what the panel shows.
  virtual void follow(CoalescedRecompute& recompute, CardSession& session) = 0;
  // Computes what the panel shows of the session (none: the empty panel) and keeps it;
  // true when it differs from what was shown.
  virtual bool refresh(const CardSession* session) = 0;
  virtual const Common& common() const = 0;

  template <class Shown>
  static bool replace(Shown& shown, Shown next) {
    if (next == shown) return false;
    shown = std::move(next);
    return true;
  }

 private:
  void recompute();
  void lookForSilence();

  QPointer<CardSession> session_;
  CoalescedRecompute* recompute_;
  QTimer silenceTimer_;
};

}  // namespace tessorin
