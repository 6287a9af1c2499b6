#include "results/xray/RegistersGridModel.hpp"

#include "theme/text/DisplayFormat.hpp"
#include "results/xray/XRaySignalWording.hpp"
#include "tessorin/identity/Manufacturers.hpp"

namespace tessorin {

namespace {

QString text(const std::string& value) { return QString::fromStdString(value); }

}  // namespace

QList<GridRow> RegistersGridModel::rowsOf(const CardSession& session) const {
  if (!session.device().registers) return {};
  return rowsFor(*session.device().registers);
}

QList<GridRow> RegistersGridModel::rowsFor(const CardRegisters& registers) {
  QList<GridRow> rows;
  if (registers.manufacturerID) {
    const auto entry = Manufacturers::entry(*registers.manufacturerID);
    rows.append({tr("Manufacturer ID"), QStringLiteral("%1 · %2").arg(XRaySignalWording::hex(*registers.manufacturerID),
                                                                      entry ? text(entry->name) : tr("unknown"))});
  }
  if (registers.oemID) rows.append({tr("OEM ID"), text(*registers.oemID)});
  if (registers.productName) rows.append({tr("Product name"), text(*registers.productName)});
  if (registers.productRevision) rows.append({tr("Revision"), text(*registers.productRevision)});
  if (const auto serial = registers.serialHex()) rows.append({tr("Serial number"), text(*serial)});
  if (registers.manufacturingYear) {
    rows.append({tr("Manufactured"), DisplayFormat::formatProductionDate(*registers.manufacturingYear,
                                                                         registers.manufacturingMonth.value_or(1))});
  }
  if (registers.cardType) rows.append({tr("Card type"), text(*registers.cardType)});
  if (const auto rating = registers.speedClassRating()) {
    rows.append({tr("Speed class"), tr("Class %1").arg(static_cast<qlonglong>(*rating))});
  }
  if (registers.specificationVersion) rows.append({tr("SD specification"), text(*registers.specificationVersion)});
  return rows;
}

}  // namespace tessorin
