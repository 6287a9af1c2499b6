#pragma once
// attempt: awaits a worker and hands back its value or its error as a value, so that the
// roads of a session decide what an error means in ordinary code, outside any try block
// around a suspension point, and no exception can escape a road unseen.

#include <exception>
#include <optional>

#include <qcoro/qcorotask.h>

#include "session/check/WorkerAwaiter.hpp"

namespace tessorin {

template <class Result>
struct Attempt {
  std::optional<Result> value;
  std::exception_ptr failure;  // set exactly when value is not
};

template <class Result>
QCoro::Task<Attempt<Result>> attempt(WorkerAwaiter<Result> awaiter) {
  Attempt<Result> outcome;
  try {
    outcome.value = co_await awaiter;
  } catch (...) {
    outcome.failure = std::current_exception();
  }
  co_return outcome;
}

}  // namespace tessorin
