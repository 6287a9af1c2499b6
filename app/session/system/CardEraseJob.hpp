#pragma once
// CardEraseJob: the one erase the erase sheet may have running, owned by the model rather
// than by the sheet, so that its end never lands on a sheet that has gone and quitting
// can wait for it. The erase runs on a worker thread; whoever started it learns its end
// through `finished`, by the ticket `start` handed out. At most one erase runs at a time.
//
// Main thread only.

#include <functional>
#include <optional>
#include <set>
#include <string>

#include <QObject>
#include <QString>
#include <qcoro/qcorotask.h>

#include "session/errors/ErrorNotice.hpp"
#include "session/system/CardFormatter.hpp"

namespace tessorin {

class CardEraseJob : public QObject {
  Q_OBJECT
  Q_PROPERTY(bool running READ running NOTIFY runningChanged)

 public:
  // CardFormatter::erase, or a stand-in in tests.
  using Erase = std::function<std::string(const ExpectedCard&, const QString&, const std::set<std::string>&)>;

  explicit CardEraseJob(Erase erase, QObject* parent = nullptr);

  bool running() const { return running_; }

  // Starts erasing card under the cleaned name; 0 when an erase is already running.
  quint64 start(ExpectedCard card, QString cleanedName, std::set<std::string> busyDisks);

  // Returns once no erase runs, or when the limit has passed.
  QCoro::Task<> waitUntilIdle(std::chrono::milliseconds limit);

 Q_SIGNALS:
  void runningChanged();
  // failure is empty on success; otherwise what to tell the user.
  void finished(quint64 ticket, const std::optional<tessorin::ErrorNotice>& failure);

 private:
  QCoro::Task<> run(quint64 ticket, ExpectedCard card, QString cleanedName, std::set<std::string> busyDisks);
  void setRunning(bool running);

  Erase erase_;
  bool running_ = false;
  quint64 lastTicket_ = 0;
};

}  // namespace tessorin
