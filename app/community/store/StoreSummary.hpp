#pragma once
// StoreSummary: the visible reports of one store bought on one platform, newest first,
// as the community screen lists them; only CommunityStore::summaries makes them, each
// with at least one report. A plain value.

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <vector>

#include "community/store/StoreReport.hpp"
#include "session/records/Platform.hpp"

namespace tessorin {

struct StoreSummary {
  QString id;  // store key, "|", the platform's raw value
  QString store;  // as written in the newest report
  Platform platform = Platform::other;
  QStringList countries;  // distinct, ascending; "" when a report has no country
  std::vector<StoreReport> reports;

  int fakeCount() const;
  int genuineCount() const;  // genuine or likely genuine
  // The earliest representable date for no reports.
  QDateTime latestDate() const;

  friend bool operator==(const StoreSummary&, const StoreSummary&) = default;
};

}  // namespace tessorin
