#include "community/store/RecordStoreChoice.hpp"

#include <QDir>
#include <QUrl>

#include "community/store/LocalRecordStore.hpp"
#include "community/store/ServerRecordStore.hpp"

namespace tessorin {

std::unique_ptr<RecordStore> makeRecordStore(QSettings& settings, const QString& folder) {
  QString server = settings.value(QStringLiteral("CommunityServer")).toString().trimmed();
  if (server.isEmpty()) server = QStringLiteral(TESSORIN_COMMUNITY_SERVER);
  if (!server.isEmpty()) return std::make_unique<ServerRecordStore>(settings, QUrl(server));
  return std::make_unique<LocalRecordStore>(settings, QDir(folder).filePath(QStringLiteral("Community.sqlite")));
}

}  // namespace tessorin
