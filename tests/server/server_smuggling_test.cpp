// One request is one request: a body on a method that takes none, bytes that do not parse,
// or the body of a request the HTTP library answered by itself (a request line too long,
// a Range it cannot read, a body too large) never become a second request, neither on the
// server's own connection nor on the proxy's socket, which carries one request per
// connection whatever the request. Directly and through the nginx of the deployment, each
// such request gets one answer and the connection ends; a registration hidden after it
// registers no one, whatever address it claims; and a client minding its own business
// gets only its own answers while others try. A request that gives no length is answered
// at once whatever its method, nothing waiting for a body that will not come.

#include <atomic>
#include <grp.h>
#include <sys/stat.h>
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

// The header that makes the hidden registration a request's body.
const std::string hiddenLength = "Content-Length: " + std::to_string(hiddenRegistration.size()) + "\r\n";

// A request and the one answer it must get.
struct AnsweredOnce {
  const char* what;
  std::string request;
  const char* status;
};

// A request of the given method whose body is the hidden registration, framed by length or
// in chunks.
std::string carrying(const std::string& method, bool chunked) {
  const std::string head = method + " /v1/records?type=StoreReport&limit=1 HTTP/1.1\r\nHost: 127.0.0.1\r\n";
  if (!chunked) return head + "Content-Length: " + std::to_string(hiddenRegistration.size()) + "\r\n\r\n" + hiddenRegistration;
  char size[16];
  std::snprintf(size, sizeof size, "%zx", hiddenRegistration.size());
  return head + "Transfer-Encoding: chunked\r\n\r\n" + size + "\r\n" + hiddenRegistration + "\r\n0\r\n\r\n";
}

// The status line up to its code ("HTTP/1.1 405"): the reason phrase is the server's or
// nginx's own.
std::string status(const std::string& response) { return statusLine(response).substr(0, 12); }

// The peer closed the connection, with nothing more to say, within a short while.
bool closesAfterwards(LoopbackConnection& client) { return client.peerSpoke(3000ms) && client.response().empty(); }

// A request line of exactly length bytes, its line end included.
std::string requestLine(const std::string& method, std::size_t length, const std::string& end,
                        const std::string& version = "HTTP/1.1") {
  const std::string head = method + " /v1/records?type=ReportFlag&pad=";
  const std::string tail = " " + version + end;
  return head + std::string(length - head.size() - tail.size(), 'a') + tail;
}

// The statuses of every answer on one connection until the peer closes it.
std::vector<std::string> everyAnswer(LoopbackConnection& client) {
  std::vector<std::string> statuses;
  for (std::string answer; statuses.size() < 5 && !(answer = client.response()).empty();) {
    statuses.push_back(statusLine(answer));
  }
  return statuses;
}

// The server's own limit: the library refuses a request line longer than this, line end
// included.
constexpr std::size_t libraryLineLimit = 8192;

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
    const char* status;
  };
  // A method no route serves is refused as such, whatever it carries.
  const Case cases[] = {{"GET", false, "HTTP/1.1 400"},
                        {"HEAD", false, "HTTP/1.1 400"},
                        {"OPTIONS", false, "HTTP/1.1 405"},
                        {"GET", true, "HTTP/1.1 400"},
                        {"DELETE", false, "HTTP/1.1 405"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.method) + (c.chunked ? " in chunks" : " with a length"));
    LoopbackConnection client(deployment->port(), deployment->tls());
    ASSERT_TRUE(client.send(carrying(c.method, c.chunked)));
    EXPECT_EQ(status(client.response()), c.status);
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

TEST_P(ServerSmugglingTest, ARequestLineTooLongIsAnsweredOnceAndNothingAfterItIsRead) {
  // Directly: one byte over the library's own limit and a little more. Through nginx:
  // lines around the server's limit, which nginx once forwarded one byte over it (with
  // CRLF where the client ended a line with a bare LF); it now keeps a margin below.
  const std::size_t shortest = deployment->tls() ? 8180 : libraryLineLimit + 1;
  const std::size_t longest = deployment->tls() ? 8193 : libraryLineLimit + 3;
  for (const std::string end : {"\r\n", "\n"}) {
    for (std::size_t length = shortest; length <= longest; ++length) {
      SCOPED_TRACE(std::to_string(length) + (end == "\n" ? " bytes, LF" : " bytes, CRLF"));
      LoopbackConnection client(deployment->port(), deployment->tls());
      // The registration as the body of a POST (nginx forwards it), and pipelined after it.
      ASSERT_TRUE(client.send(requestLine("POST", length, end) + "Host: 127.0.0.1" + end +
                              "Content-Length: " + std::to_string(hiddenRegistration.size()) + end + end +
                              hiddenRegistration + hiddenRegistration));
      const std::vector<std::string> statuses = everyAnswer(client);
      ASSERT_EQ(statuses.size(), 1u) << "answers: " << ::testing::PrintToString(statuses);
    }
  }
  EXPECT_EQ(world().count("authors"), 0) << "a registration hidden after a request line too long was served";
}

TEST_P(ServerSmugglingTest, AnAnswerTheLibraryWritesItselfEndsTheConnection) {
  const AnsweredOnce cases[] = {
      {"a request line one byte over the limit, HTTP/1.0 kept alive",
       requestLine("GET", libraryLineLimit + 1, "\r\n", "HTTP/1.0") + "Connection: keep-alive\r\n\r\n" +
           hiddenRegistration,
       deployment->tls() ? "HTTP/1.1 414 Request-URI Too Large" : "HTTP/1.1 414 URI Too Long"},
      {"a Range the library cannot read, carrying a request",
       "GET /v1/records?type=ReportFlag HTTP/1.1\r\nHost: 127.0.0.1\r\nRange: bytes=x\r\n" + hiddenLength + "\r\n" +
           hiddenRegistration,
       // nginx refuses the body on a GET before the Range matters; it drops Range anyway.
       deployment->tls() ? "HTTP/1.1 400 Bad Request" : "HTTP/1.1 416 Range Not Satisfiable"},
      {"a Range the library cannot read, a request pipelined after it",
       "GET /v1/records?type=ReportFlag HTTP/1.1\r\nHost: 127.0.0.1\r\nRange: bytes=x\r\n\r\n" +
           hiddenRegistration,
       deployment->tls() ? "HTTP/1.1 200 OK" : "HTTP/1.1 416 Range Not Satisfiable"},
      {"a body over the limit",
       "POST /v1/records HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 20000\r\n\r\n" + hiddenRegistration,
       deployment->tls() ? "HTTP/1.1 413 Request Entity Too Large" : "HTTP/1.1 413 Payload Too Large"},
  };
  for (const AnsweredOnce& c : cases) {
    SCOPED_TRACE(c.what);
    LoopbackConnection client(deployment->port(), deployment->tls());
    ASSERT_TRUE(client.send(c.request));
    const std::vector<std::string> statuses = everyAnswer(client);
    // Through nginx the pipelined registration is a request of the client's own, and
    // nginx forwards it as from the client: counted below only when it came directly.
    if (deployment->tls() && std::string(c.status) == "HTTP/1.1 200 OK") {
      ASSERT_FALSE(statuses.empty());
      EXPECT_EQ(statuses.front(), c.status);
      continue;
    }
    EXPECT_EQ(statuses, std::vector<std::string>{c.status});
  }
  EXPECT_EQ(world().count("authors"), deployment->tls() ? 1 : 0);
}

TEST_P(ServerSmugglingTest, APostThatGivesNoLengthIsRefusedAtOnce) {
  for (const char* version : {"HTTP/1.1", "HTTP/1.0"}) {
    SCOPED_TRACE(version);
    LoopbackConnection client(deployment->port(), deployment->tls());
    ASSERT_TRUE(client.send(std::string("POST /v1/authors ") + version + "\r\nHost: 127.0.0.1\r\n\r\n"));
    // Before the 10 s request deadline that a wait for its body would end at, with room
    // for a busy machine's TLS handshake through the site.
    ASSERT_TRUE(client.peerSpoke(8000ms));
    const std::string answer = client.response();
    EXPECT_EQ(statusLine(answer), "HTTP/1.1 411 Length Required");
    EXPECT_NE(answer.find("\"message\":\"Send the body with its length.\""), std::string::npos) << answer;
    EXPECT_TRUE(closesAfterwards(client));
  }
  EXPECT_EQ(world().count("authors"), 0);
}

TEST_P(ServerSmugglingTest, ARequestWithoutALengthIsAnsweredAtOnceWhateverItsMethod) {
  // A method no route serves is refused before anything after its headers is read, with
  // the methods that are served; one that is served and may carry a body must say how
  // long it is. Each ends its connection, the registration pipelined after it unread.
  const std::pair<const char*, const char*> cases[] = {
      {"PUT", "HTTP/1.1 405"}, {"PATCH", "HTTP/1.1 405"}, {"DELETE", "HTTP/1.1 405"},
      {"OPTIONS", "HTTP/1.1 405"}, {"BREW", "HTTP/1.1 405"}, {"POST", "HTTP/1.1 411"}};
  for (const auto& [method, expected] : cases) {
    SCOPED_TRACE(method);
    LoopbackConnection client(deployment->port(), deployment->tls());
    ASSERT_TRUE(client.send(std::string(method) + " /v1/records HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"));
    // Before the 10 s request deadline that a wait for its body would end at, with room
    // for a busy machine's TLS handshake through the site.
    ASSERT_TRUE(client.peerSpoke(8000ms)) << "no answer while the server waits for a body";
    ASSERT_TRUE(client.send(hiddenRegistration));
    const std::string answer = client.response();
    EXPECT_EQ(status(answer), expected) << answer;
    if (std::string(expected) == "HTTP/1.1 405") {
      EXPECT_NE(answer.find("\r\nAllow: GET, HEAD, POST\r\n"), std::string::npos) << answer;
      EXPECT_NE(answer.find("\"message\":\"Use GET or POST as the address asks.\""), std::string::npos) << answer;
    }
    EXPECT_TRUE(closesAfterwards(client)) << "the connection went on after the refusal";
  }
  EXPECT_EQ(world().count("authors"), 0) << "a request pipelined after a refusal was served";

  // The methods served need no length where they carry no body.
  for (const bool head : {false, true}) {
    SCOPED_TRACE(head ? "HEAD" : "GET");
    const char* path = "/v1/records?type=ReportFlag";
    std::unique_ptr<httplib::ClientImpl> http;
    if (deployment->tls()) {
      auto https = std::make_unique<httplib::SSLClient>("127.0.0.1", deployment->port());
      https->enable_server_certificate_verification(false);
      http = std::move(https);
    } else {
      http = std::make_unique<httplib::ClientImpl>("127.0.0.1", deployment->port());
    }
    const httplib::Result answer = head ? http->Head(path) : http->Get(path);
    ASSERT_TRUE(answer) << httplib::to_string(answer.error());
    EXPECT_EQ(answer->status, 200);
  }
}

TEST(ProxySocketTest, CarriesOneRequestPerConnectionWhateverTheRequest) {
  TESSORIN_REQUIRE_POSTGRES();
  ServerWorld world;
  const std::string flags = "GET /v1/records?type=ReportFlag HTTP/1.0\r\nX-Forwarded-For: 198.51.100.1\r\n\r\n";
  const AnsweredOnce cases[] = {
      {"a whole request, another after it", flags + hiddenRegistration, "HTTP/1.1 200 OK"},
      {"a request kept alive, another after it",
       "GET /v1/records?type=ReportFlag HTTP/1.1\r\nConnection: keep-alive\r\nX-Forwarded-For: 198.51.100.1\r\n\r\n" +
           hiddenRegistration,
       "HTTP/1.1 200 OK"},
      {"a request line too long carrying a request",
       requestLine("POST", libraryLineLimit + 1, "\r\n") + hiddenLength + "\r\n" + hiddenRegistration, "HTTP/1.1 414 URI Too Long"},
      {"a Range the library cannot read",
       "GET /v1/records?type=ReportFlag HTTP/1.1\r\nRange: bytes=x\r\n\r\n" + hiddenRegistration,
       "HTTP/1.1 416 Range Not Satisfiable"},
      {"a POST that gives no length", "POST /v1/authors HTTP/1.0\r\nX-Forwarded-For: 198.51.100.1\r\n\r\n" + hiddenRegistration,
       "HTTP/1.1 411 Length Required"},
  };
  for (const AnsweredOnce& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string answers = testing::askOnProxySocket(world.options.proxySocket, c.request);
    EXPECT_EQ(statusLine(answers), c.status);
    EXPECT_EQ(answers.find("HTTP/1.1", 1), std::string::npos) << "more than one answer:\n" << answers;
  }
  EXPECT_EQ(world.count("authors"), 0);

  // Only nginx's group may connect: the socket is the door that believes X-Forwarded-For.
  struct stat socket {};
  ASSERT_EQ(stat(world.options.proxySocket.c_str(), &socket), 0);
  EXPECT_EQ(socket.st_mode & 0777, 0660u);
  if (!world.options.proxySocketGroup.empty()) {
    EXPECT_EQ(socket.st_gid, getgrnam(world.options.proxySocketGroup.c_str())->gr_gid);
  }
}

INSTANTIATE_TEST_SUITE_P(AloneAndBehindTheProxy, ServerSmugglingTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "ThroughNginx" : "Direct";
                         });

}  // namespace
}  // namespace tessorin
