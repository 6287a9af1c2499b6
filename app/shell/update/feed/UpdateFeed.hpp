#pragma once
// UpdateFeed: what a feed says about the newest release: its version, when it was
// published, the page to download it from and its release notes, as the JSON object
//   {"version": "1.10", "published": "2026-12-01T00:00:00Z",
//    "url": "https://…", "notes": "…"}
// Read only from bytes whose signature has been checked. Even then every field is held
// to its rule (a version that parses, an ISO 8601 date, a safe download page, text
// notes); a feed that breaks one is no feed, never an offer. A plain value; any thread.

#include <optional>

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QUrl>

#include "shell/update/feed/AppVersion.hpp"

namespace tessorin {

struct UpdateFeed {
  AppVersion version;
  QDateTime published;
  QUrl url;
  QString notes;

  static std::optional<UpdateFeed> parse(const QByteArray& verifiedBytes);
};

}  // namespace tessorin
