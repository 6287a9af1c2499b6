#pragma once
// CommunityAccount: this installation's author identity with one back end, kept in the
// setting "CommunityAccount" as {server, author, token}: the server's URL ("" for the
// records kept on this computer), the author name the back end knows it by, and the
// secret token a server gave it. An identity made for another back end is not used.
// Main thread only (QSettings).

#include <optional>

#include <QSettings>
#include <QString>

namespace tessorin {

struct CommunityAccount {
  QString server;
  QString author;
  QString token;

  // The identity kept for this back end, if any.
  static std::optional<CommunityAccount> stored(QSettings& settings, const QString& server);
  // The kept identity for this computer's own records, made and kept on first need.
  static CommunityAccount local(QSettings& settings);
  void store(QSettings& settings) const;
  static void drop(QSettings& settings);

  friend bool operator==(const CommunityAccount&, const CommunityAccount&) = default;
};

}  // namespace tessorin
