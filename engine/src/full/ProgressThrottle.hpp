#pragma once
// ProgressThrottle: lets a test phase report at most every 0.1 s however fast its chunks
// go; a phase's first chunk always reports. Lives on the worker thread of one run.

#include <optional>

namespace tessorin {

class ProgressThrottle {
 public:
  static constexpr double minimumGap = 0.1;

  bool isDue(double now) const { return !last_ || now - *last_ >= minimumGap; }
  void noteReport(double now) { last_ = now; }

 private:
  std::optional<double> last_;
};

}  // namespace tessorin
