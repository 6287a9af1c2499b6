#pragma once
// gadgetList: a list of plain values as the QVariantList a QML Repeater takes.

#include <vector>

#include <QVariant>
#include <QVariantList>

namespace tessorin {

template <class T>
QVariantList gadgetList(const std::vector<T>& values) {
  QVariantList list;
  list.reserve(static_cast<qsizetype>(values.size()));
  for (const T& value : values) list.append(QVariant::fromValue(value));
  return list;
}

}  // namespace tessorin
