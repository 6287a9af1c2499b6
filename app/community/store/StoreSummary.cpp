#include "community/store/StoreSummary.hpp"

#include <algorithm>

namespace tessorin {

int StoreSummary::fakeCount() const {
  return static_cast<int>(std::count_if(reports.begin(), reports.end(), [](const StoreReport& report) {
    return report.verdict == CheckOutcome::Verdict::fake;
  }));
}

int StoreSummary::genuineCount() const {
  return static_cast<int>(std::count_if(reports.begin(), reports.end(), [](const StoreReport& report) {
    return report.verdict == CheckOutcome::Verdict::genuine || report.verdict == CheckOutcome::Verdict::likelyGenuine;
  }));
}

QDateTime StoreSummary::latestDate() const {
  QDateTime latest = QDateTime::fromMSecsSinceEpoch(std::numeric_limits<qint64>::min() / 2, Qt::UTC);
  for (const StoreReport& report : reports) latest = std::max(latest, report.date);
  return latest;
}

}  // namespace tessorin
