#pragma once
// XRaySignalWording: the title and the explanation of one X-ray finding, each a sentence
// or two built from the finding's kind, its facts and, for a brand mismatch, how severe
// it is. Values are put into a translated text in one pass, so a card's text that holds
// "%1" is shown as it stands. A USB drive has no reader in front of it and no SD
// registers at all, so its hidden registers are worded as the drive's, without the
// advice to use an SD slot. Main thread (translations).

#include <QCoreApplication>
#include <QString>

#include "tessorin/identity/XRaySignal.hpp"

namespace tessorin {

class XRaySignalWording {
  Q_DECLARE_TR_FUNCTIONS(XRaySignalWording)

 public:
  static QString title(const XRaySignal& signal, bool isUSBDrive);
  // `exFATGivesQuickCheck`: whether a card switched to exFAT would get the quick check on
  // this system; where it would not, the reformatted card's finding promises nothing of it.
  static QString explanation(const XRaySignal& signal, bool isUSBDrive, bool exFATGivesQuickCheck = true);

  // An 8-bit ID as "0x" and two upper-case hexadecimal digits: "0x03", "0x1B".
  static QString hex(std::uint8_t id);
};

}  // namespace tessorin
