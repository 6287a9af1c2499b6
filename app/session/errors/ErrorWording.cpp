#include "session/errors/ErrorWording.hpp"

namespace tessorin {

QString ErrorWording::deviceReason(SystemReason reason, bool isUSBDrive) {
  switch (reason) {
    case SystemReason::permissionDenied:
      return isUSBDrive ? tr("Tessorin isn’t allowed to write to the drive")
                        : tr("Tessorin isn’t allowed to write to the card");
    case SystemReason::busy:
      return isUSBDrive ? tr("another program is using the drive") : tr("another program is using the card");
    case SystemReason::readOnly:
      return isUSBDrive ? tr("the drive is read-only") : tr("the card is read-only");
    case SystemReason::noSpace:
      return isUSBDrive ? tr("the drive is full") : tr("the card is full");
    case SystemReason::deviceGone:
      return isUSBDrive ? tr("the drive stopped answering") : tr("the card stopped answering");
    case SystemReason::other:
      break;
  }
  return tr("the system reported an error");
}

QString ErrorWording::deviceAdvice(SystemReason reason, bool isUSBDrive) {
  switch (reason) {
    case SystemReason::permissionDenied:
      return isUSBDrive
                 ? tr("Unplug the drive and plug it back in, so that this computer mounts it for you, then try again.")
                 : tr("Take the card out and put it back in, so that this computer mounts it for you, then try "
                      "again.");
    case SystemReason::busy:
      return tr("Close the programs and file manager windows that show its files, then try again.");
    case SystemReason::readOnly:
      return isUSBDrive
                 ? tr("Unplug the drive and plug it back in, then try again. A drive that stays read-only may be "
                      "worn out: copy your files off it.")
                 : tr("If the card has a lock switch, slide it away from “Lock”, put the card back in and try "
                      "again. A card that stays read-only may be worn out: copy your files off it.");
    case SystemReason::noSpace:
      return tr("Make room on it, or erase it, then try again.");
    case SystemReason::deviceGone:
      return isUSBDrive ? tr("Unplug the drive, plug it back in, then try again.")
                        : tr("Take the card out, put it back in, then try again.");
    case SystemReason::other:
      break;
  }
  return isUSBDrive ? tr("Try again; if it fails the same way, unplug the drive and plug it back in first.")
                    : tr("Try again; if it fails the same way, take the card out and put it back in first.");
}

ErrorNotice ErrorWording::testStopped(const QString& systemWords, SystemReason reason, bool isUSBDrive) {
  return {tr("The test stopped: %1. %2").arg(deviceReason(reason, isUSBDrive), deviceAdvice(reason, isUSBDrive)),
          systemWords};
}

ErrorNotice ErrorWording::eraseFailed(const QString& systemWords) {
  const SystemReason reason = systemReasonOfText(systemWords);
  return {
      tr("The system couldn’t erase the card: %1. %2").arg(deviceReason(reason, false), deviceAdvice(reason, false)),
      systemWords};
}

ErrorNotice ErrorWording::ejectFailed(const QString& systemWords, bool isUSBDrive) {
  const QString reason = deviceReason(systemReasonOfText(systemWords), isUSBDrive);
  const QString message = isUSBDrive ? tr("The drive couldn’t be ejected (%1). Eject it in the file manager instead.")
                                     : tr("The card couldn’t be ejected (%1). Eject it in the file manager instead.");
  return {message.arg(reason), systemWords};
}

ErrorNotice ErrorWording::testFolderNotRemoved(const QString& folder, const QString& systemWords, SystemReason reason,
                                               bool isUSBDrive) {
  return {tr("The test folder “%1” couldn’t be removed: %2. %3")
              .arg(folder, deviceReason(reason, isUSBDrive), deviceAdvice(reason, isUSBDrive)),
          systemWords};
}

ErrorNotice ErrorWording::doesNotAnswer(const QString& volumeName, const QString& systemWords, bool isUSBDrive) {
  const QString message = isUSBDrive
                              ? tr("“%1” doesn’t answer. Unplug the drive, plug it back in, then check it again.")
                              : tr("“%1” doesn’t answer. Take the card out, put it back in, then check it again.");
  return {message.arg(volumeName), systemWords};
}

ErrorNotice ErrorWording::fileNotSaved(const QString& systemWords) {
  switch (systemReasonOfText(systemWords)) {
    case SystemReason::permissionDenied:
      return {tr("You aren’t allowed to save in this folder. Choose another one, such as Documents."), systemWords};
    case SystemReason::busy:
      return {tr("Another program is using the file. Close it, or save under another name."), systemWords};
    case SystemReason::readOnly:
      return {tr("This folder is on a disk that can’t be written to. Choose a folder on another disk."), systemWords};
    case SystemReason::noSpace:
      return {tr("The disk is full. Make room on it, or choose a folder on another disk."), systemWords};
    case SystemReason::deviceGone:
      return {tr("The folder or its disk isn’t there any more. Choose another folder."), systemWords};
    case SystemReason::other:
      break;
  }
  return {tr("Choose another folder and try again."), systemWords};
}

QString ErrorWording::notSavedReason(const QString& systemWords, const QString& busyReason) {
  switch (systemReasonOfText(systemWords)) {
    case SystemReason::permissionDenied:
      return tr("Tessorin isn’t allowed to write in its folder");
    case SystemReason::busy:
      return busyReason;
    case SystemReason::readOnly:
      return tr("its folder is on a disk that can’t be written to");
    case SystemReason::noSpace:
      return tr("the disk is full");
    case SystemReason::deviceGone:
      return tr("its folder isn’t there any more");
    case SystemReason::other:
      break;
  }
  return tr("the system reported an error");
}

ErrorNotice ErrorWording::historyNotSaved(const QString& systemWords) {
  return {tr("The history could not be saved: %1. Tessorin tries again after the next check.")
              .arg(notSavedReason(systemWords, tr("another program is using the history file"))),
          systemWords};
}

ErrorNotice ErrorWording::settingsNotSaved(const QString& systemWords) {
  return {tr("The settings could not be saved: %1. Tessorin tries again after the next change.")
              .arg(notSavedReason(systemWords, tr("another program is using the settings file"))),
          systemWords};
}

}  // namespace tessorin
