// Tests run side by side, each taking its medium's whole space at its start. A medium
// that fits once another test gives its own back waits for it rather than failing the
// test, and a medium left by a test that crashed keeps no one waiting: a disk too full
// is still said at once.

#include "DiskReservation.hpp"

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

#include "ByteLiterals.hpp"
#include "LoopVolume.hpp"
#include "TmpfsMount.hpp"

namespace tessorin {
namespace {

namespace fs = std::filesystem;
using namespace testing::literals;

// The turns are kept under the temporary folder; here, on the small disk itself.
class TemporaryFolderOn {
 public:
  explicit TemporaryFolderOn(const std::string& path) { ::setenv("TMPDIR", path.c_str(), 1); }
  ~TemporaryFolderOn() { ::unsetenv("TMPDIR"); }
  TemporaryFolderOn(const TemporaryFolderOn&) = delete;
  TemporaryFolderOn& operator=(const TemporaryFolderOn&) = delete;
};

bool someoneWaitsOn(const std::string& disk) {
  for (const auto& turns : fs::directory_iterator(disk)) {
    if (turns.path().filename().string().rfind("tessorin-disk-turns-", 0) != 0) continue;
    for (const auto& mark : fs::directory_iterator(turns.path())) {
      if (mark.path().filename().string().rfind("waiting-", 0) == 0) return true;
    }
  }
  return false;
}

// A reservation in a process of its own, as another test's; its exit status says whether
// it got the space.
pid_t reserveInAnotherTest(const std::string& path, std::uint64_t bytes, bool crashWhileHolding = false) {
  const pid_t other = ::fork();
  if (other != 0) return other;
  try {
    testing::DiskReservation reservation(path, bytes);
    if (crashWhileHolding) ::_exit(0);  // gone without giving anything back
  } catch (const std::exception&) {
    ::_exit(1);
  }
  ::_exit(0);
}

int exitStatusOf(pid_t process) {
  int status = 0;
  if (::waitpid(process, &status, 0) != process || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

TEST(DiskReservation, MediumThatFitsOnceAnotherTestGivesItsBackWaitsForIt) {
  TESSORIN_REQUIRE_VOLUMES();
  const testing::TmpfsMount disk(48_MiB);
  const TemporaryFolderOn here(disk.path());
  auto first = std::make_unique<testing::DiskReservation>(disk.path() + "/first", 32_MiB);

  const pid_t other = reserveInAnotherTest(disk.path() + "/second", 32_MiB);
  // The other test must be seen waiting while the first still holds its medium.
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(2);
  int status = 0;
  while (!someoneWaitsOn(disk.path()) && ::waitpid(other, &status, WNOHANG) == 0 &&
         std::chrono::steady_clock::now() < giveUp) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_TRUE(someoneWaitsOn(disk.path())) << "the second medium did not wait for the first";
  first.reset();

  EXPECT_EQ(exitStatusOf(other), 0) << "the second medium did not get the space the first gave back";
  EXPECT_FALSE(fs::exists(disk.path() + "/first"));
}

TEST(DiskReservation, MediumOfATestThatCrashedKeepsNoOneWaitingAndTooLittleIsSaidAtOnce) {
  TESSORIN_REQUIRE_VOLUMES();
  const testing::TmpfsMount disk(48_MiB);
  const TemporaryFolderOn here(disk.path());
  ASSERT_EQ(exitStatusOf(reserveInAnotherTest(disk.path() + "/left", 32_MiB, true)), 0);
  ASSERT_TRUE(fs::exists(disk.path() + "/left"));

  try {
    testing::DiskReservation reservation(disk.path() + "/next", 32_MiB);
    ADD_FAILURE() << "a medium was made on a disk without room for it";
  } catch (const std::runtime_error& error) {
    const std::string said = error.what();
    EXPECT_NE(said.find("not enough free disk"), std::string::npos) << said;
    EXPECT_NE(said.find("needs 32 MiB"), std::string::npos) << said;
  }
  // The failed try gave back what it had taken, so other tests' folders still fit.
  EXPECT_TRUE(fs::create_directory(disk.path() + "/a-folder"));
}

}  // namespace
}  // namespace tessorin
