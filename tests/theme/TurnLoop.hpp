#pragma once
// Turns the main loop until done() or the time is up; says whether done() came true. For
// the theme's tests in real Qt Quick windows.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <functional>

namespace tessorin::testing {

inline bool turnLoopUntil(const std::function<bool()>& done, int milliseconds = 3000) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < milliseconds) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  return done();
}

}  // namespace tessorin::testing
