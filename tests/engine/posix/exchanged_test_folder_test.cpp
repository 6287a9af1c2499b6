// Another program on the desktop may swap the test folder and a folder of the user's
// (renameat2 with RENAME_EXCHANGE, which a sync tool's atomic replace uses) while a test
// prepares or removes its folder. Removal works through the folder it checked, held
// open, never through the name looked up again: however often the two trade places, no
// file of the user's is deleted.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <stdio.h>

#include <atomic>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "ByteLiterals.hpp"
#include "ExchangeOnOpen.hpp"
#include "FileContents.hpp"
#include "LoopVolume.hpp"
#include "tessorin/posix/FileIdentity.hpp"
#include "tessorin/posix/TestFolder.hpp"
#include "tessorin/posix/TestFolderClaim.hpp"

namespace tessorin {
namespace {

namespace fs = std::filesystem;
using namespace testing::literals;
using testing::FileSystemKind;
using testing::LoopVolume;
using testing::contentsOf;
using testing::writeFile;

constexpr int runs = 200;
constexpr const char* usersFolder = "UserFolder";
const std::string photo = "\xFF\xD8\xFF\xE0 a holiday photo";

// Swaps the two folders as fast as it can until stopped; counts the swaps made.
class Exchanger {
 public:
  explicit Exchanger(const fs::path& card)
      : test_(TestFolder::path(card)), users_(card / usersFolder), thread_([this] { swap(); }) {}
  ~Exchanger() {
    stop_ = true;
    thread_.join();
  }
  Exchanger(const Exchanger&) = delete;
  Exchanger& operator=(const Exchanger&) = delete;

  int swaps() const { return swaps_; }

 private:
  void swap() {
    while (!stop_) {
      if (::renameat2(AT_FDCWD, test_.c_str(), AT_FDCWD, users_.c_str(), RENAME_EXCHANGE) == 0) ++swaps_;
    }
  }

  fs::path test_;
  fs::path users_;
  std::atomic<bool> stop_{false};
  std::atomic<int> swaps_{0};
  std::thread thread_;
};

// Puts the user's folder back under its own name and takes away what the test left.
void putBack(const fs::path& card) {
  const fs::path test = TestFolder::path(card);
  const fs::path users = card / usersFolder;
  if (fs::exists(test / "photo.jpg")) {
    fs::rename(test, card / "aside");
    fs::remove_all(users);
    fs::rename(card / "aside", users);
  }
  fs::remove_all(test);
}

enum class Removal { claimed, leftovers };

class ExchangedTestFolder : public ::testing::TestWithParam<Removal> {};

TEST_P(ExchangedTestFolder, NoUsersFileIsLostHoweverOftenTheFoldersTradePlaces) {
  TESSORIN_REQUIRE_VOLUMES();
  auto volume = LoopVolume::create(FileSystemKind::ext4, 64_MiB);
  const fs::path card = volume->mountPoint();
  int lost = 0;
  int swapped = 0;
  for (int run = 0; run < runs; ++run) {
    fs::create_directory(card / usersFolder);
    writeFile(card / usersFolder / "photo.jpg", photo);
    TestFolderClaim claim;
    if (GetParam() == Removal::claimed) {
      const TestFolder::Prepared first = TestFolder::prepare(card, &claim);
      first.files.createFile("F00000.otr");
    } else {
      fs::create_directory(TestFolder::path(card));
      writeFile(TestFolder::path(card) / "F00000.otr", "left by an earlier run");
    }
    {
      const Exchanger exchanger(card);
      try {
        const TestFolder::Prepared next = TestFolder::prepare(card, GetParam() == Removal::claimed ? &claim : nullptr);
        TestFolder::removeQuietly(next, &claim);
      } catch (const std::exception&) {
        // Refusing is allowed; deleting the user's photo is not.
      }
      swapped += exchanger.swaps();
    }
    const bool kept = contentsOf(card / usersFolder / "photo.jpg") == photo ||
                      contentsOf(TestFolder::path(card) / "photo.jpg") == photo;
    if (!kept) ++lost;
    claim.release();
    putBack(card);
  }
  EXPECT_EQ(lost, 0) << "the user's photo was deleted in " << lost << " of " << runs << " runs";
  EXPECT_GT(swapped, runs) << "the folders hardly traded places";
}

// Between making its folder and opening it, a test may find the user's folder swapped
// into its place: it writes into none but the folder it made, and says so when that is
// no longer there to open.
TEST(ExchangedTestFolderWhilePreparing, TheFolderOpenedIsTheOneMadeOrTheTestEndsSayingSo) {
  TESSORIN_REQUIRE_VOLUMES();
  auto volume = LoopVolume::create(FileSystemKind::ext4, 64_MiB);
  const fs::path card = volume->mountPoint();
  fs::create_directory(card / usersFolder);
  writeFile(card / usersFolder / "photo.jpg", photo);
  const auto users = FileIdentity::at(AT_FDCWD, (card / usersFolder).c_str());
  ASSERT_TRUE(users);

  std::string refusal;
  std::optional<FileIdentity> opened;
  const testing::ExchangeOnOpen exchange(TestFolder::path(card), card / usersFolder, [&] {
    try {
      const TestFolder::Prepared prepared = TestFolder::prepare(card);
      opened = FileIdentity::of(prepared.files.fd());
      prepared.files.createFile("F00000.otr");
    } catch (const TestFolder::NotATestFolder& error) {
      refusal = error.what();
    }
  });

  ASSERT_TRUE(exchange.exchanged()) << "the folders did not trade places";
  EXPECT_NE(opened, users) << "the test opened the user's folder to write in";
  EXPECT_NE(refusal.find(TestFolder::path(card).string()), std::string::npos)
      << "the test did not say which folder it left alone: " << refusal;
  EXPECT_EQ(contentsOf(TestFolder::path(card) / "photo.jpg"), photo);
  EXPECT_FALSE(fs::exists(TestFolder::path(card) / "F00000.otr")) << "a test file landed in the user's folder";
}

INSTANTIATE_TEST_SUITE_P(Tests, ExchangedTestFolder, ::testing::Values(Removal::claimed, Removal::leftovers),
                         [](const auto& info) { return info.param == Removal::claimed ? "claimed" : "leftovers"; });

}  // namespace
}  // namespace tessorin
