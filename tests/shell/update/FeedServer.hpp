#pragma once
// FeedServer: a small HTTP/1.1 server on 127.0.0.1 (a free port) inside a test, so that
// update checks go over a real socket without leaving this computer. Each path answers
// with the FeedReply set for it (404 when none), or not at all; every request is counted.
// Main thread.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QTcpServer>
#include <QUrl>

namespace tessorin {

struct FeedReply {
  int status = 200;
  QByteArray body;
  QList<QPair<QByteArray, QByteArray>> headers;
  bool answers = true;       // false: read the request and keep silent
  bool sendsLength = true;   // false: the body ends when the connection closes

  static FeedReply ok(QByteArray body) { return withStatus(200, std::move(body)); }
  static FeedReply withStatus(int status, QByteArray body) { return FeedReply{status, std::move(body), {}, true, true}; }
  static FeedReply unsized(QByteArray body) { return FeedReply{200, std::move(body), {}, true, false}; }
  static FeedReply silent() { return FeedReply{200, {}, {}, false, true}; }
  static FeedReply redirect(const QUrl& to) { return FeedReply{302, {}, {{"Location", to.toEncoded()}}, true, true}; }
};

class FeedServer : public QObject {
 public:
  FeedServer();

  QUrl url(const QString& path = QStringLiteral("/feed.json")) const;
  void serve(const QString& path, FeedReply reply);
  int requests() const { return requests_; }

 private:
  void answer(QTcpSocket* socket);

  QTcpServer server_;
  QHash<QString, FeedReply> replies_;
  int requests_ = 0;
};

}  // namespace tessorin
