#pragma once
// TestFolderNotRemovable: the test folder cannot be removed from the card, so no new
// test can start in it. Two causes, which call for opposite advice:
// - the card refuses writes (it turned read-only, or the system mounted it read-only):
//   the removal never reaches it, however the file system shows the folder meanwhile.
//   Erasing cannot help; the card still reads what it holds, so the user's files come
//   off it first;
// - the folder's entries point where the file system cannot follow them: on a fake whose
//   address wrap wrote over the card's own directories, or on any card whose file system
//   is damaged. The card has to be erased.
// A std::filesystem::filesystem_error, so that callers that only know that type still
// catch it. An immutable value.

#include <filesystem>
#include <system_error>

namespace tessorin {

class TestFolderNotRemovable : public std::filesystem::filesystem_error {
 public:
  TestFolderNotRemovable(const std::filesystem::path& folder, std::error_code code, bool cardRefusesWrites)
      : std::filesystem::filesystem_error(cardRefusesWrites ? "the card refuses writes, so its test folder stays"
                                                            : "cannot remove the test folder of an earlier test",
                                          folder, code),
        cardRefusesWrites_(cardRefusesWrites) {}

  bool cardRefusesWrites() const { return cardRefusesWrites_; }

 private:
  bool cardRefusesWrites_;
};

}  // namespace tessorin
