#pragma once
// UpdateConfiguration: where the update checker looks and whom it trusts: the Ed25519
// public key (base64) that signs the feed, the feed's address, the version this program
// is, and how long one check may take. builtIn() is what this build was configured with
// (empty key and address: checking is off); tests hand the Updater their own. A plain
// value.

#include <chrono>

#include <QString>
#include <QUrl>

namespace tessorin {

struct UpdateConfiguration {
  QString publicKey;
  QUrl feedUrl;
  QString runningVersion;
  std::chrono::milliseconds timeout{15'000};

  static UpdateConfiguration builtIn();
};

}  // namespace tessorin
