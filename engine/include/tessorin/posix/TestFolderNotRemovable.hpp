#pragma once
// TestFolderNotRemovable: the test folder left by an earlier test cannot be removed, so
// no new test can start. Its entries point where the file system cannot follow them:
// on a fake whose address wrap wrote over the card's own directories, or on any card
// whose file system is damaged. Either way the card has to be erased. A
// std::filesystem::filesystem_error, so that callers that only know that type still
// catch it. An immutable value.

#include <filesystem>
#include <system_error>

namespace tessorin {

class TestFolderNotRemovable : public std::filesystem::filesystem_error {
 public:
  TestFolderNotRemovable(const std::filesystem::path& folder, std::error_code code)
      : std::filesystem::filesystem_error("cannot remove the test folder of an earlier test", folder, code) {}
};

}  // namespace tessorin
