#include "community/store/CommunityAccount.hpp"

#include <QUuid>
#include <QVariantMap>

namespace tessorin {

namespace {

const QString key = QStringLiteral("CommunityAccount");

}  // namespace

std::optional<CommunityAccount> CommunityAccount::stored(QSettings& settings, const QString& server) {
  const QVariantMap map = settings.value(key).toMap();
  CommunityAccount account{map.value(QStringLiteral("server")).toString(), map.value(QStringLiteral("author")).toString(),
                           map.value(QStringLiteral("token")).toString()};
  if (account.server != server || account.author.isEmpty()) return std::nullopt;
  return account;
}

CommunityAccount CommunityAccount::local(QSettings& settings) {
  if (auto account = stored(settings, QString())) return *account;
  CommunityAccount account{QString(), QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper(), QString()};
  account.store(settings);
  return account;
}

void CommunityAccount::store(QSettings& settings) const {
  settings.setValue(key, QVariantMap{{QStringLiteral("server"), server},
                                     {QStringLiteral("author"), author},
                                     {QStringLiteral("token"), token}});
  settings.sync();
}

void CommunityAccount::drop(QSettings& settings) {
  settings.remove(key);
  settings.sync();
}

}  // namespace tessorin
