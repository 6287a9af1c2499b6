#include "FeedServer.hpp"

#include <QTcpSocket>

namespace tessorin {

FeedServer::FeedServer() {
  server_.listen(QHostAddress::LocalHost, 0);
  connect(&server_, &QTcpServer::newConnection, this, [this] {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
      socket->setParent(this);
      connect(socket, &QTcpSocket::readyRead, this, [this, socket] { answer(socket); });
    }
  });
}

QUrl FeedServer::url(const QString& path) const {
  return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path));
}

void FeedServer::serve(const QString& path, FeedReply reply) { replies_.insert(path, std::move(reply)); }

void FeedServer::answer(QTcpSocket* socket) {
  QByteArray request = socket->property("request").toByteArray() + socket->readAll();
  socket->setProperty("request", request);
  if (!request.contains("\r\n\r\n") || socket->property("answered").toBool()) return;
  socket->setProperty("answered", true);
  ++requests_;

  const QList<QByteArray> requestLine = request.left(request.indexOf("\r\n")).split(' ');
  const QString path = requestLine.size() > 1 ? QString::fromLatin1(requestLine[1]) : QString();
  const FeedReply reply = replies_.value(path, FeedReply::withStatus(404, "not here"));
  if (!reply.answers) return;

  QByteArray response = "HTTP/1.1 " + QByteArray::number(reply.status) + " Status\r\nConnection: close\r\n";
  if (reply.sendsLength) response += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
  for (const auto& [name, value] : reply.headers) response += name + ": " + value + "\r\n";
  socket->write(response + "\r\n" + reply.body);
  socket->disconnectFromHost();
}

}  // namespace tessorin
