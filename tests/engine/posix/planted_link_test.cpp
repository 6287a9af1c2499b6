// A hard link named as a test file, planted in the test folder while a test runs (a sync
// tool, a second user of a shared card), points at a user's file. The tests write only
// the files they made themselves: such a name is never opened for writing, and the test
// ends saying which file it left alone.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <string>

#include "ByteLiterals.hpp"
#include "FileContents.hpp"
#include "LoopVolume.hpp"
#include "SmallCardQuickOptions.hpp"
#include "SmallZoneOptions.hpp"
#include "tessorin/full/FullTest.hpp"
#include "tessorin/posix/CancellationFlag.hpp"
#include "tessorin/posix/TestFolder.hpp"
#include "tessorin/quick/QuickProbe.hpp"
#include "tessorin/zone/ZoneTest.hpp"

namespace tessorin {
namespace {

namespace fs = std::filesystem;
using namespace testing::literals;
using testing::FileSystemKind;
using testing::LoopVolume;
using testing::contentsOf;

// 15 KB of a photo: what a hard link to it must not change.
std::string photoBytes() {
  std::string bytes(15'000, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 131 + 7) % 251);
  return bytes;
}

// Replaces each named test file with a hard link to the photo (a name not yet made is
// simply taken).
void plantLinks(const fs::path& volume, const fs::path& photo, const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    const fs::path at = TestFolder::path(volume) / name;
    ::unlink(at.c_str());
    ASSERT_EQ(::link(photo.c_str(), at.c_str()), 0) << at;
  }
}

std::vector<std::string> numbered(char prefix, int first, int last) {
  std::vector<std::string> names;
  for (int index = first; index <= last; ++index) names.push_back(TestFolder::numberedFileName(prefix, index));
  return names;
}

struct Plant {
  const char* test;
  // Runs the test, calling `plantNow` once it is under way.
  std::function<void(const std::string& volume, const std::function<void(std::vector<std::string>)>& plantNow)> run;
};

class PlantedLink : public ::testing::TestWithParam<Plant> {};

TEST_P(PlantedLink, TheLinkedUsersFileKeepsItsBytesAndTheTestSaysWhichFileItLeftAlone) {
  TESSORIN_REQUIRE_VOLUMES();
  auto volume = LoopVolume::create(FileSystemKind::ext4, 512_MiB);
  const fs::path photo = fs::path(volume->mountPoint()) / "DCIM" / "photo.jpg";
  fs::create_directories(photo.parent_path());
  testing::writeFile(photo, photoBytes());
  std::atomic<bool> planted{false};
  std::string refusal;
  try {
    GetParam().run(volume->mountPoint(), [&](const std::vector<std::string>& names) {
      if (!planted.exchange(true)) plantLinks(volume->mountPoint(), photo, names);
    });
  } catch (const TestFolder::NotATestFolder& error) {
    refusal = error.what();
  } catch (const std::exception& error) {
    ADD_FAILURE() << GetParam().test << " ended with " << error.what();
  }
  ASSERT_TRUE(planted) << GetParam().test << " ended before the links were planted";
  EXPECT_TRUE(contentsOf(photo) == photoBytes()) << GetParam().test << " wrote into the user's file";
  EXPECT_NE(refusal.find(TestFolder::path(volume->mountPoint()).string()), std::string::npos)
      << GetParam().test << " did not say which file it left alone: " << refusal;
}

const Plant plants[] = {
    {"the advanced test",
     [](const std::string& volume, const std::function<void(std::vector<std::string>)>& plantNow) {
       FullTest::Options options;
       options.fileSize = 32_MiB;
       options.chunkSize = 4_MiB;
       FullTest(volume, options)
           .run([&](const FullTest::Progress& progress) {
             if (progress.phase == FullTest::Progress::Phase::writing && progress.bytesDone >= 40_MiB) {
               plantNow(numbered('F', 3, 8));
             }
           })
           .result();
     }},
    {"the quick check",
     [](const std::string& volume, const std::function<void(std::vector<std::string>)>& plantNow) {
       QuickProbe::Options options = testing::smallCardQuickOptions();
       options.fileSystem = "ext4";
       QuickProbe(volume, options)
           .run([&](const QuickProbe::Progress& progress) {
             if (progress.phase == QuickProbe::Progress::Phase::coarse) {
               std::vector<std::string> names = numbered('Q', 0, 23);
               names.push_back(TestFolder::zoneFileName);
               plantNow(names);
             }
           })
           .result();
     }},
    // The zone test makes its file, then measures it: the measurement writes only a
    // file its folder made.
    {"the zone measurement",
     [](const std::string& volume, const std::function<void(std::vector<std::string>)>& plantNow) {
       const TestFolder::Prepared prepared = TestFolder::prepare(volume);
       plantNow({TestFolder::zoneFileName});
       CancellationFlag flag;
       ZoneTest::measure(prepared.files, TestFolder::zoneFileName, 16_MiB, 77, testing::smallZoneOptions(), flag, {},
                         prepared.mount);
     }},
};

INSTANTIATE_TEST_SUITE_P(Tests, PlantedLink, ::testing::ValuesIn(plants), [](const auto& info) {
  return std::string(info.index == 0 ? "advanced" : info.index == 1 ? "quick" : "zone");
});

}  // namespace
}  // namespace tessorin
