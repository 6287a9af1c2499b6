#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "session/errors/ErrorWording.hpp"
#include "tessorin/posix/PosixError.hpp"

namespace tessorin {
namespace {

struct TextCase {
  const char* systemWords;
  SystemReason reason;
};

// Words as the kernel, the disk tools and the disk service put them.
TEST(SystemReason, TheSystemsOwnWordsAreSortedIntoReasonsAPersonCanActOn) {
  const TextCase cases[] = {
      {"open(/media/user/CARD/TessorinTest): Permission denied", SystemReason::permissionDenied},
      {"unlink(/media/user/CARD/x): Operation not permitted", SystemReason::permissionDenied},
      {"GDBus.Error:org.freedesktop.UDisks2.Error.NotAuthorizedCanObtain: Not authorized to perform operation",
       SystemReason::permissionDenied},
      {"wipefs: error: /dev/sdx: probing initialization failed: Device or resource busy", SystemReason::busy},
      {"umount: /media/user/CARD: target is busy.", SystemReason::busy},
      {"Read-only file system", SystemReason::readOnly},
      {"write(/media/user/CARD/TessorinTest/F00000.otr): Read-only file system", SystemReason::readOnly},
      {"No space left on device", SystemReason::noSpace},
      {"Disk quota exceeded", SystemReason::noSpace},
      {"open(/dev/sdx): No such device or address", SystemReason::deviceGone},
      {"read(/media/user/CARD/F00001.otr): Input/output error", SystemReason::deviceGone},
      {"stat(/media/user/CARD): Transport endpoint is not connected", SystemReason::deviceGone},
      {"the new partition did not appear", SystemReason::other},
      {"", SystemReason::other},
  };
  for (const TextCase& c : cases)
    EXPECT_EQ(systemReasonOfText(QString::fromUtf8(c.systemWords)), c.reason) << c.systemWords;
}

TEST(SystemReason, AnErrorNumberDecidesOverTheWordsAroundIt) {
  const std::pair<int, SystemReason> codes[] = {
      {EACCES, SystemReason::permissionDenied},
      {EPERM, SystemReason::permissionDenied},
      {EBUSY, SystemReason::busy},
      {EROFS, SystemReason::readOnly},
      {ENOSPC, SystemReason::noSpace},
      {EDQUOT, SystemReason::noSpace},
      {ENODEV, SystemReason::deviceGone},
      {ENOMEDIUM, SystemReason::deviceGone},
      {EIO, SystemReason::deviceGone},
      {EINVAL, SystemReason::other},
  };
  for (const auto& [code, reason] : codes) {
    EXPECT_EQ(systemReasonOfCode(code), reason) << code;
    // A path may hold any word; the number is what the system said.
    EXPECT_EQ(systemReasonOf(PosixError("open", "/media/user/busy read-only", code)), reason) << code;
  }
  const std::filesystem::filesystem_error removal("cannot remove", "/media/user/CARD/TessorinTest",
                                                  std::make_error_code(std::errc::read_only_file_system));
  EXPECT_EQ(systemReasonOf(removal), SystemReason::readOnly);
  EXPECT_EQ(systemReasonOf(std::runtime_error("sfdisk: No space left on device")), SystemReason::noSpace);
}

struct StoppedCase {
  SystemReason reason;
  QString card;
  QString drive;
};

TEST(ErrorWording, AStoppedTestSaysWhatHappenedAndWhatToDoAndKeepsTheSystemsWordsApart) {
  const StoppedCase cases[] = {
      {SystemReason::permissionDenied,
       "The test stopped: Tessorin isn’t allowed to write to the card. Take the card out and put it back in, so that "
       "this computer mounts it for you, then try again.",
       "The test stopped: Tessorin isn’t allowed to write to the drive. Unplug the drive and plug it back in, so that "
       "this computer mounts it for you, then try again."},
      {SystemReason::busy,
       "The test stopped: another program is using the card. Close the programs and file manager windows that show "
       "its files, then try again.",
       "The test stopped: another program is using the drive. Close the programs and file manager windows that show "
       "its files, then try again."},
      {SystemReason::readOnly,
       "The test stopped: the card is read-only. If the card has a lock switch, slide it away from “Lock”, put the "
       "card back in and try again. A card that stays read-only may be worn out: copy your files off it.",
       "The test stopped: the drive is read-only. Unplug the drive and plug it back in, then try again. A drive that "
       "stays read-only may be worn out: copy your files off it."},
      {SystemReason::noSpace, "The test stopped: the card is full. Make room on it, or erase it, then try again.",
       "The test stopped: the drive is full. Make room on it, or erase it, then try again."},
      {SystemReason::deviceGone,
       "The test stopped: the card stopped answering. Take the card out, put it back in, then try again.",
       "The test stopped: the drive stopped answering. Unplug the drive, plug it back in, then try again."},
      {SystemReason::other,
       "The test stopped: the system reported an error. Try again; if it fails the same way, take the card out and "
       "put it back in first.",
       "The test stopped: the system reported an error. Try again; if it fails the same way, unplug the drive and "
       "plug it back in first."},
  };
  const QString words = QStringLiteral("open(/media/user/<b>%1</b>/TessorinTest): Permission denied");
  for (const StoppedCase& c : cases) {
    const ErrorNotice card = ErrorWording::testStopped(words, c.reason, false);
    EXPECT_EQ(card.message, c.card);
    EXPECT_EQ(card.detail, words) << "the system's words stand as they are, placeholders and all";
    const ErrorNotice drive = ErrorWording::testStopped(words, c.reason, true);
    EXPECT_EQ(drive.message, c.drive);
    for (const char* cardWord : {"card", "reader", "SD", "slot"})
      EXPECT_FALSE(drive.message.contains(cardWord)) << cardWord;
  }
}

TEST(ErrorWording, EjectingAndErasingKeepTheirSentenceAndGiveThePlainReason) {
  const ErrorNotice eject = ErrorWording::ejectFailed("umount: /media/user/CARD: target is busy.", false);
  EXPECT_EQ(eject.message,
            "The card couldn’t be ejected (another program is using the card). Eject it in the file manager instead.");
  EXPECT_EQ(eject.detail, "umount: /media/user/CARD: target is busy.");
  EXPECT_EQ(ErrorWording::ejectFailed("Input/output error", true).message,
            "The drive couldn’t be ejected (the drive stopped answering). Eject it in the file manager instead.");

  const ErrorNotice erase = ErrorWording::eraseFailed("mkfs.exfat: No space left on device");
  EXPECT_EQ(erase.message,
            "The system couldn’t erase the card: the card is full. Make room on it, or erase it, then "
            "try again.");
  EXPECT_EQ(erase.detail, "mkfs.exfat: No space left on device");

  const ErrorNotice answer = ErrorWording::doesNotAnswer("%1 <i>x</i>", "Input/output error", false);
  EXPECT_EQ(answer.message, "“%1 <i>x</i>” doesn’t answer. Take the card out, put it back in, then check it again.");
  EXPECT_EQ(answer.detail, "Input/output error");
}

struct SaveCase {
  const char* systemWords;
  QString file;
  QString history;
};

TEST(ErrorWording, AFileThatCannotBeSavedSaysWhereElseToSaveIt) {
  const SaveCase cases[] = {
      {"Permission denied", "You aren’t allowed to save in this folder. Choose another one, such as Documents.",
       "The history could not be saved: Tessorin isn’t allowed to write in its folder. Tessorin tries again after "
       "the next check."},
      {"Device or resource busy", "Another program is using the file. Close it, or save under another name.",
       "The history could not be saved: another program is using the history file. Tessorin tries again after the "
       "next check."},
      {"Read-only file system", "This folder is on a disk that can’t be written to. Choose a folder on another disk.",
       "The history could not be saved: its folder is on a disk that can’t be written to. Tessorin tries again after "
       "the next check."},
      {"No space left on device", "The disk is full. Make room on it, or choose a folder on another disk.",
       "The history could not be saved: the disk is full. Tessorin tries again after the next check."},
      {"No such file or directory", "The folder or its disk isn’t there any more. Choose another folder.",
       "The history could not be saved: its folder isn’t there any more. Tessorin tries again after the next check."},
      {"Unknown error", "Choose another folder and try again.",
       "The history could not be saved: the system reported an error. Tessorin tries again after the next check."},
  };
  for (const SaveCase& c : cases) {
    EXPECT_EQ(ErrorWording::fileNotSaved(c.systemWords), (ErrorNotice{c.file, c.systemWords}));
    EXPECT_EQ(ErrorWording::historyNotSaved(c.systemWords), (ErrorNotice{c.history, c.systemWords}));
  }
}

}  // namespace
}  // namespace tessorin
