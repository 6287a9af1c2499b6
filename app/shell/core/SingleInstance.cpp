#include "shell/core/SingleInstance.hpp"

#include <QDir>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

#include <unistd.h>

#include "session/records/PlainFile.hpp"

namespace tessorin {

namespace {

const QByteArray raiseRequest = QByteArrayLiteral("raise\n");
const QByteArray raiseAnswer = QByteArrayLiteral("raised\n");
// The first instance may hold the lock before its socket listens; a later start waits
// this long for it.
constexpr int handOverMilliseconds = 3000;

}  // namespace

SingleInstance::SingleInstance(QString folder, QObject* parent) : QObject(parent), folder_(std::move(folder)) {
  connect(&server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* connection = server_.nextPendingConnection()) {
      connect(connection, &QLocalSocket::readyRead, this, [this, connection] { readRequest(connection); });
      // What came with the end of the connection is read before it goes.
      connect(connection, &QLocalSocket::disconnected, this, [this, connection] {
        readRequest(connection);
        connection->deleteLater();
      });
      // A request may already be waiting.
      readRequest(connection);
    }
  });
}

SingleInstance::~SingleInstance() {
  server_.close();
  if (lock_) lock_->unlock();
}

QString SingleInstance::defaultFolder() {
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty() && QDir(runtime).exists()) return runtime;
  // Qt makes a private per-user folder when the runtime folder is missing.
  return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

bool SingleInstance::claim() {
  QDir().mkpath(folder_);
  const QString lockPath = QDir(folder_).filePath(QStringLiteral("tessorin.lock"));
  if (!clearWhatIsNoLockFile(lockPath)) {
    qWarning("Tessorin: %s is not a file and cannot be replaced; starting without the one-window lock",
             qPrintable(lockPath));
    return true;
  }
  lock_ = std::make_unique<QLockFile>(lockPath);
  // A lock is stale only when its process is gone, never by age: the first instance
  // may run for days.
  lock_->setStaleLockTime(0);
  if (!lock_->tryLock(200)) {
    lock_.reset();
    askTheFirstToRaise();
    return false;
  }
  const QString socket = QDir(folder_).filePath(QStringLiteral("tessorin.socket"));
  // Holding the lock, any socket file there is a dead instance's.
  QLocalServer::removeServer(socket);
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_.listen(socket)) qWarning("Tessorin: cannot listen on %s: %s", qPrintable(socket), qPrintable(server_.errorString()));
  return true;
}

bool SingleInstance::clearWhatIsNoLockFile(const QString& lockPath) {
  // A lock that is already taken is read to learn its owner, with a blocking open: a FIFO at
  // its name would hold the start for ever. The name is this program's own and a FIFO or a
  // device node holds nothing of the user's, so the name is freed for a lock made afresh.
  if (PlainFile::kindAt(lockPath) != PlainFile::Kind::notAFile) return true;
  qWarning("Tessorin: %s is not a file; it is replaced by a new lock", qPrintable(lockPath));
  ::unlink(QFile::encodeName(lockPath).constData());
  return PlainFile::kindAt(lockPath) != PlainFile::Kind::notAFile;
}

bool SingleInstance::askTheFirstToRaise() const {
  const QString socket = QDir(folder_).filePath(QStringLiteral("tessorin.socket"));
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < handOverMilliseconds) {
    QLocalSocket connection;
    connection.connectToServer(socket);
    if (connection.waitForConnected(500)) {
      connection.write(raiseRequest);
      // Held open until the first one answers: a connection that ended at once could leave
      // its request unread on a busy machine.
      bool answered = connection.waitForBytesWritten(1000);
      while (answered && !connection.canReadLine()) answered = connection.waitForReadyRead(handOverMilliseconds);
      const bool raised = answered && connection.readLine() == raiseAnswer;
      connection.disconnectFromServer();
      return raised;
    }
    QThread::msleep(100);
  }
  return false;
}

void SingleInstance::readRequest(QLocalSocket* connection) {
  while (connection->canReadLine()) {
    if (connection->readLine() != raiseRequest) continue;
    if (connection->state() == QLocalSocket::ConnectedState) connection->write(raiseAnswer);
    Q_EMIT raiseRequested();
  }
}

}  // namespace tessorin
