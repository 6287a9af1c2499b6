#pragma once
// FeedDownload: one fetch of the update feed over Qt Network, bounded on every side: at
// most maximumBytes (a larger reply is cut off as soon as it says or shows its size),
// one deadline for the whole exchange, and redirects followed only to addresses
// isSafeUpdateUrl accepts (never from https down to http). Main thread, like the
// QNetworkAccessManager it uses.

#include <chrono>
#include <optional>

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QUrl>
#include <qcoro/qcorotask.h>

#include "shell/update/UpdateFailure.hpp"

namespace tessorin {

struct FeedDownload {
  static constexpr qint64 maximumBytes = 64 * 1024;

  QByteArray bytes;
  std::optional<UpdateFailure> failure;
  int status = 0;  // the HTTP status, when the server answered

  // Starts the request; the reply is the caller's to abort (a cancelled check) and is
  // deleted by receive.
  static QNetworkReply* start(QNetworkAccessManager& network, const QUrl& url);
  static QCoro::Task<FeedDownload> receive(QPointer<QNetworkReply> reply, std::chrono::milliseconds timeout);
};

}  // namespace tessorin
