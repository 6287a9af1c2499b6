#pragma once
// ReportCardModel: the presenter of ReportCard.qml, the "Claimed and measured" table of a
// finished check: Capacity, the two speed rows when a speed was measured, Data, Health
// and Brand. The outcome's figures never change; the speed class claimed by the card's
// registers, the USB-drive rules and the whole Brand row follow the session's current
// card and brand, so a brand chosen after the check shows at once. Main thread.

#include <optional>
#include <vector>

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include "results/outcome/CheckOutcomeInput.hpp"
#include "results/outcome/ReportCardPhrases.hpp"
#include "results/outcome/ReportCardRow.hpp"
#include "session/check/CardSession.hpp"

namespace tessorin {

class ReportCardModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(tessorin::CardSession* session READ session WRITE setSession NOTIFY sessionChanged)
  Q_PROPERTY(tessorin::CheckOutcomeInput outcome READ outcome WRITE setOutcome NOTIFY outcomeChanged)
  Q_PROPERTY(QString title READ title CONSTANT)
  Q_PROPERTY(QString claimedHeader READ claimedHeader CONSTANT)
  Q_PROPERTY(QString measuredHeader READ measuredHeader CONSTANT)
  Q_PROPERTY(QVariantList rows READ rowList NOTIFY rowsChanged)

 public:
  // What the rows are made of besides the outcome: the card as it is now.
  struct Card {
    CardDevice device;
    std::optional<QString> brandName;
    bool isUSBDrive = false;
    XRayReport::Verdict xrayVerdict = XRayReport::Verdict::notAnalyzed;
  };

  using QObject::QObject;

  CardSession* session() const { return session_; }
  void setSession(CardSession* session);
  const CheckOutcomeInput& outcome() const { return outcome_; }
  void setOutcome(const CheckOutcomeInput& outcome);

  QString title() const { return tr("Claimed and measured"); }
  QString claimedHeader() const { return tr("Claimed"); }
  QString measuredHeader() const { return tr("Measured"); }
  QVariantList rowList() const;

  static std::vector<ReportCardRow> rows(const CheckOutcome& outcome, const Card& card);
  static ReportCardRow measuredRow(const QString& label, const QString& claimed, const ReportCardPhrases::Phrase& phrase);
  // Where the speed rows' figures were measured, said beside them when the advanced test's
  // averages over the whole card are on the page too.
  static QString speedZoneWhere(bool isUSBDrive) {
    return isUSBDrive ? tr("at the start of the drive") : tr("at the start of the card");
  }

 Q_SIGNALS:
  void sessionChanged();
  void outcomeChanged();
  void rowsChanged();

 private:
  QPointer<CardSession> session_;
  QMetaObject::Connection deviceConnection_, brandConnection_, customBrandConnection_;
  CheckOutcomeInput outcome_;
};

}  // namespace tessorin
