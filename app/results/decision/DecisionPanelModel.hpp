#pragma once
// DecisionPanelModel: the presenter of DecisionPanel.qml, the choice the card page offers
// when a quick check found a fake or damaged card: what it found (the verdict headline,
// the capacity bars of a fake, the probes, one sentence, the warnings and the speed box)
// and whether to confirm it with the advanced test, with that test's estimate.
//
// It copies the session's quick result once per change and derives every quick figure
// from that one copy, so the headline, the bars and the sentence never mix two results.
// The session is held weakly: a session deleted under the page leaves the panel empty and
// its buttons inert. Main thread; `changed` follows the session's quick result, device,
// zone result and the reader's remembered speed.

#include <cstdint>
#include <optional>

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "card/charts/ProbeStripInput.hpp"
#include "card/charts/SpeedSummaryInput.hpp"
#include "results/outcome/CapacityComparisonInput.hpp"
#include "results/outcome/VerdictHeadlineInput.hpp"
#include "session/check/CardSession.hpp"
#include "tessorin/quick/QuickProbeResult.hpp"

namespace tessorin {

class DecisionPanelModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(QObject* session READ session WRITE setSession NOTIFY sessionChanged)
  Q_PROPERTY(QColor tint READ tint NOTIFY changed)
  // Items from the headline to the speed box show only with a quick result.
  Q_PROPERTY(bool hasQuickResult READ hasQuickResult NOTIFY changed)
  Q_PROPERTY(tessorin::VerdictHeadlineInput headline READ headline NOTIFY changed)
  Q_PROPERTY(bool showsComparison READ showsComparison NOTIFY changed)
  Q_PROPERTY(tessorin::CapacityComparisonInput comparison READ comparison NOTIFY changed)
  Q_PROPERTY(tessorin::ProbeStripInput probeStrip READ probeStrip NOTIFY changed)
  Q_PROPERTY(QString sentence READ sentence NOTIFY changed)
  Q_PROPERTY(bool showsLostWarning READ showsLostWarning NOTIFY changed)
  Q_PROPERTY(QString lostWarning READ lostWarning CONSTANT)
  Q_PROPERTY(bool showsFailedWarning READ showsFailedWarning NOTIFY changed)
  Q_PROPERTY(QString failedWarning READ failedWarning CONSTANT)
  // With a quick result and a zone for speeds: the quick check's own, else one run apart.
  Q_PROPERTY(bool showsSpeed READ showsSpeed NOTIFY changed)
  Q_PROPERTY(tessorin::SpeedSummaryInput speedSummary READ speedSummary NOTIFY changed)
  Q_PROPERTY(QString question READ question CONSTANT)
  Q_PROPERTY(QString estimateSentence READ estimateSentence NOTIFY changed)
  Q_PROPERTY(QString finishTitle READ finishTitle CONSTANT)
  Q_PROPERTY(QString confirmTitle READ confirmTitle CONSTANT)

 public:
  // What a quick result says at the decision, before any card or speed is added.
  struct Findings {
    QColor tint;
    CheckOutcome::Verdict shownVerdict = CheckOutcome::Verdict::fake;
    // The lower end of a fake card's range, and its upper end when the range is wide.
    std::optional<std::uint64_t> realBytes;
    std::optional<std::uint64_t> wideRangeEnd;
    bool showsComparison = false;
    QString sentence;
    bool lostWarning = false;
    bool failedWarning = false;
  };

  explicit DecisionPanelModel(QObject* parent = nullptr);

  QObject* session() const { return session_; }
  void setSession(QObject* session);

  QColor tint() const { return findings_.tint; }
  bool hasQuickResult() const { return quick_.has_value(); }
  VerdictHeadlineInput headline() const;
  bool showsComparison() const { return findings_.showsComparison; }
  CapacityComparisonInput comparison() const;
  ProbeStripInput probeStrip() const;
  QString sentence() const { return findings_.sentence; }
  bool showsLostWarning() const { return findings_.lostWarning; }
  QString lostWarning() const;
  bool showsFailedWarning() const { return findings_.failedWarning; }
  QString failedWarning() const;
  bool showsSpeed() const { return speed_.has_value(); }
  SpeedSummaryInput speedSummary() const { return speed_.value_or(SpeedSummaryInput()); }
  QString question() const;
  QString estimateSentence() const;
  QString finishTitle() const;
  QString confirmTitle() const;

  // "Finish Here": the check ends with the quick result.
  Q_INVOKABLE void finishHere();
  // "Confirm With Advanced Test", also the Return key's action.
  Q_INVOKABLE void confirm();

  // The pure rules, for tests.
  static Findings findings(const std::optional<QuickProbeResult>& quick);
  static QString sentence(const QuickProbeResult& quick);
  static QString estimateSentence(std::uint64_t availableBytes);

 Q_SIGNALS:
  void sessionChanged();
  void changed();

 private:
  void update();

  QPointer<CardSession> session_;
  std::optional<QuickProbeResult> quick_;
  Findings findings_ = findings(std::nullopt);
  std::uint64_t claimedBytes_ = 0;
  std::uint64_t availableBytes_ = 0;
  std::optional<SpeedSummaryInput> speed_;
};

}  // namespace tessorin
