#pragma once
// awaitTask: runs the event loop until a task ends and gives its result, or throws what
// the task threw. QCoro's own waitFor never returns from a task that throws.

#include <exception>
#include <optional>
#include <utility>

#include <qcoro/qcorotask.h>

namespace tessorin {

namespace detail {

template <class T>
QCoro::Task<std::optional<T>> catching(QCoro::Task<T> task, std::exception_ptr& failure) {
  try {
    T value = co_await task;
    co_return std::optional<T>(std::move(value));
  } catch (...) {
    failure = std::current_exception();
  }
  co_return std::nullopt;
}

inline QCoro::Task<bool> catchingVoid(QCoro::Task<> task, std::exception_ptr& failure) {
  try {
    co_await task;
  } catch (...) {
    failure = std::current_exception();
  }
  co_return true;
}

}  // namespace detail

template <class T>
T awaitTask(QCoro::Task<T> task) {
  std::exception_ptr failure;
  std::optional<T> value = QCoro::waitFor(detail::catching(std::move(task), failure));
  if (failure) std::rethrow_exception(failure);
  return std::move(*value);
}

inline void awaitTask(QCoro::Task<> task) {
  std::exception_ptr failure;
  QCoro::waitFor(detail::catchingVoid(std::move(task), failure));
  if (failure) std::rethrow_exception(failure);
}

}  // namespace tessorin
