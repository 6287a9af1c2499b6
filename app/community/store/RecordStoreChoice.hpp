#pragma once
// Which record store the community uses: the community server named by the setting
// "CommunityServer", else the one the build names (TESSORIN_COMMUNITY_SERVER), else the
// SQLite file "Community.sqlite" in the given folder (the history's). A server address
// that cannot be used makes the community unavailable rather than falling back silently.
// Main thread only.

#include <memory>

#include <QSettings>
#include <QString>

#include "community/store/RecordStore.hpp"

namespace tessorin {

std::unique_ptr<RecordStore> makeRecordStore(QSettings& settings, const QString& folder);

}  // namespace tessorin
