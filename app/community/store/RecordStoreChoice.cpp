#include "community/store/RecordStoreChoice.hpp"

#include <QDir>

#include "community/store/LocalRecordStore.hpp"

namespace tessorin {

std::unique_ptr<RecordStore> makeRecordStore(QSettings& settings, const QString& folder) {
  return std::make_unique<LocalRecordStore>(settings, QDir(folder).filePath(QStringLiteral("Community.sqlite")));
}

}  // namespace tessorin
