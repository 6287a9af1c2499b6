#pragma once
// AppSettings: the application-wide switches. "ShowDiskImages" (list mounted disk
// images as cards) is read once, at start-up; "ReinsertBeforeVerify" (ask for the card
// to be taken out and put back between writing and verifying) is bound by the advanced
// test's toggle and read by the session when writing ends. Both are off when absent.
// Lives on the main thread, with the QSettings it reads.

#include <QObject>
#include <QSettings>

namespace tessorin {

class AppSettings : public QObject {
  Q_OBJECT
  Q_PROPERTY(bool showDiskImages READ showDiskImages CONSTANT)
  Q_PROPERTY(bool reinsertBeforeVerify READ reinsertBeforeVerify WRITE setReinsertBeforeVerify NOTIFY
                 reinsertBeforeVerifyChanged)

 public:
  explicit AppSettings(QSettings& settings, QObject* parent = nullptr);

  bool showDiskImages() const { return showDiskImages_; }

  // Read from the settings each time: the value at the moment writing ends is the one
  // that counts.
  bool reinsertBeforeVerify() const;
  void setReinsertBeforeVerify(bool reinsert);

 Q_SIGNALS:
  void reinsertBeforeVerifyChanged();

 private:
  QSettings& settings_;
  bool showDiskImages_;
};

}  // namespace tessorin
