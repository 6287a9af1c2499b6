#include "session/settings/AppSettings.hpp"

namespace tessorin {

namespace {
const QString showDiskImagesKey = QStringLiteral("ShowDiskImages");
const QString reinsertBeforeVerifyKey = QStringLiteral("ReinsertBeforeVerify");
}  // namespace

AppSettings::AppSettings(QSettings& settings, QObject* parent)
    : QObject(parent), settings_(settings), showDiskImages_(settings.value(showDiskImagesKey, false).toBool()) {}

bool AppSettings::reinsertBeforeVerify() const { return settings_.value(reinsertBeforeVerifyKey, false).toBool(); }

void AppSettings::setReinsertBeforeVerify(bool reinsert) {
  if (reinsert == reinsertBeforeVerify()) return;
  settings_.setValue(reinsertBeforeVerifyKey, reinsert);
  Q_EMIT reinsertBeforeVerifyChanged();
}

}  // namespace tessorin
