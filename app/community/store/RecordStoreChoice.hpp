#pragma once
// Which record store the community uses. Main thread only.

#include <memory>

#include <QSettings>
#include <QString>

#include "community/store/RecordStore.hpp"

namespace tessorin {

// The SQLite file "Community.sqlite" in the given folder (the history's).
std::unique_ptr<RecordStore> makeRecordStore(QSettings& settings, const QString& folder);

}  // namespace tessorin
