// The server's log of failures written at most once a second for each kind of line, on a
// clock the test moves by hand: what came in between is counted and told with the next
// line written, and when the log ends, so that no failure goes untold.

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ThrottledLog.hpp"

namespace tessorin {
namespace {

using namespace std::chrono_literals;
using server::ThrottledLog;

ThrottledLog::Clock::time_point handClock;

ThrottledLog::Clock::time_point handTime() { return handClock; }

// A log on the hand-moved clock, written to a file the test reads back.
class ThrottledLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    handClock = ThrottledLog::Clock::time_point(100s);
    out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    log = std::make_unique<ThrottledLog>(out, &handTime);
  }
  void TearDown() override {
    log.reset();
    std::fclose(out);
  }
  std::vector<std::string> lines() {
    std::fflush(out);
    std::rewind(out);
    std::vector<std::string> read;
    char line[512];
    while (std::fgets(line, sizeof line, out) != nullptr) read.emplace_back(line, std::string(line).size() - 1);
    return read;
  }
  void failAlike(int times) {
    for (int i = 0; i < times; ++i) log->say({"closed: ", "std::bad_alloc"});
  }

  std::FILE* out = nullptr;
  std::unique_ptr<ThrottledLog> log;
};

TEST_F(ThrottledLogTest, ALineThatComesThousandsOfTimesIsWrittenOnceASecondWithItsCount) {
  failAlike(1);
  EXPECT_EQ(lines(), std::vector<std::string>{"closed: std::bad_alloc"}) << "the first one is written at once";
  handClock += 400ms;
  failAlike(5000);
  handClock += 599ms;
  failAlike(1);
  EXPECT_EQ(lines().size(), 1u) << "written again within the second";
  handClock += 1ms;
  failAlike(1);
  handClock += 2500ms;
  failAlike(1);
  EXPECT_EQ(lines(), (std::vector<std::string>{"closed: std::bad_alloc", "closed: std::bad_alloc (5002 times in 1.0 s)",
                                               "closed: std::bad_alloc"}));
}

TEST_F(ThrottledLogTest, EachKindIsCountedApartAndWhatIsOnlyCountedIsWrittenAtTheEnd) {
  failAlike(1);
  log->say({"closed after an unknown failure"});
  handClock += 10ms;
  failAlike(3);
  log->say({"closed after an unknown failure"});
  // More kinds than it keeps apart: the one that came least lately makes room, and its
  // count is written first.
  for (int kind = 0; kind < 8; ++kind) {
    handClock += 1ms;
    log->say({"kind ", std::to_string(kind)});
  }
  handClock += 50ms;
  failAlike(2);
  log.reset();
  const std::vector<std::string> written = lines();
  const std::vector<std::string> expected{
      "closed: std::bad_alloc", "closed after an unknown failure", "kind 0", "kind 1", "kind 2", "kind 3", "kind 4",
      "kind 5",
      // Room for kind 6 is made by the line that came least lately, for kind 7 by the next.
      "closed: std::bad_alloc (3 times in 0.0 s)", "kind 6", "closed after an unknown failure", "kind 7",
      // A kind that comes again after it made room is new again; at the end, what was
      // only counted.
      "closed: std::bad_alloc", "closed: std::bad_alloc"};
  EXPECT_EQ(written, expected);
}

TEST_F(ThrottledLogTest, ALineTooLongIsCutAndStillCountedAsOne) {
  const std::string detail(1000, 'x');
  log->say({"closed: ", detail});
  log->say({"closed: ", detail});
  handClock += 1s;
  log->say({"closed: ", detail});
  const std::vector<std::string> written = lines();
  ASSERT_EQ(written.size(), 2u);
  EXPECT_LT(written[0].size(), 300u);
  EXPECT_EQ(written[0].rfind("closed: xxx", 0), 0u);
  EXPECT_NE(written[1].find("(2 times in 1.0 s)"), std::string::npos) << written[1];
}

}  // namespace
}  // namespace tessorin
