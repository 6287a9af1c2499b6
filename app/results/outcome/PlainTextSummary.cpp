#include "results/outcome/PlainTextSummary.hpp"

#include <QLocale>
#include <QStringList>

#include "theme/text/DisplayFormat.hpp"
#include "theme/text/IndefiniteArticle.hpp"
#include "theme/Palette.hpp"
#include "results/outcome/ResultFigures.hpp"
#include "tessorin/identity/Manufacturers.hpp"

namespace tessorin {

namespace {

QString fromStd(const std::string& text) { return QString::fromStdString(text); }

// The summary is pasted into mails and forums and saved as a file people search: there
// "64 GB" is typed with an ordinary space, and the reader's own program wraps the lines.
QString typed(QString figures) { return figures.replace(DisplayFormat::unitSpace, QLatin1Char(' ')); }

QString dateText(const QDateTime& date) {
  const QLocale locale;
  const QDateTime local = date.toLocalTime();
  return locale.toString(local.date(), QLocale::LongFormat) + QLatin1Char(' ') +
         locale.toString(local.time(), QLocale::ShortFormat);
}

}  // namespace

std::optional<QString> PlainTextSummary::capacityLine(const CheckOutcome& outcome) {
  if (!outcome.realBytes) return std::nullopt;
  const std::uint64_t real = *outcome.realBytes;
  if (const auto upper = ResultFigures::lostFrom(outcome)) {
    return typed(tr("Really holds: between %1 and %2")
                     .arg(DisplayFormat::roundedSizeText(real), DisplayFormat::roundedSizeText(*upper)));
  }
  if (const auto nominal = ResultFigures::nominalSizeDifferentFromClaim(real, outcome.advertisedBytes)) {
    return typed(tr("Really holds: about %1 (%2 card)").arg(DisplayFormat::roundedSizeText(real), withIndefiniteArticle(*nominal)));
  }
  return typed(tr("Really holds: about %1").arg(DisplayFormat::roundedSizeText(real)));
}

QString PlainTextSummary::metMarkings(const SpeedRating& rating) {
  QStringList labels;
  for (const auto family : {SpeedClass::Family::speed, SpeedClass::Family::uhs, SpeedClass::Family::video}) {
    if (const auto best = rating.bestMet(family)) labels.append(QString::fromUtf8(best->label()));
  }
  return labels.join(QLatin1Char(' '));
}

QString PlainTextSummary::make(const CheckOutcome& outcome, const CardDevice& device,
                               const std::optional<QString>& brandName, bool isUSBDrive) {
  QStringList lines;
  lines.append(tr("Tessorin check of “%1”").arg(fromStd(device.volumeName)));
  lines.append(tr("Verdict: %1").arg(Palette::headline(outcome.verdict, isUSBDrive)));
  lines.append(typed(tr("Claims: %1").arg(DisplayFormat::formatCapacity(outcome.advertisedBytes))));
  if (const auto capacity = capacityLine(outcome)) lines.append(*capacity);
  if (outcome.full) {
    lines.append(typed(tr("Tested: %1 · write %2 · read %3")
                           .arg(DisplayFormat::byteCountText(outcome.full->manifest.writtenBytes()),
                                ResultFigures::speedText(outcome.full->manifest.writeSpeed.average),
                                ResultFigures::speedText(outcome.full->cardReadSpeed()))));
  }
  if (outcome.speed) {
    lines.append(typed(tr("Speed: write %1 sustained · read %2")
                           .arg(ResultFigures::speedText(outcome.speed->sustainedWrite),
                                ResultFigures::speedText(outcome.speed->read))));
    const QString markings = metMarkings(*outcome.speed);
    if (!markings.isEmpty() && !isUSBDrive) lines.append(tr("Lives up to: %1").arg(markings));
  }
  if (brandName) lines.append(tr("Brand on the label: %1").arg(*brandName));
  if (device.registers) {
    if (const auto id = device.registers->manufacturerID) {
      const auto entry = Manufacturers::entry(*id);
      const QString name = entry ? fromStd(entry->name) : tr("unknown");
      const QString hex = QStringLiteral("0x") + QString::number(*id, 16).rightJustified(2, QLatin1Char('0')).toUpper();
      lines.append(tr("Chip manufacturer: %1 (%2)").arg(name, hex));
    }
    if (const auto& product = device.registers->productName) lines.append(tr("Product: %1").arg(fromStd(*product)));
  }
  lines.append(dateText(outcome.date));
  return lines.join(QLatin1Char('\n'));
}

}  // namespace tessorin
