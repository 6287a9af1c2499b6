#pragma once
// OutcomePanelModel: the presenter of OutcomePanel.qml, what a card's page shows once a
// check has finished. It copies the session's outcome once, when it is given the session,
// and derives from that copy the inputs of the verdict headline, the capacity bars, the
// report card and the details; the notes follow the session's skipped quick check and,
// through the live X-ray, its card and brand; the purchase form's place follows its
// record. "Share Result" copies or saves the plain-text summary made at that moment.
// Main thread.

#include <memory>
#include <optional>
#include <vector>

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include "card/charts/ProbeStripInput.hpp"
#include "card/charts/SpeedSummaryInput.hpp"
#include "results/outcome/CapacityComparisonInput.hpp"
#include "results/outcome/CheckOutcomeInput.hpp"
#include "results/outcome/FigureRow.hpp"
#include "results/outcome/FullDetailsInput.hpp"
#include "results/outcome/VerdictHeadlineInput.hpp"
#include "session/check/CardSession.hpp"

namespace tessorin {

class OutcomePanelModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(tessorin::CardSession* session READ session WRITE setSession NOTIFY sessionChanged)
  Q_PROPERTY(bool hasOutcome READ hasOutcome NOTIFY sessionChanged)
  Q_PROPERTY(QColor verdictColor READ verdictColor NOTIFY sessionChanged)
  Q_PROPERTY(tessorin::VerdictHeadlineInput headline READ headline NOTIFY headlineChanged)
  Q_PROPERTY(bool showsComparison READ showsComparison NOTIFY sessionChanged)
  Q_PROPERTY(tessorin::CapacityComparisonInput comparison READ comparison NOTIFY sessionChanged)
  Q_PROPERTY(QVariantList notes READ noteList NOTIFY notesChanged)
  Q_PROPERTY(bool showsStats READ showsFullDetails NOTIFY sessionChanged)
  Q_PROPERTY(QVariantList stats READ statList NOTIFY sessionChanged)
  Q_PROPERTY(tessorin::CheckOutcomeInput outcome READ outcome NOTIFY sessionChanged)
  Q_PROPERTY(bool showsSpeed READ showsSpeed NOTIFY sessionChanged)
  Q_PROPERTY(QString speedTitle READ speedTitle CONSTANT)
  Q_PROPERTY(tessorin::SpeedSummaryInput speedSummary READ speedSummary NOTIFY cardChanged)
  Q_PROPERTY(bool showsFullDetails READ showsFullDetails NOTIFY sessionChanged)
  Q_PROPERTY(tessorin::FullDetailsInput fullDetails READ fullDetails NOTIFY headlineChanged)
  Q_PROPERTY(bool showsProbes READ showsProbes NOTIFY sessionChanged)
  Q_PROPERTY(QString probesTitle READ probesTitle CONSTANT)
  Q_PROPERTY(tessorin::ProbeStripInput probeStrip READ probeStrip NOTIFY sessionChanged)
  Q_PROPERTY(bool showsPurchase READ showsPurchase NOTIFY showsPurchaseChanged)
  Q_PROPERTY(QString shareLabel READ shareLabel CONSTANT)
  Q_PROPERTY(QString copyLabel READ copyLabel CONSTANT)
  Q_PROPERTY(QString saveLabel READ saveLabel CONSTANT)
  Q_PROPERTY(QString saveTitle READ saveTitle CONSTANT)
  Q_PROPERTY(QString saveFailedTitle READ saveFailedTitle CONSTANT)
  Q_PROPERTY(QString okTitle READ okTitle CONSTANT)
  Q_PROPERTY(QString suggestedFileName READ suggestedFileName CONSTANT)
  Q_PROPERTY(QString checkAgainLabel READ checkAgainLabel CONSTANT)

 public:
  using QObject::QObject;

  CardSession* session() const { return session_; }
  void setSession(CardSession* session);

  bool hasOutcome() const { return outcome_.outcome != nullptr; }
  QColor verdictColor() const;
  VerdictHeadlineInput headline() const;
  bool showsComparison() const;
  CapacityComparisonInput comparison() const;
  QVariantList noteList() const;
  QVariantList statList() const;
  const CheckOutcomeInput& outcome() const { return outcome_; }
  bool showsSpeed() const;
  // The speed box follows the card: whether it is a USB drive, and its USB link.
  SpeedSummaryInput speedSummary() const;
  bool showsFullDetails() const { return hasOutcome() && outcome_.outcome->full.has_value(); }
  FullDetailsInput fullDetails() const;
  bool showsProbes() const;
  ProbeStripInput probeStrip() const;
  bool showsPurchase() const { return session_ && session_->record().has_value(); }

  QString speedTitle() const { return tr("Speed"); }
  QString probesTitle() const { return tr("Quick check probes"); }
  QString shareLabel() const { return tr("Share Result"); }
  QString copyLabel() const { return tr("Copy to Clipboard"); }
  QString saveLabel() const { return tr("Save As…"); }
  QString saveTitle() const { return tr("Save the result"); }
  QString saveFailedTitle() const { return tr("The result could not be saved"); }
  QString okTitle() const { return tr("OK"); }
  QString suggestedFileName() const;
  // The folder the save dialog opens in (SummaryFile::suggestedFolder), and the suggested
  // name in it; asked as the dialog opens, since the folder may be made meanwhile.
  Q_INVOKABLE QUrl suggestedFolder() const;
  Q_INVOKABLE QUrl suggestedFile() const;
  QString checkAgainLabel() const { return tr("Check Again"); }

  // The plain-text summary of the outcome with the card as it is now.
  Q_INVOKABLE QString summary() const;
  Q_INVOKABLE void copySummary() const;
  // Empty when saved, else "message" (what happened, what to do) and "detail" (the
  // system's reason); a failed save leaves no file.
  Q_INVOKABLE QVariantMap saveSummary(const QUrl& file) const;
  Q_INVOKABLE void checkAgain();

  // The advanced test's four key figures: bytes tested, write and read speed, and the time
  // the advanced test spent writing and reading.
  static std::vector<FigureRow> stats(const FullTestResult& full);
  static VerdictHeadlineInput headlineOf(const CheckOutcome& outcome);

 Q_SIGNALS:
  void sessionChanged();
  void notesChanged();
  void showsPurchaseChanged();
  void cardChanged();
  // The outcome, or what the user says the device is.
  void headlineChanged();

 private:
  QPointer<CardSession> session_;
  std::vector<QMetaObject::Connection> connections_;
  CheckOutcomeInput outcome_;
};

}  // namespace tessorin
