// The advanced test run by an ordinary user on a card mounted through FUSE, as a desktop
// mounts one: exfat-fuse (like ntfs-3g) reads the card through the host's cache of its
// device, and only a process that may open the device can drop that cache. A read-back
// through it may come from memory, where a fake card keeps everything it was given,
// except where the host let go of its copy: a wrap fake's data written for another place
// comes back from there, and the card is a fake, its size told only where that data
// proves it.
#include <gtest/gtest.h>

#include <algorithm>
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
    line << *real;
  } else {
    line << '-';
  }
  return line.str();
}

// What the user's check found, in one line: verdict, capacity in bytes or "-", whether the
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
  // host kept of the card, unless what the host let go of shows a wrap.
  std::vector<std::string> verdicts;
  bool fromCard;
  std::optional<std::uint64_t> capacity;  // within 2 %, unless capacityExactWhereTold
  // Where the host let go of its copy of this range of the device before the read-back,
  // as under memory pressure.
  std::optional<CounterfeitCard::ByteRange> hostLetsGoOf = std::nullopt;
  // A capacity, where one is told, is `capacity` to the byte; the read-back may leave it
  // open, since how much of its copy the host lets go of on its own is the host's choice.
  bool capacityExactWhereTold = false;
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
  if (c.hostLetsGoOf) {
    ASSERT_TRUE(card->letHostGoOf(*c.hostLetsGoOf));
  }
  user.answer("go");
  const std::string found = user.result();
  RecordProperty("found", found);
  std::istringstream words(found);
  std::string verdict, capacity, source;
  words >> verdict >> capacity >> source;
  EXPECT_NE(std::find(c.verdicts.begin(), c.verdicts.end(), verdict), c.verdicts.end()) << found;
  EXPECT_EQ(source, c.fromCard ? "card" : "memory") << found;
  if (c.capacityExactWhereTold) {
    // Never a multiple of the size, however the wraps that came back were spaced.
    if (capacity != "-") {
      EXPECT_EQ(capacity, std::to_string(*c.capacity)) << found;
    }
  } else if (c.capacity) {
    ASSERT_NE(capacity, "-") << found;
    const auto expected = static_cast<double>(*c.capacity);
    EXPECT_NEAR(std::stod(capacity), expected, 0.02 * expected) << found;
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
        // The host let go of a stretch shorter than a wrap: every sector of it came back
        // holding what was written there two wraps on, which a card of 1 GiB would show
        // as well; only the host letting go of more on its own can settle the size.
        UserCase{"WrapFakeReadBackWithTheCardInWhereTheHostLetGoOfLessThanAWrap",
                 {.claimed = 2_GiB, .real = 512_MiB, .mode = Mode::wrap, .unwrittenReservations = true},
                 false,
                 {"fake"},
                 false,
                 512_MiB,
                 CounterfeitCard::ByteRange{640_MiB, 64_MiB},
                 true},
        UserCase{"GenuineCardReadBackWithTheCardIn", {.claimed = 512_MiB}, false, {"unconfirmed"}, false, std::nullopt},
        UserCase{"GenuineCardReadBackAfterReinsertion", {.claimed = 512_MiB}, true, {"passed"}, true, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tessorin
