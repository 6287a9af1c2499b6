#include "session/system/CardEraseJob.hpp"

#include <QDateTime>
#include <QPointer>
#include <qcoro/qcorotimer.h>

#include "session/check/Attempt.hpp"

namespace tessorin {

CardEraseJob::CardEraseJob(Erase erase, QObject* parent) : QObject(parent), erase_(std::move(erase)) {}

quint64 CardEraseJob::start(ExpectedCard card, QString cleanedName, std::set<std::string> busyDisks) {
  if (running_) return 0;
  const quint64 ticket = ++lastTicket_;
  setRunning(true);
  run(ticket, std::move(card), std::move(cleanedName), std::move(busyDisks));
  return ticket;
}

QCoro::Task<> CardEraseJob::run(quint64 ticket, ExpectedCard card, QString cleanedName,
                                std::set<std::string> busyDisks) {
  QPointer<CardEraseJob> self(this);
  auto erasing = attempt(onBackground("Tessorin erase", [erase = erase_, card, cleanedName, busyDisks] {
    return erase(card, cleanedName, busyDisks);
  }));
  const Attempt<std::string> erased = co_await erasing;
  if (!self) co_return;
  std::optional<QString> failure;
  if (erased.failure) {
    try {
      std::rethrow_exception(erased.failure);
    } catch (const std::exception& error) {
      failure = QString::fromStdString(error.what());
    } catch (...) {
      failure = QStringLiteral("The card couldn’t be erased.");
    }
  }
  setRunning(false);
  Q_EMIT finished(ticket, failure);
}

QCoro::Task<> CardEraseJob::waitUntilIdle(std::chrono::milliseconds limit) {
  QPointer<CardEraseJob> self(this);
  const qint64 deadline = QDateTime::currentMSecsSinceEpoch() + limit.count();
  while (self && self->running_ && QDateTime::currentMSecsSinceEpoch() < deadline) {
    QCoro::Task<> pause = QCoro::sleepFor(std::chrono::milliseconds(200));
    co_await pause;
  }
}

void CardEraseJob::setRunning(bool running) {
  if (running_ == running) return;
  running_ = running;
  Q_EMIT runningChanged();
}

}  // namespace tessorin
