#pragma once
// UserAttention: asks for the user's attention through the main window. Critical (the
// card must be taken out and put back) alerts until the window is focused;
// informational (a verdict is in) alerts briefly. Without a window (tests, a headless
// run) nothing happens. Main thread only.

namespace tessorin {

struct UserAttention {
  enum class Kind { critical, informational };
  static void request(Kind kind);
};

}  // namespace tessorin
