#pragma once
// ReducedMotion: whether the desktop asks applications to keep still. GNOME says so with
// its interface setting "enable-animations" turned off, KDE with an animation speed of
// zero ("AnimationDurationFactor" in kdeglobals). Endless motions then never start
// (OnScreen's `lively`).
//
// The desktop is asked once, off the main thread, when readFromDesktop is called; until
// its answer comes, motion is allowed. The answer arrives on the main thread through
// `changed`. Main thread, apart from the read itself.

#include <optional>

#include <QObject>
#include <QString>

namespace tessorin {

class ReducedMotion : public QObject {
  Q_OBJECT

 public:
  static ReducedMotion& instance();

  bool requested() const { return requested_; }
  void setRequested(bool requested);

  // Asks the desktop in the background; a second call asks again.
  void readFromDesktop();

  // The desktops' own answers, as read now (the calling thread waits for them).
  static bool gnomeAsksForStillness();
  static bool kdeAsksForStillness();
  // A kdeglobals file's answer; nothing when it does not say (or is no file to read).
  static std::optional<bool> kdeGlobalsAskForStillness(const QString& path);

 Q_SIGNALS:
  void changed();

 private:
  using QObject::QObject;

  bool requested_ = false;
};

}  // namespace tessorin
