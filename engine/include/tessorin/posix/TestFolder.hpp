#pragma once
// TestFolder: the one folder, at the root of the card's volume, that holds every file a
// test writes. Whatever a test leaves there is found and deleted as a whole; what a user
// keeps under that name is not. Stateless; file-manager failures surface as
// std::filesystem::filesystem_error, system-call failures as PosixError.
//
// Whose a folder of that name is:
// - one the running check made (its TestFolderClaim holds it) is the check's, and of
//   what it holds, the files the check made there (by their identities, MadeFiles):
//   anything else put into it (a user's folder, a link, a folder mounted inside) stays,
//   and the folder with it, noted as left on the card;
// - one that was there before is an earlier test's leftovers when it shows nothing but
//   plain files named as the tests name theirs ("F00001.otr", "Q00012.otr", "Z.otr"), or
//   nothing at all, on the card's own mount. A directory the file system can no longer
//   list shows nothing: only removing the empty folder is tried, which cannot delete
//   anything a user keeps there;
// - anything else is the user's, never deleted.
//
// Every removal works through the folder it looked at, held open: a folder swapped into
// its place meanwhile (a rename exchange) is never reached, and no folder inside is
// entered. The clean-up at a test's end holds to the same: it removes the folder the
// test made, known by its identity, not whatever stands at its path by then.
//
// A removal counts only once it is on the card: the volume is synced after it, since
// some drivers (exfat-fuse) show a folder gone that a card refusing writes still holds.

#include <filesystem>
#include <stdexcept>
#include <string>

#include "tessorin/posix/NotATestFolder.hpp"
#include "tessorin/posix/OpenFolder.hpp"
#include "tessorin/posix/TestFolderClaim.hpp"
#include "tessorin/posix/VolumeMount.hpp"
#include "tessorin/posix/VolumeStats.hpp"

namespace tessorin {

struct TestFolder {
  static constexpr const char* name = "Tessorin Test";

  static std::filesystem::path path(const std::filesystem::path& volume) { return volume / name; }
  // "F00001.otr" for prefix 'F' and index 1.
  static std::string numberedFileName(char prefix, int index);
  static constexpr const char* zoneFileName = "Z.otr";

  using NotATestFolder = tessorin::NotATestFolder;

  // Whether anything (folder, file, or a link, even a dangling one) stands at the
  // folder's path. Links are not followed.
  static bool exists(const std::filesystem::path& volume);
  // Removes what an earlier test left: a link in the folder's place (the link, never
  // what it points at), or the folder with its test files, deleted without following
  // links. False when nothing was there. Throws NotATestFolder, touching nothing, for a
  // user's file or folder of that name; TestFolderNotRemovable when the folder stays on
  // the card (it could not be deleted, or the deletion did not reach the card).
  static bool removeLeftovers(const std::filesystem::path& volume);
  // The same relative to the volume's root, already open.
  static bool removeLeftoversAt(int volumeRoot, const std::filesystem::path& volume);
  struct Prepared {
    std::filesystem::path folder;
    VolumeStats stats;
    VolumeMount mount;
    // The folder, open: every test file is created and opened through it.
    OpenFolder files;
  };

  // The clean-up after a test, swallowing every error; it goes by what the test made,
  // never by the name alone. The folder a test made and holds open goes only while it
  // stands at its place on the volume it was made on, and takes with it only the test
  // files in it: anything else at that name (a user's file or folder put there, another
  // card mounted in the same place) is not touched, and the test's folder, moved away,
  // is left where it went. False when the test's folder stays on the card, which is
  // then noted on `claim`.
  static bool removeQuietly(const Prepared& prepared, TestFolderClaim* claim = nullptr) noexcept;
  // The same for the folders `claim` holds. Where it holds none (the card was out and
  // back since the folder was made, or there is no claim), only what removeLeftovers
  // takes for an earlier test's leftovers goes.
  static bool removeQuietly(const std::filesystem::path& volume, TestFolderClaim* claim = nullptr) noexcept;
  // The start of every test: pins the volume's mount, removes leftovers (and a folder
  // `claim` holds, with the files made in it: one that holds anything else throws
  // NotATestFolder::holdingOthers, noted on `claim`), creates the folder empty, opens it (on the card's own file system,
  // not through a link), hands it to `claim` to hold, and reads the volume's figures
  // (settled when leftovers were removed).
  // Leftovers that cannot be removed throw TestFolderNotRemovable, noted on `claim`; a
  // card that is gone meanwhile throws PosixError ("mount", ENODEV) instead. A volume
  // mounted read-only throws PosixError ("mkdir", EROFS).
  static Prepared prepare(const std::filesystem::path& volume, TestFolderClaim* claim = nullptr);
};

}  // namespace tessorin
