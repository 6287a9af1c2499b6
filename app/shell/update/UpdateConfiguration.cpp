#include "shell/update/UpdateConfiguration.hpp"

#include "BuiltInUpdateConfiguration.hpp"

namespace tessorin {

UpdateConfiguration UpdateConfiguration::builtIn() {
  UpdateConfiguration configuration;
  configuration.publicKey = QString::fromLatin1(builtin::updatePublicKey);
  configuration.feedUrl = QUrl(QString::fromLatin1(builtin::updateFeedUrl), QUrl::StrictMode);
  configuration.runningVersion = QString::fromLatin1(builtin::applicationVersion);
  return configuration;
}

}  // namespace tessorin
