// Whole checks over a real socket: what the user is offered for each feed the server
// could send, and that nothing unverified, old or unsafe is ever offered.

#include <gtest/gtest.h>

#include "FeedServer.hpp"
#include "TestFeeds.hpp"
#include "shell/update/UpdateChecker.hpp"

namespace tessorin {
namespace {

using namespace std::chrono_literals;
using namespace testfeeds;
using Phase = UpdateCheck::Phase;

struct FeedCase {
  const char* name;
  FeedReply (*reply)(const Keys& ours, const Keys& theirs, const FeedServer& server);
  Phase phase;
  std::optional<UpdateFailure> failure;
};

void PrintTo(const FeedCase& feedCase, std::ostream* out) { *out << feedCase.name; }

FeedReply ok(QByteArray body) { return FeedReply::ok(std::move(body)); }

const FeedCase cases[] = {
    {"NewerVersionIsOffered", [](const Keys& k, const Keys&, const FeedServer&) { return ok(k.seal(feedText("1.10"))); },
     Phase::available, std::nullopt},
    {"SameVersionIsUpToDate", [](const Keys& k, const Keys&, const FeedServer&) { return ok(k.seal(feedText("1.9"))); },
     Phase::upToDate, std::nullopt},
    {"ReplayedOlderFeedIsUpToDate",
     [](const Keys& k, const Keys&, const FeedServer&) { return ok(k.seal(feedText("1.8.12"))); }, Phase::upToDate,
     std::nullopt},
    {"OneChangedByteIsForged",
     [](const Keys& k, const Keys&, const FeedServer&) {
       return ok(spoilt(k.seal(feedText("1.10")), [](FeedEnvelope& e) { e.feed[e.feed.indexOf("1.10")] = '9'; }));
     },
     Phase::failed, UpdateFailure::forged},
    {"SignatureOfAnotherKeyIsForged",
     [](const Keys&, const Keys& other, const FeedServer&) { return ok(other.seal(feedText("1.10"))); }, Phase::failed,
     UpdateFailure::forged},
    {"CutSignatureIsForged",
     [](const Keys& k, const Keys&, const FeedServer&) {
       return ok(spoilt(k.seal(feedText("1.10")), [](FeedEnvelope& e) { e.signature.chop(1); }));
     },
     Phase::failed, UpdateFailure::forged},
    {"MissingSignatureIsForged",
     [](const Keys&, const Keys&, const FeedServer&) {
       return ok(QByteArray("{\"feed\": \"") + feedText("1.10").toBase64() + "\"}");
     },
     Phase::failed, UpdateFailure::forged},
    {"SignedBrokenJsonIsUnreadable",
     [](const Keys& k, const Keys&, const FeedServer&) { return ok(k.seal("{\"version\": \"1.10\", ")); },
     Phase::failed, UpdateFailure::unreadable},
    {"SignedVersionThatDoesNotParseIsUnreadable",
     [](const Keys& k, const Keys&, const FeedServer&) { return ok(k.seal(feedText("2.0-beta"))); }, Phase::failed,
     UpdateFailure::unreadable},
    {"SignedPlainHttpDownloadPageIsUnreadable",
     [](const Keys& k, const Keys&, const FeedServer&) {
       return ok(k.seal(feedText("1.10", QStringLiteral("http://tessorin.example/download"))));
     },
     Phase::failed, UpdateFailure::unreadable},
    {"WebPageInsteadOfFeedIsUnreadable",
     [](const Keys&, const Keys&, const FeedServer&) { return ok("<html>Sign in to the hotel network</html>"); },
     Phase::failed, UpdateFailure::unreadable},
    {"ReplyOverLimitWithLengthIsTooLarge",
     [](const Keys&, const Keys&, const FeedServer&) { return ok(QByteArray(65 * 1024, ' ')); }, Phase::failed,
     UpdateFailure::tooLarge},
    {"ReplyOverLimitWithoutLengthIsTooLarge",
     [](const Keys&, const Keys&, const FeedServer&) {
       return FeedReply::unsized(QByteArray(300 * 1024, ' '));
     },
     Phase::failed, UpdateFailure::tooLarge},
    {"NotFoundIsServerError", [](const Keys&, const Keys&, const FeedServer&) { return FeedReply::withStatus(404, "gone"); },
     Phase::failed, UpdateFailure::serverError},
    {"InternalErrorIsServerError", [](const Keys&, const Keys&, const FeedServer&) { return FeedReply::withStatus(500, "oops"); },
     Phase::failed, UpdateFailure::serverError},
    {"SilentServerTimesOut",
     [](const Keys&, const Keys&, const FeedServer&) { return FeedReply::silent(); }, Phase::failed,
     UpdateFailure::timedOut},
    {"RedirectToLoopbackIsFollowed",
     [](const Keys&, const Keys&, const FeedServer& server) {
       return FeedReply::redirect(server.url(QStringLiteral("/moved.json")));
     },
     Phase::available, std::nullopt},
    {"RedirectToPlainHttpByNameIsRefused",
     [](const Keys&, const Keys&, const FeedServer& server) {
       QUrl elsewhere = server.url(QStringLiteral("/moved.json"));
       elsewhere.setHost(QStringLiteral("localhost"));
       return FeedReply::redirect(elsewhere);
     },
     Phase::failed, UpdateFailure::unsafeRedirect},
};

class UpdateCheckerFeeds : public testing::TestWithParam<FeedCase> {};

TEST_P(UpdateCheckerFeeds, OffersOnlyAVerifiedNewerRelease) {
  const Keys ours;
  const Keys theirs;
  FeedServer server;
  server.serve(QStringLiteral("/feed.json"), GetParam().reply(ours, theirs, server));
  server.serve(QStringLiteral("/moved.json"), ok(ours.seal(feedText("1.10"))));
  UpdateChecker checker(ours.key(), server.url(), *AppVersion::parse(runningVersion), 500ms);

  ASSERT_TRUE(runCheck(checker));

  ASSERT_TRUE(checker.check());
  const UpdateCheck& check = *checker.check();
  EXPECT_EQ(check.phase, GetParam().phase);
  EXPECT_EQ(check.failure, GetParam().failure);
  EXPECT_EQ(check.feed.has_value(), GetParam().phase == Phase::available) << "offered a release it should not";
  if (check.feed) {
    EXPECT_EQ(check.feed->version.text(), "1.10");
    EXPECT_EQ(check.feed->url, QUrl(downloadPage));
    EXPECT_EQ(check.feed->notes, "Faster checks.\nFewer surprises.");
  }
}

INSTANTIATE_TEST_SUITE_P(Feeds, UpdateCheckerFeeds, testing::ValuesIn(cases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(UpdateChecker, UnreachableServerIsNoConnection) {
  const Keys keys;
  QUrl closed;
  {
    FeedServer gone;
    closed = gone.url();
  }
  UpdateChecker checker(keys.key(), closed, *AppVersion::parse(runningVersion), 2s);
  ASSERT_TRUE(runCheck(checker));
  ASSERT_TRUE(checker.check());
  EXPECT_EQ(checker.check()->failure, UpdateFailure::noConnection);
}

}  // namespace
}  // namespace tessorin
