// A check run by an ordinary user, as on a desktop, of a card mounted through FUSE: the
// host's cache of the card's device cannot be dropped by such a user, so the session
// asks for the card to be taken out and put back before it reads back, whatever the
// user's setting says, and gives no answer from a read-back that skipped it: no verdict,
// no size, no speed marking, in the outcome and in the history alike. What the card lost
// all the same, the headline the user reads leads with, as the report card counts it;
// data it returned written for another place, which that cache cannot have served, makes
// it a fake, with the size that data proves.
#include "session/check/CardSession.hpp"

#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "ByteLiterals.hpp"
#include "CounterfeitCard.hpp"
#include "OrdinaryUser.hpp"
#include "results/outcome/OutcomePanelModel.hpp"
#include "results/outcome/PlainTextSummary.hpp"
#include "results/outcome/ReportCardPhrases.hpp"
#include "results/outcome/VerdictHeadlineModel.hpp"
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

void putBytes(std::ostringstream& line, const std::optional<std::uint64_t>& bytes) {
  if (bytes) {
    line << *bytes;
  } else {
    line << '-';
  }
}

// The outcome in one line: verdict, real size in bytes or "-", whether the read-back
// reached the card, whether any speed marking was met, the verdict and real size the
// history kept, whether the history kept a read speed, and whether this reader's best
// read was raised.
std::string summary(const CheckOutcome& outcome, const History& history, const CardSession& session) {
  std::ostringstream line;
  line << outcome.verdict.rawValue() << ' ';
  putBytes(line, outcome.realBytes);
  line << ((outcome.full && !outcome.full->readBackReachedCard) ? " memory" : " card");
  line << ((outcome.speed && !outcome.speed->met.empty()) ? " marks " : " unmarked ");
  if (history.records().empty()) {
    line << "none -";
  } else {
    line << history.records().front().verdict.rawValue() << ' ';
    putBytes(line, history.records().front().realBytes);
  }
  line << ((!history.records().empty() && history.records().front().readSpeed) ? " read" : " unread");
  line << (session.readerBestRead() ? " reader-raised" : " reader-untouched");
  return line.str();
}

// What the user reads of the same outcome: the headline's sentence, the report card's
// data row and the summary the user shares, its lines joined by " | ", each after a tab,
// since the child's answer is one line.
std::string wording(const CheckOutcome& outcome, const CardSession& session) {
  const QString headline = VerdictHeadlineModel::explanationOf(OutcomePanelModel::headlineOf(outcome));
  const QString shared =
      PlainTextSummary::make(outcome, session.device(), std::nullopt, session.isUSBDrive()).replace('\n', " | ");
  return ('\t' + headline + '\t' + ReportCardPhrases::dataPhrase(outcome).text + '\t' + shared).toStdString();
}

enum class AtTheWait { reinsert, checkWithoutRemoving, checkWithoutRemovingAfterTheHostLetGoOfPart };

struct UserCheckCase {
  const char* name;
  CounterfeitCard::Options card;
  AtTheWait atTheWait;
  std::vector<std::string> verdicts;
  std::optional<std::uint64_t> realBytes;  // within 2 %, unless sizeExact
  const char* readFrom;
  bool speedMarksAllowed;
  // What the headline says of the loss after its figure, where the card certainly lost
  // some; the figure is the report card's.
  const char* lossTold = nullptr;
  // The headline, and lines the shared summary holds, where they are told in full.
  const char* headlineTold = nullptr;
  std::vector<std::string> summaryLines = {};
  // Where the size is proven, not measured: to the byte.
  bool sizeExact = false;
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

  // What a desktop records of the card tells the user its file system, so the check
  // measures its speed first. The child that has it sees no mount made after it started,
  // so not the card put back.
  std::optional<OrdinaryUser::DeviceRecord> desktopRecord;
  if (c.atTheWait != AtTheWait::reinsert) desktopRecord = OrdinaryUser::DeviceRecord{card->loopDevice(), "exfat"};
  OrdinaryUser user([&](OrdinaryUser::Line& line) -> std::string {
    CardSession session(device, &world.history, world.settings, testing::smallCardEnvironment());
    session.start();
    // The session looks at the card off the main thread before its check starts: idle
    // until then. A quick check that judged the card waits for the user's choice: a busy
    // host may let go of part of its copy before the probes are read back, and a wrap
    // fake shows there already. The user goes on to the advanced test.
    const auto waitsOrEnded = [&] {
      const Kind kind = session.stage().kind;
      return kind == Kind::reinsert || kind == Kind::decision || kind == Kind::finished;
    };
    if (!turnLoopUntil(waitsOrEnded, 240s)) return "no end";
    if (session.stage().kind == Kind::decision) {
      session.startAdvancedTest();
      if (!turnLoopUntil(waitsOrEnded, 240s)) return "no end after the user chose the advanced test";
    }
    if (session.stage().kind != Kind::reinsert) {
      return "no reinsertion wait: finished " + session.errorMessage().value_or("without an error").toStdString();
    }
    line.say(session.reinsertWait() && session.reinsertWait()->required() ? "required" : "asked");
    if (c.atTheWait == AtTheWait::reinsert) {
      line.awaitAnswer();  // the card is out
      session.close();
      line.awaitAnswer();  // and back
      session.updateDevice(deviceFor(card->mountPoint(), card->loopDevice(), c.card.claimed));
    } else {
      if (c.atTheWait == AtTheWait::checkWithoutRemovingAfterTheHostLetGoOfPart) line.awaitAnswer();
      session.continueAfterReinsert();
    }
    if (!turnLoopUntil([&] { return session.stage().isAtRest(); }, 240s)) return "no end after the wait";
    if (!session.outcome()) return "no outcome";
    return summary(*session.outcome(), world.history, session) + wording(*session.outcome(), session);
  }, desktopRecord);

  const std::optional<std::string> heard = user.heard();
  // Answered with nobody listening, the child's pipe would end the test with no word.
  ASSERT_TRUE(heard.has_value()) << user.result();
  EXPECT_EQ(*heard, "required") << "the reinsertion was not required of an ordinary user";
  if (c.atTheWait == AtTheWait::reinsert) {
    ASSERT_TRUE(card->volume().unmount());
    user.answer("out");
    card->replug();
    ASSERT_TRUE(card->volume().mount());
    user.answer("back");
  } else if (c.atTheWait == AtTheWait::checkWithoutRemovingAfterTheHostLetGoOfPart) {
    // Past the real size, short of the end of what was written: lost there, intact after.
    ASSERT_TRUE(card->letHostGoOf({c.card.real + c.card.real / 4, c.card.real}));
    user.answer("go");
  }
  const std::string told = user.result();
  RecordProperty("found", told);
  std::istringstream lines(told);
  std::string found, headline, dataRow, shared;
  std::getline(lines, found, '\t');
  std::getline(lines, headline, '\t');
  std::getline(lines, dataRow, '\t');
  std::getline(lines, shared, '\t');
  std::istringstream words(found);
  std::string verdict, size, source, marks, kept, keptSize, readSpeed, reader;
  words >> verdict >> size >> source >> marks >> kept >> keptSize >> readSpeed >> reader;
  EXPECT_NE(std::find(c.verdicts.begin(), c.verdicts.end(), verdict), c.verdicts.end()) << found;
  EXPECT_EQ(kept, verdict) << "the history keeps another verdict: " << found;
  EXPECT_EQ(keptSize, size) << "the history keeps another size: " << found;
  EXPECT_EQ(source, c.readFrom) << found;
  // Memory's speed is no card's, and would make this reader look fast to every later check.
  EXPECT_EQ(readSpeed, source == "card" ? "read" : "unread") << found;
  EXPECT_EQ(reader, "reader-untouched") << found;
  if (!c.speedMarksAllowed) {
    EXPECT_EQ(marks, "unmarked") << "a speed marking met from memory: " << found;
  }
  if (c.realBytes) {
    ASSERT_NE(size, "-") << found;
    if (c.sizeExact) {
      EXPECT_EQ(size, std::to_string(*c.realBytes)) << found;
    } else {
      const auto expected = static_cast<double>(*c.realBytes);
      EXPECT_NEAR(std::stod(size), expected, 0.02 * expected) << found;
    }
  } else {
    EXPECT_EQ(size, "-") << found;
  }
  if (c.lossTold) {
    const std::string lostSuffix = " lost or corrupted";
    ASSERT_TRUE(dataRow.ends_with(lostSuffix)) << "the report card counts no loss: " << dataRow;
    const std::string figure = dataRow.substr(0, dataRow.size() - lostSuffix.size());
    EXPECT_EQ(headline.substr(0, headline.find(": ")), figure + ' ' + c.lossTold) << headline;
    EXPECT_NE(headline.find("so the rest isn’t confirmed."), std::string::npos) << headline;
  }
  if (c.headlineTold) {
    EXPECT_EQ(headline, c.headlineTold);
  }
  if (source == "memory") {
    // Nor does the summary the user shares time memory as the card.
    EXPECT_NE(shared.find("· read \u2014"), std::string::npos) << shared;
    EXPECT_EQ(shared.find("Speed: "), std::string::npos) << shared;
  }
  for (const std::string& summaryLine : c.summaryLines) {
    EXPECT_NE((" | " + shared + " | ").find(" | " + summaryLine + " | "), std::string::npos) << shared;
  }
}

// Stopped early in the advanced test, the check has only its speed zone, read back
// through this computer's copy of the card: it claims neither that the card keeps those
// bytes nor how fast it reads them, in the window or in History.
TEST(CardSessionByOrdinaryUserStopped, EarlyInTheAdvancedTestClaimsNothingOfTheZoneReadFromMemory) {
  TESSORIN_REQUIRE_VOLUMES();
  testing::SessionWorld world;
  const CounterfeitCard::Options options{.claimed = 512_MiB, .real = 256_MiB, .mode = CounterfeitCard::Mode::wrap};
  auto card = CounterfeitCard::make(options);
  ASSERT_TRUE(card->volume().mountFor(OrdinaryUser::uid, OrdinaryUser::gid));
  const CardDevice device = deviceFor(card->mountPoint(), card->loopDevice(), options.claimed);
  CardSession::Environment environment = testing::smallCardEnvironment();
  // exfat-fuse writes the space it reserves: the probes step aside for the speed zone.
  environment.quickOptions.allocationTrialBytes = QuickProbe::Options().allocationTrialBytes;

  OrdinaryUser user([&](OrdinaryUser::Line& line) -> std::string {
    CardSession session(device, &world.history, world.settings, environment);
    QObject::connect(&session, &CardSession::stageChanged, [&] {
      // The test slows the card before the advanced test's first write.
      if (session.stage() == CardSessionStage::full(FullTest::Progress::Phase::preparing)) {
        line.say("advanced");
        line.awaitAnswer();
      }
    });
    session.start();
    // Idle while the session looks at the card before its check starts.
    const auto writingOrFinished = [&] {
      return session.stage() == CardSessionStage::full(FullTest::Progress::Phase::writing) ||
             session.stage().kind == Kind::finished;
    };
    if (!turnLoopUntil(writingOrFinished, 240s) || session.stage().isAtRest()) return "ended before writing";
    session.stop();
    if (!turnLoopUntil([&] { return session.stage().isAtRest(); }, 240s)) return "no end after the stop";
    if (!session.outcome() || !session.outcome()->zone) return "no outcome of the zone";
    const CheckOutcome& outcome = *session.outcome();
    const ReportCardPhrases::Phrase data = ReportCardPhrases::dataPhrase(outcome);
    std::ostringstream told;
    told << outcome.verdict.rawValue() << (outcome.realBytes ? " sized" : " unsized")
         << (outcome.zone->readBackReachedCard ? " card" : " memory") << (outcome.speed ? " rated" : " unrated")
         << (!world.history.records().empty() && world.history.records().front().readSpeed ? " read" : " unread")
         << (data.tone == ReportCardPhrases::Tone::good ? " good" : " not-good") << '\t' << data.text.toStdString();
    return told.str();
  }, OrdinaryUser::DeviceRecord{card->loopDevice(), "exfat"});

  ASSERT_EQ(user.heard(), "advanced") << user.result();
  card->setWriteRate(4_MiB);
  user.answer("slowed");
  EXPECT_EQ(user.result(), "inconclusive unsized memory unrated unread not-good\t"
                           "every byte came back, perhaps from this computer’s copy");
}

INSTANTIATE_TEST_SUITE_P(
    ExFATThroughFuse, CardSessionByOrdinaryUser,
    ::testing::Values(
        // Its speed zone was read back before the card went out, through the host's copy,
        // which hid what a fake loses: no marking rests on it.
        UserCheckCase{"DropFakeTakenOutAndPutBackIsFakeWithItsSize",
                      {.claimed = 4_GiB, .real = 1_GiB, .mode = CounterfeitCard::Mode::dropZero},
                      AtTheWait::reinsert,
                      {"fake"},
                      1_GiB,
                      "card",
                      false},
        // Left to memory, a fake reads back as if nothing were lost while the host keeps
        // every page, and lost in part where it let some go: neither is the card's answer.
        UserCheckCase{"DropFakeCheckedWithoutRemovingGetsNoVerdictNorASizeNorMarks",
                      {.claimed = 4_GiB, .real = 1_GiB, .mode = CounterfeitCard::Mode::dropZero},
                      AtTheWait::checkWithoutRemoving,
                      {"inconclusive"},
                      std::nullopt,
                      "memory",
                      false},
        UserCheckCase{"DropFakeCheckedWithoutRemovingIsNotCalledDamagedWhereTheHostLetGoOfPart",
                      {.claimed = 4_GiB, .real = 1_GiB, .mode = CounterfeitCard::Mode::dropZero},
                      AtTheWait::checkWithoutRemovingAfterTheHostLetGoOfPart,
                      {"inconclusive"},
                      std::nullopt,
                      "memory",
                      false,
                      "came back empty"},
        // What a wrap fake let go of comes back from the card overwritten by what was
        // written there last, wraps on: data this computer's copy cannot have served, so
        // the card is a fake, and since what was written last reached back a whole wrap
        // below the end, the distance between the wraps is its size. Its speeds, read
        // from memory, stay unmarked. The card stands for a driver that reserves space
        // without writing it, as the check's options here do: exfat-fuse's zeros for the
        // quick check's 4 GiB of slots would otherwise wrap over the file system's
        // structures before anything is tested, and once a busy host let go of its copy
        // of them, the quick check would find the card refusing writes.
        UserCheckCase{"WrapFakeCheckedWithoutRemovingIsFakeWithItsSizeWhereTheHostLetGoOfPart",
                      {.claimed = 4_GiB,
                       .real = 512_MiB,
                       .mode = CounterfeitCard::Mode::wrap,
                       .unwrittenReservations = true},
                      AtTheWait::checkWithoutRemovingAfterTheHostLetGoOfPart,
                      {"fake"},
                      512_MiB,
                      "memory",
                      false,
                      nullptr,
                      "It holds only about 536\u00A0MB of the 4\u00A0GB it claims; anything saved past that is lost.",
                      {"Verdict: Fake card", "Really holds: about 536 MB"},
                      true},
        UserCheckCase{"GenuineCardTakenOutAndPutBackIsGenuine", {.claimed = 512_MiB}, AtTheWait::reinsert,
                      {"genuine"}, std::nullopt, "card", true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tessorin
