// A check runs its tests one after another in the folder it claims (the zone test or the
// quick check, then the advanced test). Whatever the user put into that folder meanwhile,
// or mounted inside it, is not the check's: the next test's preparation deletes only the
// files the check made, never follows a mount, and what stays is noted as left on the card.
#include <gtest/gtest.h>

#include <fcntl.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "ByteLiterals.hpp"
#include "Command.hpp"
#include "FileContents.hpp"
#include "LoopVolume.hpp"
#include "SmallZoneOptions.hpp"
#include "tessorin/full/FullTest.hpp"
#include "tessorin/posix/FileDescriptor.hpp"
#include "tessorin/posix/TestFolder.hpp"
#include "tessorin/posix/TestFolderClaim.hpp"
#include "tessorin/posix/TreeRemoval.hpp"
#include "tessorin/zone/ZoneTest.hpp"

namespace tessorin {
namespace {

namespace fs = std::filesystem;
using namespace testing::literals;
using testing::FileSystemKind;
using testing::LoopVolume;
using testing::contentsOf;

const std::string document = "%PDF-1.7 the tax return of 2025";

// Writes a file of the user's, with the folders it lies in.
void writeUsersFile(const fs::path& path, const std::string& contents) {
  fs::create_directories(path.parent_path());
  testing::writeFile(path, contents);
}

// A folder of the user's card mounted somewhere on the same card, unmounted when the test
// ends, before the card itself.
class BindMount {
 public:
  BindMount(const fs::path& what, const fs::path& where) : where_(where) {
    fs::create_directories(where);
    testing::runChecked({"mount", "--bind", what.string(), where.string()});
  }
  ~BindMount() { testing::runCommand({"umount", where_.string()}); }
  BindMount(const BindMount&) = delete;
  BindMount& operator=(const BindMount&) = delete;

 private:
  fs::path where_;
};

enum class Intrusion { usersFolderDropped, usersFolderMountedInside };

struct Case {
  const char* name;
  Intrusion intrusion;
  // Where the user's document lies on the card.
  const char* document;
};

class ClaimedTestFolder : public ::testing::TestWithParam<Case> {};

TEST_P(ClaimedTestFolder, TheNextTestOfTheCheckKeepsWhatTheUserPutThere) {
  TESSORIN_REQUIRE_VOLUMES();
  const Case& c = GetParam();
  auto volume = LoopVolume::create(FileSystemKind::ext4, 512_MiB);
  const fs::path card = volume->mountPoint();
  const fs::path folder = TestFolder::path(card);
  const fs::path kept = card / c.document;
  writeUsersFile(card / "UserFolder" / "Docs" / "2025.pdf", document);
  auto claim = std::make_shared<TestFolderClaim>();
  std::unique_ptr<BindMount> mounted;

  ZoneTest::Options zone = testing::smallZoneOptions();
  zone.testFolderClaim = claim;
  bool intruded = false;
  ZoneTest(card, zone)
      .run([&](const QuickProbeProgress& progress) {
        if (progress.phase != QuickProbeProgress::Phase::zone || std::exchange(intruded, true)) return;
        if (c.intrusion == Intrusion::usersFolderDropped) writeUsersFile(folder / "Photos" / "holiday.pdf", document);
        if (c.intrusion == Intrusion::usersFolderMountedInside) {
          mounted = std::make_unique<BindMount>(card / "UserFolder", folder / "mnt");
        }
      })
      .result();
  ASSERT_TRUE(intruded);
  ASSERT_EQ(contentsOf(kept), document) << "the zone test's own clean-up";
  claim->forgetRemoved();

  FullTest::Options advanced;
  advanced.fileSize = 32_MiB;
  advanced.chunkSize = 4_MiB;
  advanced.testFolderClaim = claim;
  try {
    FullTest(card, advanced).write({}).result();
    ADD_FAILURE() << c.name << ": the advanced test started in a folder that holds the user's files";
  } catch (const TestFolder::NotATestFolder& refusal) {
    EXPECT_NE(std::string(refusal.what()).find(folder.string()), std::string::npos) << refusal.what();
  } catch (const std::exception& error) {
    ADD_FAILURE() << c.name << ": " << error.what();
  }
  EXPECT_EQ(contentsOf(kept), document) << c.name << ": the next test deleted the user's file";
  EXPECT_TRUE(claim->leftOnCard()) << c.name << ": the folder left on the card was not noted";
}

const Case cases[] = {
    {"usersFolderDropped", Intrusion::usersFolderDropped, "Tessorin Test/Photos/holiday.pdf"},
    {"usersFolderMountedInside", Intrusion::usersFolderMountedInside, "UserFolder/Docs/2025.pdf"},
};

INSTANTIATE_TEST_SUITE_P(Tests, ClaimedTestFolder, ::testing::ValuesIn(cases),
                         [](const auto& info) { return std::string(info.param.name); });

// Deleting everything on a card deletes what is on the card's own mount: a folder of the
// card mounted inside the tree (same device, another mount) is not entered.
TEST(TreeRemoval, AFolderMountedInsideTheTreeIsNotEntered) {
  TESSORIN_REQUIRE_VOLUMES();
  auto volume = LoopVolume::create(FileSystemKind::ext4, 64_MiB);
  const fs::path card = volume->mountPoint();
  writeUsersFile(card / "UserFolder" / "Docs" / "2025.pdf", document);
  writeUsersFile(card / "Old" / "notes.txt", "notes");
  BindMount mounted(card / "UserFolder", card / "Old" / "mnt");
  const FileDescriptor root(::open(card.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  struct stat status {};
  ASSERT_EQ(::fstat(root.get(), &status), 0);

  EXPECT_NE(removeTreeAt(root.get(), "Old", status.st_dev), 0) << "a mount inside the tree was removed";
  EXPECT_EQ(contentsOf(card / "UserFolder" / "Docs" / "2025.pdf"), document);
  EXPECT_FALSE(fs::exists(card / "Old" / "notes.txt")) << "what lies on the card itself stays";
}

}  // namespace
}  // namespace tessorin
