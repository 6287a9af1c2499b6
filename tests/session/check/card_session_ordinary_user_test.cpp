// A check run by an ordinary user, as on a desktop, of a card mounted through FUSE: the
// host's cache of the card's device cannot be dropped by such a user, so the session
// asks for the card to be taken out and put back before it reads back, whatever the
// user's setting says, and gives no answer from a read-back that skipped it.
#include "session/check/CardSession.hpp"

#include <cmath>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "ByteLiterals.hpp"
#include "CounterfeitCard.hpp"
#include "OrdinaryUser.hpp"
#include "../SessionFixture.hpp"

namespace tessorin {
namespace {

using namespace std::chrono_literals;
using namespace testing::literals;
using testing::CounterfeitCard;
using testing::OrdinaryUser;
using testing::deviceFor;
using testing::turnLoopUntil;
using Kind = CardSessionStage::Kind;

// The outcome in one line: verdict, real size in MiB or "-", and whether the read-back
// reached the card.
std::string summary(const CheckOutcome& outcome) {
  std::ostringstream line;
  line << outcome.verdict.rawValue() << ' ';
  if (outcome.realBytes) {
    line << std::llround(static_cast<double>(*outcome.realBytes) / static_cast<double>(1_MiB));
  } else {
    line << '-';
  }
  line << ((outcome.full && !outcome.full->readBackReachedCard) ? " memory" : " card");
  return line.str();
}

enum class AtTheWait { reinsert, checkWithoutRemoving };

struct UserCheckCase {
  const char* name;
  CounterfeitCard::Options card;
  AtTheWait atTheWait;
  std::vector<std::string> verdicts;
  std::optional<std::uint64_t> realBytes;  // within 2 %
  const char* readFrom;
};

void PrintTo(const UserCheckCase& c, std::ostream* out) { *out << c.name; }

class CardSessionByOrdinaryUser : public ::testing::TestWithParam<UserCheckCase> {};

TEST_P(CardSessionByOrdinaryUser, ReadsBackOnlyAfterAReinsertionOrGivesNoAnswer) {
  TESSORIN_REQUIRE_VOLUMES();
  const UserCheckCase& c = GetParam();
  testing::SessionWorld world;
  world.settings.setValue("ReinsertBeforeVerify", false);
  auto card = CounterfeitCard::make(c.card);
  ASSERT_TRUE(card->volume().mountFor(OrdinaryUser::uid, OrdinaryUser::gid));
  const CardDevice device = deviceFor(card->mountPoint(), card->loopDevice(), c.card.claimed);

  OrdinaryUser user([&](OrdinaryUser::Line& line) -> std::string {
    CardSession session(device, &world.history, world.settings, testing::smallCardEnvironment());
    session.start();
    // The session looks at the card off the main thread before its check starts: idle
    // until then.
    if (!turnLoopUntil([&] { return session.stage().kind == Kind::reinsert || session.stage().kind == Kind::finished; },
                       240s)) {
      return "no end";
    }
    if (session.stage().kind != Kind::reinsert) return "no reinsertion wait";
    line.say(session.reinsertWait() && session.reinsertWait()->required() ? "required" : "asked");
    if (c.atTheWait == AtTheWait::reinsert) {
      line.awaitAnswer();  // the card is out
      session.close();
      line.awaitAnswer();  // and back
      session.updateDevice(deviceFor(card->mountPoint(), card->loopDevice(), c.card.claimed));
    } else {
      session.continueAfterReinsert();
    }
    if (!turnLoopUntil([&] { return session.stage().isAtRest(); }, 240s)) return "no end after the wait";
    if (!session.outcome()) return "no outcome";
    return summary(*session.outcome());
  });

  EXPECT_EQ(user.heard(), "required") << "the reinsertion was not required of an ordinary user";
  if (c.atTheWait == AtTheWait::reinsert) {
    ASSERT_TRUE(card->volume().unmount());
    user.answer("out");
    card->replug();
    ASSERT_TRUE(card->volume().mount());
    user.answer("back");
  }
  const std::string found = user.result();
  RecordProperty("found", found);
  std::istringstream words(found);
  std::string verdict, size, source;
  words >> verdict >> size >> source;
  EXPECT_NE(std::find(c.verdicts.begin(), c.verdicts.end(), verdict), c.verdicts.end()) << found;
  EXPECT_EQ(source, c.readFrom) << found;
  if (c.realBytes) {
    ASSERT_NE(size, "-") << found;
    const double mib = static_cast<double>(*c.realBytes) / static_cast<double>(1_MiB);
    EXPECT_NEAR(std::stod(size), mib, 0.02 * mib) << found;
  } else {
    EXPECT_EQ(size, "-") << found;
  }
}

INSTANTIATE_TEST_SUITE_P(
    ExFATThroughFuse, CardSessionByOrdinaryUser,
    ::testing::Values(
        UserCheckCase{"DropFakeTakenOutAndPutBackIsFakeWithItsSize",
                      {.claimed = 2_GiB, .real = 640_MiB, .mode = CounterfeitCard::Mode::dropZero},
                      AtTheWait::reinsert,
                      {"fake"},
                      640_MiB,
                      "card"},
        // Left to memory, a fake reads back as memory lets it: as if nothing were lost
        // while the host keeps every page, lost in part where it let some go.
        UserCheckCase{"DropFakeCheckedWithoutRemovingGetsNoGenuineVerdictNorASize",
                      {.claimed = 2_GiB, .real = 640_MiB, .mode = CounterfeitCard::Mode::dropZero},
                      AtTheWait::checkWithoutRemoving,
                      {"inconclusive", "damaged", "fake"},
                      std::nullopt,
                      "memory"},
        UserCheckCase{"GenuineCardTakenOutAndPutBackIsGenuine", {.claimed = 512_MiB}, AtTheWait::reinsert,
                      {"genuine"}, std::nullopt, "card"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tessorin
