// The advanced test run by an ordinary user on a card mounted through FUSE, as a desktop
// mounts one: exfat-fuse (like ntfs-3g) reads the card through the host's cache of its
// device, and only a process that may open the device can drop that cache. A read-back
// through it may come from memory, where a fake card keeps everything it was given.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "ByteLiterals.hpp"
#include "CounterfeitCard.hpp"
#include "OrdinaryUser.hpp"
#include "tessorin/full/FullTest.hpp"

namespace tessorin {
namespace {

using namespace testing::literals;
using testing::CounterfeitCard;
using testing::OrdinaryUser;
using Mode = CounterfeitCard::Mode;
using Since = FullTest::CardSinceWriting;
using Verdict = FullTestResult::Verdict;

const char* verdictName(Verdict verdict) {
  switch (verdict) {
    case Verdict::passed: return "passed";
    case Verdict::fake: return "fake";
    case Verdict::damaged: return "damaged";
    case Verdict::unconfirmed: return "unconfirmed";
  }
  return "?";
}

std::string verdictAndCapacity(const FullTestResult& result) {
  std::ostringstream line;
  line << verdictName(result.verdict()) << ' ';
  if (const auto real = result.realCapacity()) {
    line << std::llround(static_cast<double>(*real) / static_cast<double>(1_MiB));
  } else {
    line << '-';
  }
  return line.str();
}

// What the user's check found, in one line: verdict, capacity in MiB or "-", whether the
// read-back reached the card, then the verdict and capacity the same read-back gives when
// it is taken to have come from the card.
std::string summary(const FullTestResult& result) {
  FullTestResult trusted = result;
  trusted.readBackReachedCard = true;
  return verdictAndCapacity(result) + (result.readBackReachedCard ? " card " : " memory ") +
         verdictAndCapacity(trusted);
}

struct UserCase {
  const char* name;
  CounterfeitCard::Options card;
  bool reinserted;
  // The verdicts a case may end in; a read-back left to memory gives none, whatever the
  // host kept of the card.
  std::vector<std::string> verdicts;
  bool fromCard;
  std::optional<std::uint64_t> capacity;  // within 2 %
};

void PrintTo(const UserCase& c, std::ostream* out) { *out << c.name; }

class FullTestByOrdinaryUser : public ::testing::TestWithParam<UserCase> {};

TEST_P(FullTestByOrdinaryUser, GivesAVerdictOnlyFromWhatTheCardItselfReturned) {
  TESSORIN_REQUIRE_VOLUMES();
  const UserCase& c = GetParam();
  auto card = CounterfeitCard::make(c.card);
  ASSERT_TRUE(card->volume().mountFor(OrdinaryUser::uid, OrdinaryUser::gid));
  const std::string volume = card->mountPoint();

  FullTest::Options options;
  options.fileSize = 256_MiB;
  OrdinaryUser user([&](OrdinaryUser::Line& line) {
    const TestManifest manifest = FullTest(volume, options).write().result();
    line.say(manifest.deviceCacheKept ? "written, cache kept" : "written, cache dropped");
    line.awaitAnswer();
    const Since since = c.reinserted ? Since::reinserted : Since::stayedIn;
    return summary(FullTest::verify(manifest, volume, false, {}, {}, std::make_shared<CancellationFlag>(), {}, since)
                       .result());
  });

  EXPECT_EQ(user.heard(), "written, cache kept") << "the ordinary user could drop the device's cache";
  if (c.reinserted) {
    // Taken out and put back: the daemon lets go of the device, and with it the host drops its cache.
    ASSERT_TRUE(card->volume().unmount());
    card->replug();
    ASSERT_TRUE(card->volume().mount());
  }
  user.answer("go");
  const std::string found = user.result();
  RecordProperty("found", found);
  std::istringstream words(found);
  std::string verdict, capacity, source;
  words >> verdict >> capacity >> source;
  EXPECT_NE(std::find(c.verdicts.begin(), c.verdicts.end(), verdict), c.verdicts.end()) << found;
  EXPECT_EQ(source, c.fromCard ? "card" : "memory") << found;
  if (c.capacity) {
    ASSERT_NE(capacity, "-") << found;
    const double mib = static_cast<double>(*c.capacity) / static_cast<double>(1_MiB);
    EXPECT_NEAR(std::stod(capacity), mib, 0.02 * mib) << found;
  } else if (!c.fromCard) {
    EXPECT_EQ(capacity, "-") << "a size measured from memory: " << found;
  }
}

INSTANTIATE_TEST_SUITE_P(
    ExFATThroughFuse, FullTestByOrdinaryUser,
    ::testing::Values(
        UserCase{"DropFakeReadBackWithTheCardIn", {.claimed = 2_GiB, .real = 640_MiB, .mode = Mode::dropZero}, false,
                 {"unconfirmed"}, false, std::nullopt},
        UserCase{"DropFakeReadBackAfterReinsertion", {.claimed = 2_GiB, .real = 640_MiB, .mode = Mode::dropZero}, true,
                 {"fake"}, true, 640_MiB},
        UserCase{"GenuineCardReadBackWithTheCardIn", {.claimed = 512_MiB}, false, {"unconfirmed"}, false, std::nullopt},
        UserCase{"GenuineCardReadBackAfterReinsertion", {.claimed = 512_MiB}, true, {"passed"}, true, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tessorin
