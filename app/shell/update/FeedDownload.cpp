#include "shell/update/FeedDownload.hpp"

#include <memory>

#include <QNetworkRequest>
#include <qcoro/qcoronetworkreply.h>

#include "shell/update/feed/SafeUpdateUrl.hpp"

namespace tessorin {

namespace {

// What the reply's own signals found out while the coroutine waited.
struct Interruption {
  std::optional<UpdateFailure> reason;
};

// The reply may die with its QNetworkAccessManager while the coroutine waits.
struct DeleteLater {
  QPointer<QNetworkReply> reply;
  ~DeleteLater() {
    if (reply) reply->deleteLater();
  }
};

constexpr int maximumRedirects = 5;

}  // namespace

QNetworkReply* FeedDownload::start(QNetworkAccessManager& network, const QUrl& url) {
  QNetworkRequest request(url);
  // Every hop is judged in receive: Qt's own "no less safe" policy would follow plain http anywhere.
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::UserVerifiedRedirectPolicy);
  request.setMaximumRedirectsAllowed(maximumRedirects);
  request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
  return network.get(request);
}

QCoro::Task<FeedDownload> FeedDownload::receive(QPointer<QNetworkReply> reply, std::chrono::milliseconds timeout) {
  FeedDownload download;
  if (!reply) {
    download.failure = UpdateFailure::noConnection;
    co_return download;
  }
  const DeleteLater owner{reply};
  auto interruption = std::make_shared<Interruption>();
  auto* raw = reply.data();
  // Once on https, never down to plain http, not even to this computer.
  const bool startedSecure = raw->request().url().scheme() == QLatin1String("https");
  QObject::connect(raw, &QNetworkReply::redirected, raw, [raw, interruption, startedSecure](const QUrl& target) {
    if (isSafeUpdateUrl(target) && (!startedSecure || target.scheme() == QLatin1String("https"))) {
      Q_EMIT raw->redirectAllowed();
    } else {
      interruption->reason = UpdateFailure::unsafeRedirect;
      raw->abort();
    }
  });
  QObject::connect(raw, &QNetworkReply::downloadProgress, raw, [raw, interruption](qint64 received, qint64 total) {
    if (received > maximumBytes || total > maximumBytes) {
      interruption->reason = UpdateFailure::tooLarge;
      raw->abort();
    }
  });

  const bool finished = reply->isFinished() || co_await qCoro(raw).waitForFinished(timeout);
  if (!reply) {
    download.failure = UpdateFailure::noConnection;
    co_return download;
  }
  if (!finished) {
    reply->abort();
    download.failure = UpdateFailure::timedOut;
    co_return download;
  }
  download.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  if (interruption->reason) {
    download.failure = interruption->reason;
  } else if (download.status != 0 && (download.status < 200 || download.status > 299)) {
    download.failure = UpdateFailure::serverError;
  } else if (reply->error() != QNetworkReply::NoError) {
    download.failure = UpdateFailure::noConnection;
  } else {
    download.bytes = reply->read(maximumBytes + 1);
    if (download.bytes.size() > maximumBytes) {
      download.failure = UpdateFailure::tooLarge;
      download.bytes.clear();
    }
  }
  co_return download;
}

}  // namespace tessorin
