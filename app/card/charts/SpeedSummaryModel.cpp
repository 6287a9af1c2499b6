#include "card/charts/SpeedSummaryModel.hpp"

#include <limits>

#include <QCoreApplication>

#include "theme/text/DisplayFormat.hpp"

namespace tessorin {

namespace {


constexpr double usb3LinkSpeed = 1'000'000'000;

QString checkName(SpeedRating::Check check) {
  switch (check) {
    case SpeedRating::Check::met: return QStringLiteral("met");
    case SpeedRating::Check::missed: return QStringLiteral("missed");
    case SpeedRating::Check::unknown: return QStringLiteral("unknown");
  }
  return {};
}

QString text(std::string_view view) { return QString::fromUtf8(view.data(), static_cast<qsizetype>(view.size())); }

MarkingBadge badge(SpeedClass marking, SpeedRating::Check check) {
  return {text(marking.rawValue()), checkName(check), text(marking.label())};
}

QVariantList listOf(const std::vector<MarkingBadge>& badges) {
  QVariantList list;
  for (const MarkingBadge& badge : badges) list.append(QVariant::fromValue(badge));
  return list;
}

}  // namespace

SpeedSummaryModel::SpeedSummaryModel(QObject* parent) : QObject(parent), looks_(looks(input_)) {}

std::optional<QString> SpeedSummaryModel::readerNote(const SpeedRating& rating, std::optional<double> usbLink) {
  if (rating.bus == BusMode::legacy) {
    return tr("It reads no faster than the old SD bus allows (25\u00A0MB/s), in a reader that has gone faster with other "
              "cards: it doesn’t support UHS, so U1, U3 or V30 markings on it are false.");
  }
  const std::optional<std::string> uncheckable = rating.uncheckableMarkingsText();
  if (!uncheckable) return std::nullopt;
  QString note = tr("This reader didn’t go faster than %1, so it may be what holds the card back: %2 can’t be "
                    "checked with it. A faster reader (USB 3, UHS-I) settles it.")
                     .arg(DisplayFormat::formatSpeed(rating.readerCeiling), QString::fromStdString(*uncheckable));
  if (usbLink && *usbLink > 0 && *usbLink < usb3LinkSpeed) {
    note += QLatin1Char(' ') + tr("USB 2 readers stop at about 40\u00A0MB/s.");
  }
  return note;
}

SpeedSummaryModel::Looks SpeedSummaryModel::looks(const SpeedSummaryInput& input) {
  const SpeedRating& rating = input.rating;
  const ZoneResult& zone = input.zone;
  Looks looks;
  if (input.isSDCard && rating.dataLost && input.refusal == WriteRefusal::readOnly) {
    // It refused the writes rather than losing them: what it holds is still there.
    looks.dataLostText = tr("The card stopped accepting writes while it was measured, so how fast it took them "
                            "proves nothing.");
  } else if (input.isSDCard && rating.dataLost) {
    looks.dataLostText = tr("The card lost what it was given, so how fast it took it proves nothing.");
  } else if (input.isSDCard) {
    looks.showsLivesUpTo = true;
    looks.showsNoMarkingChip = rating.met.empty();
    for (const SpeedRating::Marking& marking : rating.markings()) {
      looks.markings.push_back(badge(marking.marking, marking.check));
    }
    if (const auto appClass = rating.appClass(zone.randomReadIOPS, zone.randomWriteIOPS)) {
      looks.appClass = text(appClass->rawValue());
      looks.appClassLabel = text(appClass->label());
    }
    for (const auto family : {SpeedClass::Family::speed, SpeedClass::Family::uhs, SpeedClass::Family::video}) {
      if (const auto missed = rating.firstMissed(family)) looks.missed.push_back(badge(*missed, SpeedRating::Check::missed));
    }
    looks.readerNote = readerNote(rating, input.usbLink).value_or(QString());
    looks.readerNoteWarns = rating.bus == BusMode::legacy;
  }
  if (const std::int64_t pauses = zone.stalledSegmentCount(); pauses > 0) {
    looks.pausesText = tr("Pauses while writing: %1").arg(pauses);
  }
  // A USB drive has no reader in front of it to wait on.
  if (input.isSDCard && zone.randomReadIOPS && input.usbLink) {
    looks.usbNote = tr("Through a USB reader every small access also waits on the reader, so random speeds come out "
                       "lower than in a phone or camera.");
  }
  const std::uint64_t largest = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  const QString measured = DisplayFormat::byteCountText(std::min(zone.bytes, largest));
  looks.measuredText = input.isSDCard ? tr("Measured over %1 at the start of the card. Write speeds include the card’s "
                                           "pauses, the way recording video does.")
                                            .arg(measured)
                                      : tr("Measured over %1 at the start of the drive. Write speeds include the "
                                           "drive’s pauses, the way recording video does.")
                                            .arg(measured);
  if (!zone.readBackReachedCard) {
    looks.measuredText += QLatin1Char(' ') + tr("Read speeds aren’t shown: this computer kept its own copy of what "
                                                "was written, and Tessorin wasn’t allowed to clear it.");
  }
  return looks;
}

void SpeedSummaryModel::setInput(const SpeedSummaryInput& input) {
  if (input_ == input) return;
  input_ = input;
  looks_ = looks(input_);
  Q_EMIT changed();
}

QVariantList SpeedSummaryModel::markings() const { return listOf(looks_.markings); }
QVariantList SpeedSummaryModel::missed() const { return listOf(looks_.missed); }
QString SpeedSummaryModel::livesUpToTitle() const { return tr("Lives up to"); }
QString SpeedSummaryModel::doesNotReachTitle() const { return tr("Doesn’t reach"); }
QString SpeedSummaryModel::noMarkingText() const { return tr("No speed marking"); }

}  // namespace tessorin
