#include "results/outcome/CapacityComparisonModel.hpp"

#include <algorithm>

#include "theme/text/DisplayFormat.hpp"

namespace tessorin {

void CapacityComparisonModel::setInput(const CapacityComparisonInput& input) {
  if (input == input_) return;
  input_ = input;
  Q_EMIT inputChanged();
}

QString CapacityComparisonModel::claimedText() const { return DisplayFormat::formatCapacity(input_.advertised); }

QString CapacityComparisonModel::realTextOf(const CapacityComparisonInput& input) {
  if (!input.real) return QStringLiteral("?");
  const QString real = DisplayFormat::roundedSizeText(*input.real);
  if (!input.lostFrom) return QStringLiteral("≈ ") + real;
  return real + QStringLiteral(" – ") + DisplayFormat::roundedSizeText(*input.lostFrom);
}

qreal CapacityComparisonModel::realShareOf(const CapacityComparisonInput& input) {
  if (!input.real) return 0;
  const double share = static_cast<double>(*input.real) / static_cast<double>(std::max<std::uint64_t>(input.advertised, 1));
  return std::min(share, 1.0);
}

}  // namespace tessorin
