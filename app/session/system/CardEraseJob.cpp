#include "session/system/CardEraseJob.hpp"

#include <QDateTime>
#include <QPointer>
#include <qcoro/qcorotimer.h>

#include "session/check/Attempt.hpp"
#include "session/errors/ErrorWording.hpp"

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
  std::optional<ErrorNotice> failure;
  if (erased.failure) {
    try {
      std::rethrow_exception(erased.failure);
    } catch (const CardFormatter::Failure& error) {
      // Only a failed tool or service speaks in its own words; the other refusals are ours.
      failure = error.kind() == CardFormatter::Failure::Kind::failed
                    ? ErrorWording::eraseFailed(QString::fromStdString(error.detail()))
                    : ErrorNotice{QString::fromStdString(error.what()), {}};
    } catch (const std::exception& error) {
      failure = ErrorWording::eraseFailed(QString::fromStdString(error.what()));
    } catch (...) {
      failure = ErrorNotice{QStringLiteral("The card couldn’t be erased."), {}};
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
