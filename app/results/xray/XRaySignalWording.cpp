#include "results/xray/XRaySignalWording.hpp"

#include <QStringList>

#include "theme/text/DisplayFormat.hpp"

namespace tessorin {

namespace {

template <class... Ts>
struct Overloaded : Ts... {
  using Ts::operator()...;
};

QString text(const std::string& value) { return QString::fromStdString(value); }
QString brandLabel(Brand brand) { return DisplayFormat::brandLabel(brand); }

QString brandIDs(Brand brand) {
  QStringList ids;
  for (const std::uint8_t id : brand.manufacturerIDs()) ids << XRaySignalWording::hex(id);
  return ids.join(QStringLiteral(", "));
}

QString foundID(const XRaySignal::BrandMismatch& mismatch) {
  QString found = XRaySignalWording::hex(mismatch.found);
  if (mismatch.foundName) found += QStringLiteral(" (") + text(*mismatch.foundName) + QStringLiteral(")");
  return found;
}

QString date(std::int64_t year, std::int64_t month) { return DisplayFormat::formatProductionDate(year, month); }

}  // namespace

QString XRaySignalWording::hex(std::uint8_t id) {
  return QStringLiteral("0x") + QString::number(id, 16).toUpper().rightJustified(2, u'0');
}

QString XRaySignalWording::title(const XRaySignal& signal, bool isUSBDrive) {
  using S = XRaySignal;
  if (isUSBDrive && std::holds_alternative<S::RegistersHidden>(signal.kind)) {
    return tr("No chip details from a USB drive");
  }
  return std::visit(
      Overloaded{
          [](const S::Manufacturer& m) {
            return m.generic ? tr("Generic manufacturer (%1)").arg(text(m.name)) : tr("Made by %1").arg(text(m.name));
          },
          [](const S::ManufacturerUnknown& m) { return tr("Unknown manufacturer (%1)").arg(hex(m.id)); },
          [](const S::ManufacturerUnassigned&) { return tr("No manufacturer recorded"); },
          [](const S::OemMismatch& m) { return tr("Unusual OEM code “%1”").arg(text(m.found)); },
          [](const S::BrandMatches& m) { return tr("Matches genuine %1 cards").arg(brandLabel(m.brand)); },
          [&signal](const S::BrandMismatch& m) {
            return signal.severity == S::Severity::critical ? tr("Not made by %1").arg(brandLabel(m.brand))
                                                            : tr("Unexpected manufacturer for %1").arg(brandLabel(m.brand));
          },
          [](const S::CapacityBeyondCardType& m) { return tr("Impossible capacity for %1").arg(text(m.type)); },
          [](const S::CardTypeTooBig&) { return tr("Too small to be SDXC"); },
          [](const S::CapacityBeyondAnyCard&) { return tr("No such card exists"); },
          [](const S::RareCapacity&) { return tr("Rare capacity"); },
          [](const S::DateNotSet&) { return tr("Manufacturing date not set"); },
          [](const S::DateInFuture&) { return tr("Manufacturing date in the future"); },
          [](const S::DateTooEarly&) { return tr("Manufacturing date too early"); },
          [](const S::RegistersHidden&) { return tr("Chip details hidden by the reader"); },
          [](const S::SerialNotSet&) { return tr("No serial number"); },
          [](const S::ProductNameMissing&) { return tr("No product name"); },
          [](const S::Fat32OnLargeCard&) { return tr("Reformatted card"); },
          [](const S::LeftoverTestFiles&) { return tr("Leftover test files"); },
      },
      signal.kind);
}

QString XRaySignalWording::explanation(const XRaySignal& signal, bool isUSBDrive, bool exFATGivesQuickCheck) {
  using S = XRaySignal;
  if (!exFATGivesQuickCheck && std::holds_alternative<S::Fat32OnLargeCard>(signal.kind)) {
    return tr("Cards over 32\u00A0GB leave the factory formatted as exFAT; this one uses FAT32. On this system the "
              "quick check can’t run on exFAT either, so only the advanced test can run.");
  }
  if (isUSBDrive && std::holds_alternative<S::RegistersHidden>(signal.kind)) {
    return tr("USB drives don’t report who made their memory chip, so there is no maker to compare with the label. "
              "The tests above have the final word.");
  }
  return std::visit(
      Overloaded{
          [](const S::Manufacturer& m) {
            return m.generic ? tr("Manufacturer ID %1 shows up mostly on unbranded and counterfeit cards.").arg(hex(m.id))
                             : tr("Manufacturer ID %1, as reported by the card.").arg(hex(m.id));
          },
          [](const S::ManufacturerUnknown&) {
            return tr("This ID isn’t on Tessorin’s list. That alone doesn’t make the card fake.");
          },
          [](const S::ManufacturerUnassigned& m) {
            return tr("The card reports manufacturer ID %1, a value no real maker has. Genuine cards always carry one.")
                .arg(hex(m.id));
          },
          [](const S::OemMismatch& m) {
            QStringList expected;
            for (const std::string& code : m.expected) expected << text(code);
            return tr("Cards from this maker normally report “%1”.").arg(expected.join(QStringLiteral("”, “")));
          },
          [](const S::BrandMatches& m) {
            return tr("The manufacturer ID is the one genuine %1 cards report.").arg(brandLabel(m.brand));
          },
          [&signal](const S::BrandMismatch& m) {
            if (signal.severity == S::Severity::critical) {
              return tr("%1 makes its own cards, which report manufacturer ID %2. This one reports %3 — the classic "
                        "sign of a counterfeit.")
                  .arg(brandLabel(m.brand), brandIDs(m.brand), foundID(m));
            }
            return tr("Genuine %1 cards usually report %2. This one reports %3. Some brands buy from several "
                      "factories, so this alone is not proof.")
                .arg(brandLabel(m.brand), brandIDs(m.brand), foundID(m));
          },
          [](const S::CapacityBeyondCardType& m) {
            return tr("The card says it is %1, a standard that can’t hold %2.")
                .arg(text(m.type), DisplayFormat::byteCountText(m.capacity));
          },
          [](const S::CardTypeTooBig& m) {
            return tr("SDXC is for cards over 32\u00A0GB, but this one claims only %1.")
                .arg(DisplayFormat::byteCountText(m.capacity));
          },
          [](const S::CapacityBeyondAnyCard& m) {
            return tr("%1 is more than the SD standard allows. Cards like this are always counterfeit.")
                .arg(DisplayFormat::byteCountText(m.capacity));
          },
          [](const S::RareCapacity& m) {
            return tr("%1 cards are rare and expensive, and a favorite of counterfeiters.")
                .arg(DisplayFormat::formatCapacity(m.capacity));
          },
          [](const S::DateNotSet& m) {
            return tr("The card reports %1, the register’s blank value. Genuine factories record the real date.")
                .arg(date(m.year, m.month));
          },
          [](const S::DateInFuture& m) { return tr("The card claims it was made in %1.").arg(date(m.year, m.month)); },
          [](const S::DateTooEarly& m) {
            return tr("The card claims %1, before cards this large existed.").arg(date(m.year, m.month));
          },
          [](const S::RegistersHidden&) {
            return tr("USB readers don’t pass on the card’s identity registers. Use this computer’s own SD slot to see "
                      "who made the chip.");
          },
          [](const S::SerialNotSet&) { return tr("The serial number is blank. Every genuine card has its own."); },
          [](const S::ProductNameMissing&) { return tr("Genuine cards record a product name, such as “SN128”."); },
          [](const S::Fat32OnLargeCard&) {
            return tr("Cards over 32\u00A0GB leave the factory formatted as exFAT; this one uses FAT32. The quick check needs "
                      "exFAT, so only the advanced test can run.");
          },
          [](const S::LeftoverTestFiles&) { return tr("An earlier test was interrupted and left its files on the card."); },
      },
      signal.kind);
}

}  // namespace tessorin
