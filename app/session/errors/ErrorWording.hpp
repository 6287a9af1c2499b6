#pragma once
// ErrorWording: the messages of the errors the system reports while Tessorin works on a
// card or saves a file, each saying what happened and what to do about it, with the
// system's own words kept as the notice's detail rather than as the message. A device
// the user knows as a USB drive is called a drive. Main thread (translations).

#include <QCoreApplication>
#include <QString>

#include "session/errors/ErrorNotice.hpp"
#include "session/errors/SystemReason.hpp"

namespace tessorin {

class ErrorWording {
  Q_DECLARE_TR_FUNCTIONS(ErrorWording)

 public:
  // What went wrong with the card, as the end of a sentence: "another program is using the card".
  static QString deviceReason(SystemReason reason, bool isUSBDrive);
  // What to do next, one or two sentences.
  static QString deviceAdvice(SystemReason reason, bool isUSBDrive);

  // systemWords: the system's description of the failure; it becomes the detail.
  static ErrorNotice testStopped(const QString& systemWords, SystemReason reason, bool isUSBDrive);
  // The erase sheet speaks of a card whatever the device is.
  static ErrorNotice eraseFailed(const QString& systemWords);
  static ErrorNotice ejectFailed(const QString& systemWords, bool isUSBDrive);
  static ErrorNotice testFolderNotRemoved(const QString& folder, const QString& systemWords, SystemReason reason,
                                          bool isUSBDrive);
  static ErrorNotice doesNotAnswer(const QString& volumeName, const QString& systemWords, bool isUSBDrive);
  // A file the user chose to save into, the history file, or the settings file.
  static ErrorNotice fileNotSaved(const QString& systemWords);
  static ErrorNotice historyNotSaved(const QString& systemWords);
  static ErrorNotice settingsNotSaved(const QString& systemWords);

 private:
  // Why the history or the settings were not saved, as the middle of a sentence.
  static QString notSavedReason(const QString& systemWords, const QString& busyReason);
};

}  // namespace tessorin
