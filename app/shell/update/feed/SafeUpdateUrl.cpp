#include "shell/update/feed/SafeUpdateUrl.hpp"

#include <QHostAddress>

namespace tessorin {

bool isSafeUpdateUrl(const QUrl& url) {
  if (!url.isValid() || url.host().isEmpty() || !url.userInfo().isEmpty()) return false;
  if (url.scheme() == QLatin1String("https")) return true;
  if (url.scheme() != QLatin1String("http")) return false;
  const QHostAddress address(url.host());
  return !address.isNull() && address.isLoopback();
}

}  // namespace tessorin
