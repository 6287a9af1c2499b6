#pragma once
// OrdinaryUser: part of a test run without root's rights, as a desktop user runs the
// program. Such a user may not open a card's device node, so nothing it runs can drop
// the host's cache of the device. The part runs in a child process of the test that has
// dropped to the unprivileged "nobody" (uid and gid 65534, on every Debian system: no
// account is made or left behind); a volume it is to write is mounted for that user
// (LoopVolume::mountFor).
//
// The child and the test talk in lines: the part says what it has reached, the test acts
// (takes the card out and puts it back) and answers; the part's return value ends the
// talk. The child ends with _exit, so nothing the test owns is torn down twice.
//
//   OrdinaryUser user([&](OrdinaryUser::Line& line) {
//     ... line.say("written"); line.awaitAnswer(); ...
//     return std::string("passed");
//   });
//   EXPECT_EQ(user.heard(), "written"); ... user.answer("back"); EXPECT_EQ(user.result(), "passed");
//
// One test thread drives the object; the part may start threads of its own in the child.

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace tessorin::testing {

class OrdinaryUser {
 public:
  static constexpr uid_t uid = 65534;
  static constexpr gid_t gid = 65534;

  // The child's end of the talk.
  class Line {
   public:
    void say(const std::string& text);
    // The test's next answer; throws std::runtime_error when the test has gone.
    std::string awaitAnswer();

   private:
    friend class OrdinaryUser;
    Line(int toTest, int fromTest) : toTest_(toTest), fromTest_(fromTest) {}
    int toTest_;
    int fromTest_;
  };

  using Part = std::function<std::string(Line&)>;

  // What a desktop's device manager (udev) records of a device and lets every user read,
  // so that an ordinary user learns which file system a FUSE mount serves. This host has
  // none; the child gets one of its own, over a /run that only it sees, and so sees no
  // mount the test makes afterwards. Of the mounts before, it keeps only the device's own
  // (OtherTestsMounts).
  struct DeviceRecord {
    std::string deviceNode;
    std::string fileSystemType;
  };

  // Starts the part at once. Throws std::runtime_error when no child can be made.
  explicit OrdinaryUser(const Part& part, const std::optional<DeviceRecord>& record = std::nullopt);
  ~OrdinaryUser();
  OrdinaryUser(const OrdinaryUser&) = delete;
  OrdinaryUser& operator=(const OrdinaryUser&) = delete;

  // The next thing the part said; nothing once it has returned, failed or run out of time.
  std::optional<std::string> heard(std::chrono::seconds limit = std::chrono::seconds(600));
  void answer(const std::string& text);
  // What the part returned; "failed: " and why when it threw, could not drop root's
  // rights, died or did not end within the limit (it is then killed).
  std::string result(std::chrono::seconds limit = std::chrono::seconds(600));

 private:
  std::optional<std::string> readLine(std::chrono::seconds limit);
  void reap();

  pid_t child_ = -1;
  int fromChild_ = -1;
  int toChild_ = -1;
  std::string buffered_;
  std::optional<std::string> result_;
};

}  // namespace tessorin::testing
