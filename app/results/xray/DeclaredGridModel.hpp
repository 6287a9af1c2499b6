#pragma once
// DeclaredGridModel: what the system, the card and its reader declare about a device, as
// rows of label and value: the capacity the medium reports, the volume's name, its file
// system and cluster size, the partition table and where the volume starts, the reader,
// the USB link and the fastest read this reader has given before. Facts only, no
// judgement; a fact that is not known shortens the list. The remembered best read is read
// again at each new stage, since a check that ends may have raised it. Main thread.

#include <optional>

#include <QList>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "results/xray/FactGridModel.hpp"
#include "results/xray/GridRow.hpp"
#include "tessorin/identity/CardDevice.hpp"

namespace tessorin {

class DeclaredGridModel : public FactGridModel {
  Q_OBJECT
  QML_ELEMENT

 public:
  using FactGridModel::FactGridModel;

  // readerBest: the best read remembered for the device's reader, bytes per second. A USB
  // drive is its own "reader", so its rows name the drive instead.
  static QList<GridRow> rowsFor(const CardDevice& device, std::optional<double> readerBest, bool isUSBDrive);
  // The file system, with its cluster size when the volume reports one.
  static QString formatText(const CardDevice& device);
  // "MBR", "GPT", "APM", another scheme's name as it stands, or "none"; with the offset
  // at which the volume starts when that is known.
  static QString partitionTableName(const CardDevice& device);
  // This computer's slot, the USB names and IDs, or the reader's name; nothing for a
  // device that is neither built in nor on USB and names no reader.
  static std::optional<QString> readerText(const CardDevice& device);
  // "USB 3 · 5 Gb/s"; nothing without a link speed that is a finite number above zero.
  static std::optional<QString> usbConnectionText(const CardDevice& device);

 protected:
  QList<GridRow> rowsOf(const CardSession& session) const override;
};

}  // namespace tessorin
