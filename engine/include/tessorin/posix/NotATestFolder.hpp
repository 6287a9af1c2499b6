#pragma once
// NotATestFolder: something the tests did not make stands where they keep their files: a
// user's file or folder under the test folder's name, a file under the name of a test
// file (a hard link to a photo, put there while a test ran), or anything a user put into
// the folder a check made. It is never opened for writing nor deleted; the message names
// it and says what to do. An immutable value.

#include <filesystem>
#include <stdexcept>
#include <string>

namespace tessorin {

class NotATestFolder : public std::runtime_error {
 public:
  explicit NotATestFolder(const std::filesystem::path& path);
  // The folder a check made, which now holds files of someone else's as well.
  static NotATestFolder holdingOthers(const std::filesystem::path& folder);

 private:
  struct Worded {};
  NotATestFolder(Worded, const std::string& message) : std::runtime_error(message) {}
};

}  // namespace tessorin
