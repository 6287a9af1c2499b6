#pragma once
// SingleInstance: one Tessorin per user. Two would check one card twice and overwrite
// each other's History.json. The first to take the lock file in the user's runtime
// folder listens on a local socket beside it; a later start connects, asks the first to
// raise its window, and is told to exit. The lock is held for the life of the process;
// one left by a process that died is taken over.
//
// Main thread only.

#include <memory>

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

namespace tessorin {

class SingleInstance : public QObject {
  Q_OBJECT

 public:
  // folder: the user's runtime folder (XDG_RUNTIME_DIR), private to the user.
  explicit SingleInstance(QString folder, QObject* parent = nullptr);
  ~SingleInstance() override;

  // True when this process is now the one instance; false when another one runs (it
  // has been asked to raise its window) or when neither could be made sure of.
  bool claim();

  // The user's runtime folder, or a private folder of the user's when it is not set.
  static QString defaultFolder();

 Q_SIGNALS:
  // A later start asked for the window.
  void raiseRequested();

 private:
  // False when something that is no file stands at the lock's name and stays there.
  static bool clearWhatIsNoLockFile(const QString& lockPath);
  bool askTheFirstToRaise() const;
  void readRequest(class QLocalSocket* connection);

  QString folder_;
  std::unique_ptr<QLockFile> lock_;
  QLocalServer server_;
};

}  // namespace tessorin
