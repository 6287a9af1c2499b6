// One request is one request: a body on a method that takes none, or bytes that do not
// parse, never become a second request, neither on the server's own connection nor on the
// kept-alive connection nginx shares between clients. Directly and through the nginx of
// the deployment, each such request gets one answer (400) and the connection ends; a
// registration hidden in a GET's body registers no one, whatever address it claims; and a
// client minding its own business gets only its own answers while others try.

#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "Deployment.hpp"

namespace tessorin {
namespace {

using namespace std::chrono_literals;
using testing::LoopbackConnection;
using testing::statusLine;

const std::string hiddenRegistration =
    "POST /v1/authors HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Forwarded-For: 203.0.113.9\r\n"
    "Content-Type: application/json\r\nContent-Length: 2\r\n\r\n{}";

// A request of the given method whose body is the hidden registration, framed by length or
// in chunks.
std::string carrying(const std::string& method, bool chunked) {
  const std::string head = method + " /v1/records?type=StoreReport&limit=1 HTTP/1.1\r\nHost: 127.0.0.1\r\n";
  if (!chunked) return head + "Content-Length: " + std::to_string(hiddenRegistration.size()) + "\r\n\r\n" + hiddenRegistration;
  char size[16];
  std::snprintf(size, sizeof size, "%zx", hiddenRegistration.size());
  return head + "Transfer-Encoding: chunked\r\n\r\n" + size + "\r\n" + hiddenRegistration + "\r\n0\r\n\r\n";
}

// The peer closed the connection, with nothing more to say, within a short while.
bool closesAfterwards(LoopbackConnection& client) { return client.peerSpoke(3000ms) && client.response().empty(); }

class ServerSmugglingTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    TESSORIN_REQUIRE_POSTGRES();
    if (GetParam()) TESSORIN_REQUIRE_NGINX();
    deployment = std::make_unique<Deployment>(GetParam());
  }
  ServerWorld& world() { return deployment->world; }
  std::unique_ptr<Deployment> deployment;
};

TEST_P(ServerSmugglingTest, ABodyOnAMethodWithoutOneGetsOneRefusalAndTheEnd) {
  struct Case {
    const char* method;
    bool chunked;
  };
  const Case cases[] = {{"GET", false}, {"HEAD", false}, {"OPTIONS", false}, {"GET", true}, {"DELETE", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.method) + (c.chunked ? " in chunks" : " with a length"));
    LoopbackConnection client(deployment->port(), deployment->tls());
    ASSERT_TRUE(client.send(carrying(c.method, c.chunked)));
    EXPECT_EQ(statusLine(client.response()), "HTTP/1.1 400 Bad Request");
    EXPECT_TRUE(closesAfterwards(client)) << "the connection went on after the refusal";
  }
  EXPECT_EQ(world().count("authors"), 0) << "a registration hidden in a body was served";
}

TEST_P(ServerSmugglingTest, ARequestThatDoesNotParseEndsTheConnection) {
  // Bare line feeds: the server's parser refuses them; nginx reads them as HTTP allows, so
  // through it only the body-carrying GET after them is refused.
  const std::string bare = "GET /v1/records?type=ReportFlag HTTP/1.1\nHost: 127.0.0.1\n\n";
  LoopbackConnection client(deployment->port(), deployment->tls());
  ASSERT_TRUE(client.send(bare + bare + carrying("GET", false)));
  std::vector<std::string> statuses;
  for (std::string answer; statuses.size() < 5 && !(answer = client.response()).empty();) {
    statuses.push_back(statusLine(answer));
  }
  const std::vector<std::string> expected =
      deployment->tls() ? std::vector<std::string>{"HTTP/1.1 200 OK", "HTTP/1.1 200 OK", "HTTP/1.1 400 Bad Request"}
                        : std::vector<std::string>{"HTTP/1.1 400 Bad Request"};
  EXPECT_EQ(statuses, expected);
  EXPECT_EQ(world().count("authors"), 0);
}

TEST_P(ServerSmugglingTest, ABystanderGetsOnlyItsOwnAnswersWhileOthersHideRequests) {
  std::atomic<bool> smuggling = true;
  std::atomic<int> smuggled = 0;
  std::vector<std::thread> smugglers;
  for (int i = 0; i < 4; ++i) {
    smugglers.emplace_back([&, i] {
      const std::string from = "127.0.0." + std::to_string(20 + i);
      for (int round = 0; smuggling && round < 200; ++round) {
        try {
          LoopbackConnection client(deployment->port(), deployment->tls(), from.c_str());
          client.send(carrying("GET", round % 2 == 1));
          client.response();
          ++smuggled;
        } catch (const std::runtime_error&) {
          // Refused at once by a per-address limit: try again.
        }
      }
    });
  }
  // Its own requests, one after another on one kept-alive connection: each answer must be
  // the page of flags it asked for.
  int foreign = 0;
  int answered = 0;
  std::string firstForeign;
  const auto until = std::chrono::steady_clock::now() + 5s;
  int paced = 0;
  // From several addresses in turn, so that nginx's pace for one address is not what ends it.
  for (int turn = 0; std::chrono::steady_clock::now() < until && answered < 2000; ++turn) {
    const std::string from = "127.0.0." + std::to_string(30 + turn % 16);
    LoopbackConnection bystander(deployment->port(), deployment->tls(), from.c_str());
    for (int i = 0; i < 50; ++i) {
      if (!bystander.send("GET /v1/records?type=ReportFlag&limit=1 HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n")) break;
      const std::string answer = bystander.response();
      if (answer.empty()) break;
      ++answered;
      if (statusLine(answer) == "HTTP/1.1 429 Too Many Requests" && answer.find("\"code\":7") != std::string::npos) {
        ++paced;
        break;
      }
      if (statusLine(answer) != "HTTP/1.1 200 OK" || answer.find("\"records\"") == std::string::npos) {
        if (foreign++ == 0) firstForeign = answer;
      }
    }
  }
  smuggling = false;
  for (std::thread& smuggler : smugglers) smuggler.join();
  RecordProperty("bystanderAnswers", answered);
  RecordProperty("smugglingRequests", smuggled.load());
  RecordProperty("bystanderPaced", paced);
  EXPECT_GT(answered, 50);
  EXPECT_GT(smuggled.load(), 50);
  EXPECT_EQ(foreign, 0) << "answers that were not the bystander's own, the first:\n" << firstForeign;
  EXPECT_EQ(world().count("authors"), 0) << "registrations hidden in bodies were served";
}

INSTANTIATE_TEST_SUITE_P(AloneAndBehindTheProxy, ServerSmugglingTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "ThroughNginx" : "Direct";
                         });

}  // namespace
}  // namespace tessorin
