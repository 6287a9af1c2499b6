#pragma once
// RegistersGridModel: what the card states about itself in its identity registers, as
// rows of label and value (manufacturer, OEM code, product name and revision, serial,
// manufacturing date, card type, speed class, specification); a row whose value the card
// does not give is left out. Main thread.

#include <QList>
#include <QtQml/qqmlregistration.h>

#include "results/xray/FactGridModel.hpp"
#include "results/xray/GridRow.hpp"
#include "tessorin/identity/CardRegisters.hpp"

namespace tessorin {

class RegistersGridModel : public FactGridModel {
  Q_OBJECT
  QML_ELEMENT

 public:
  using FactGridModel::FactGridModel;

  static QList<GridRow> rowsFor(const CardRegisters& registers);

 protected:
  QList<GridRow> rowsOf(const CardSession& session) const override;
};

}  // namespace tessorin
