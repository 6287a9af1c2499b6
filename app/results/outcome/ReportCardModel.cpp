#include "results/outcome/ReportCardModel.hpp"

#include "theme/text/DisplayFormat.hpp"
#include "theme/Palette.hpp"
#include "theme/GadgetList.hpp"
#include "results/xray/LiveXRay.hpp"
#include "results/outcome/ResultFigures.hpp"

namespace tessorin {

namespace {

using Tone = ReportCardPhrases::Tone;

void setMark(ReportCardRow& row, Tone tone) {
  switch (tone) {
    case Tone::good:
      row.toneSymbol = QStringLiteral("checkmark.circle.fill");
      row.toneColor = Palette::green();
      return;
    case Tone::bad:
      row.toneSymbol = QStringLiteral("xmark.circle.fill");
      row.toneColor = Palette::red();
      return;
    case Tone::neutral:
      break;
  }
  row.toneSymbol = QStringLiteral("minus.circle");
  row.toneSecondary = true;
}

Tone toneOf(SpeedRating::Check check) {
  switch (check) {
    case SpeedRating::Check::met:
      return Tone::good;
    case SpeedRating::Check::missed:
      return Tone::bad;
    case SpeedRating::Check::unknown:
      break;
  }
  return Tone::neutral;
}

QString checkName(SpeedRating::Check check) {
  switch (check) {
    case SpeedRating::Check::met:
      return QStringLiteral("met");
    case SpeedRating::Check::missed:
      return QStringLiteral("missed");
    case SpeedRating::Check::unknown:
      break;
  }
  return QStringLiteral("unknown");
}

ReportCardRow writeSpeedMarksRow(const QString& label, const QString& claimed, const SpeedRating& rating,
                                 bool isUSBDrive) {
  ReportCardRow row;
  row.label = label;
  row.claimed = claimed;
  row.measured = ResultFigures::speedText(rating.sustainedWrite);
  row.speedMarks = true;
  setMark(row, isUSBDrive ? Tone::neutral : toneOf(rating.check(SpeedClass::class10)));
  if (!isUSBDrive && !rating.dataLost) {
    for (const auto& [marking, check] : rating.markings()) {
      row.badges.append(QVariant::fromValue(ReportCardBadge{QString::fromUtf8(marking.rawValue()),
                                                       QString::fromUtf8(marking.label()), checkName(check)}));
    }
  }
  return row;
}

}  // namespace

ReportCardRow ReportCardModel::measuredRow(const QString& label, const QString& claimed,
                                           const ReportCardPhrases::Phrase& phrase) {
  ReportCardRow row;
  row.label = label;
  row.claimed = claimed;
  row.measured = phrase.text;
  setMark(row, phrase.tone);
  return row;
}

std::vector<ReportCardRow> ReportCardModel::rows(const CheckOutcome& outcome, const Card& card) {
  const QString dash = DisplayFormat::missing();
  const QString claimedClass = ReportCardPhrases::registerSpeedClass(card.device).value_or(dash);
  const QString writeLabel = tr("Write speed");
  const QString readLabel = tr("Read speed");

  std::vector<ReportCardRow> rows;
  rows.push_back(measuredRow(tr("Capacity"), DisplayFormat::formatCapacity(outcome.advertisedBytes),
                             ReportCardPhrases::capacityVerdict(outcome)));
  if (outcome.speed) {
    rows.push_back(writeSpeedMarksRow(writeLabel, claimedClass, *outcome.speed, card.isUSBDrive));
    rows.push_back(measuredRow(readLabel, dash, ReportCardPhrases::readSpeedPhrase(*outcome.speed, card.isUSBDrive)));
    if (outcome.full) {
      // The advanced test's averages over the whole card show on the same page; these
      // figures are the speed zone's, and say so.
      for (auto row = rows.end() - 2; row != rows.end(); ++row) row->measuredWhere = speedZoneWhere(card.isUSBDrive);
    }
  } else if (outcome.full) {
    rows.push_back(measuredRow(writeLabel, claimedClass,
                               {ResultFigures::speedText(outcome.full->manifest.writeSpeed.average), Tone::neutral}));
    rows.push_back(
        measuredRow(readLabel, dash, {ResultFigures::speedText(outcome.full->cardReadSpeed()), Tone::neutral}));
  }
  rows.push_back(measuredRow(tr("Data"), dash, ReportCardPhrases::dataPhrase(outcome)));
  rows.push_back(measuredRow(tr("Health"), dash, ReportCardPhrases::healthPhrase(outcome)));
  rows.push_back(measuredRow(tr("Brand"), card.brandName.value_or(tr("Not given")),
                             {Palette::title(card.xrayVerdict), ReportCardPhrases::brandTone(card.xrayVerdict)}));
  return rows;
}

void ReportCardModel::setSession(CardSession* session) {
  if (session == session_) return;
  for (auto* connection : {&deviceConnection_, &brandConnection_, &customBrandConnection_}) {
    QObject::disconnect(*connection);
  }
  session_ = session;
  if (session) {
    deviceConnection_ = connect(session, &CardSession::deviceChanged, this, &ReportCardModel::rowsChanged);
    brandConnection_ = connect(session, &CardSession::claimedBrandChanged, this, &ReportCardModel::rowsChanged);
    customBrandConnection_ =
        connect(session, &CardSession::customBrandNameChanged, this, &ReportCardModel::rowsChanged);
  }
  Q_EMIT sessionChanged();
  Q_EMIT rowsChanged();
}

void ReportCardModel::setOutcome(const CheckOutcomeInput& outcome) {
  if (outcome == outcome_) return;
  outcome_ = outcome;
  Q_EMIT outcomeChanged();
  Q_EMIT rowsChanged();
}

QVariantList ReportCardModel::rowList() const {
  if (!session_ || !outcome_.outcome) return {};
  Card card;
  card.device = session_->device();
  if (const auto name = session_->brandName()) card.brandName = QString::fromStdString(*name);
  card.isUSBDrive = session_->isUSBDrive();
  card.xrayVerdict = LiveXRay::of(*session_).verdict();
  return gadgetList(rows(*outcome_.outcome, card));
}

}  // namespace tessorin
