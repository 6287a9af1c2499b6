// What stands at the test folder's place when a test ends is not always the folder the
// test made: the user may have moved it away and put a folder or a file of their own
// under its name, or the card may have been taken out and another one mounted in the
// same place. The clean-up removes the folder the test made and only that; what the
// user keeps is never touched, and the test's own folder, moved away, is left where it
// went and noted as a folder left on the card.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "ByteLiterals.hpp"
#include "Command.hpp"
#include "LoopVolume.hpp"
#include "FileContents.hpp"
#include "SmallCardQuickOptions.hpp"
#include "SmallZoneOptions.hpp"
#include "tessorin/full/FullTest.hpp"
#include "tessorin/posix/TestFolder.hpp"
#include "tessorin/posix/TestFolderClaim.hpp"
#include "tessorin/quick/QuickProbe.hpp"
#include "tessorin/zone/ZoneTest.hpp"

namespace tessorin {
namespace {

namespace fs = std::filesystem;
using namespace testing::literals;
using testing::FileSystemKind;
using testing::LoopVolume;
using testing::contentsOf;
using testing::writeFile;

const std::string photo = "\xFF\xD8\xFF\xE0 a holiday photo";
constexpr const char* movedName = "Moved by user";

enum class Stand { usersFolder, usersFile, anotherCard };

// The card under test, and for `anotherCard` the card that takes its place, with the
// user's own "Tessorin Test/DCIM/IMG_0001.JPG".
struct Cards {
  std::unique_ptr<LoopVolume> card = LoopVolume::create(FileSystemKind::ext4, 512_MiB);
  std::unique_ptr<LoopVolume> other;
  bool swapped = false;

  explicit Cards(Stand stand) {
    if (stand != Stand::anotherCard) return;
    other = LoopVolume::create(FileSystemKind::ext4, 64_MiB, "OTHERCARD");
    fs::create_directories(TestFolder::path(other->mountPoint()) / "DCIM");
    writeFile(TestFolder::path(other->mountPoint()) / "DCIM" / "IMG_0001.JPG", photo);
    other->unmount();
  }
  ~Cards() {
    // The other card sits where the first one was mounted.
    if (swapped) testing::runCommand({"umount", card->mountPoint()});
  }
  Cards(const Cards&) = delete;
  Cards& operator=(const Cards&) = delete;

  const std::string& volume() const { return card->mountPoint(); }

  // Puts what the user keeps where the test's folder is.
  void replaceTestFolder(Stand stand) {
    const fs::path folder = TestFolder::path(volume());
    switch (stand) {
      case Stand::usersFolder:
        fs::rename(folder, fs::path(volume()) / movedName);
        fs::create_directories(folder / "Photos");
        writeFile(folder / "Photos" / "holiday.jpg", photo);
        break;
      case Stand::usersFile:
        fs::rename(folder, fs::path(volume()) / movedName);
        writeFile(folder, photo);
        break;
      case Stand::anotherCard:
        // Pulled: the system lets go of the volume lazily, as the test still has files
        // open on it, and the next card is mounted in the same place.
        testing::runChecked({"umount", "-l", volume()});
        testing::runChecked({"mount", "-t", "ext4", other->loopDevice(), volume()});
        swapped = true;
        break;
    }
  }

  void expectWhatTheUserKeeps(Stand stand, const std::string& what) const {
    const fs::path folder = TestFolder::path(volume());
    switch (stand) {
      case Stand::usersFolder:
        EXPECT_EQ(contentsOf(folder / "Photos" / "holiday.jpg"), photo) << what << ": the user's folder was deleted";
        break;
      case Stand::usersFile:
        EXPECT_TRUE(fs::is_regular_file(folder)) << what << ": the user's file was deleted";
        EXPECT_EQ(contentsOf(folder), photo) << what;
        break;
      case Stand::anotherCard:
        EXPECT_EQ(contentsOf(folder / "DCIM" / "IMG_0001.JPG"), photo) << what << ": the other card's photo was deleted";
        break;
    }
  }
};

FullTest::Options smallFiles(std::shared_ptr<TestFolderClaim> claim) {
  FullTest::Options options;
  options.fileSize = 32_MiB;
  options.chunkSize = 4_MiB;
  options.testFolderClaim = std::move(claim);
  return options;
}

ZoneTest::Options smallZone(std::shared_ptr<TestFolderClaim> claim) {
  ZoneTest::Options options = testing::smallZoneOptions();
  options.testFolderClaim = std::move(claim);
  return options;
}

// Runs one test on `volume` with `claim`, calling `replaceNow` once it is under way.
using Run = std::function<void(const std::string& volume, std::shared_ptr<TestFolderClaim> claim,
                               const std::function<void()>& replaceNow)>;

struct Case {
  const char* name;
  Run run;
  Stand stand;
  // Whether the claim holds the test's folder until the clean-up.
  bool heldToTheEnd = true;
};

const Run quickCheck = [](const std::string& volume, std::shared_ptr<TestFolderClaim> claim,
                          const std::function<void()>& replaceNow) {
  QuickProbe::Options options = testing::smallCardQuickOptions();
  options.fileSystem = "ext4";
  options.testFolderClaim = std::move(claim);
  QuickProbe(volume, options)
      .run([&](const QuickProbe::Progress& progress) {
        if (progress.phase == QuickProbe::Progress::Phase::coarse &&
            progress.step == QuickProbe::Progress::Step::verifying) {
          replaceNow();
        }
      })
      .result();
};

const Run zoneTest = [](const std::string& volume, std::shared_ptr<TestFolderClaim> claim,
                        const std::function<void()>& replaceNow) {
  ZoneTest(volume, smallZone(std::move(claim)))
      .run([&](const QuickProbe::Progress& progress) {
        if (progress.phase == QuickProbe::Progress::Phase::zone) replaceNow();
      })
      .result();
};

const Run advancedTest = [](const std::string& volume, std::shared_ptr<TestFolderClaim> claim,
                            const std::function<void()>& replaceNow) {
  FullTest(volume, smallFiles(std::move(claim)))
      .run([&](const FullTest::Progress& progress) {
        if (progress.phase == FullTest::Progress::Phase::writing && progress.bytesDone >= 40_MiB) replaceNow();
      })
      .result();
};

// As a check runs it: the claim lets go of the folder once it is written, so that the
// card can be taken out and put back before the read-back.
const Run advancedReadBack = [](const std::string& volume, std::shared_ptr<TestFolderClaim> claim,
                                const std::function<void()>& replaceNow) {
  const TestManifest manifest = FullTest(volume, smallFiles(claim)).write({}).result();
  claim->release();
  replaceNow();
  FullTest::verify(manifest, volume, false, {}, {}, {}, claim).result();
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

class ReplacedTestFolder : public ::testing::TestWithParam<Case> {};

TEST_P(ReplacedTestFolder, TheCleanUpLeavesWhatTheUserKeepsAndTheMovedFolderWhereItWent) {
  TESSORIN_REQUIRE_VOLUMES();
  const Case& c = GetParam();
  Cards cards(c.stand);
  auto claim = std::make_shared<TestFolderClaim>();
  std::atomic<bool> replaced{false};
  try {
    c.run(cards.volume(), claim, [&] {
      if (!replaced.exchange(true)) cards.replaceTestFolder(c.stand);
    });
  } catch (const std::exception&) {
    // A test may fail when its card goes; deleting what is not its own is the fault.
  }
  ASSERT_TRUE(replaced) << c.name << " ended before its folder could be replaced";
  cards.expectWhatTheUserKeeps(c.stand, c.name);
  if (c.stand == Stand::anotherCard) return;
  EXPECT_TRUE(fs::is_directory(fs::path(cards.volume()) / movedName)) << c.name << ": the moved folder was deleted";
  // Where the claim still held the folder, the clean-up knows it stayed on the card.
  if (c.heldToTheEnd) {
    EXPECT_TRUE(claim->leftOnCard()) << c.name << ": the folder left on the card was not noted";
  }
}

const Case cases[] = {
    {"quickUsersFolder", quickCheck, Stand::usersFolder},
    {"quickUsersFile", quickCheck, Stand::usersFile},
    {"quickAnotherCard", quickCheck, Stand::anotherCard},
    {"zoneUsersFolder", zoneTest, Stand::usersFolder},
    {"zoneUsersFile", zoneTest, Stand::usersFile},
    {"zoneAnotherCard", zoneTest, Stand::anotherCard},
    {"advancedUsersFolder", advancedTest, Stand::usersFolder},
    {"advancedUsersFile", advancedTest, Stand::usersFile},
    {"advancedAnotherCard", advancedTest, Stand::anotherCard},
    {"readBackUsersFolder", advancedReadBack, Stand::usersFolder, false},
    {"readBackUsersFile", advancedReadBack, Stand::usersFile, false},
    {"readBackAnotherCard", advancedReadBack, Stand::anotherCard, false},
};

INSTANTIATE_TEST_SUITE_P(Tests, ReplacedTestFolder, ::testing::ValuesIn(cases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tessorin
