// The rules a feed is held to before anything in it is believed: versions, keys,
// addresses and the feed's own fields.

#include <gtest/gtest.h>

#include "TestFeeds.hpp"
#include "shell/update/feed/AppVersion.hpp"
#include "shell/update/feed/SafeUpdateUrl.hpp"
#include "shell/update/feed/UpdateFeed.hpp"
#include "shell/update/feed/UpdatePublicKey.hpp"

namespace tessorin {
namespace {

TEST(AppVersion, ComparesPartByPartAsNumbers) {
  const struct {
    const char* older;
    const char* newer;
  } rows[] = {{"1.9", "1.10"}, {"1.9.9", "1.10.0"}, {"0.1.0", "0.1.1"}, {"1.99.99", "2"}, {"1.2", "1.2.0.1"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.older) + " < " + row.newer);
    const auto older = AppVersion::parse(QString::fromLatin1(row.older));
    const auto newer = AppVersion::parse(QString::fromLatin1(row.newer));
    ASSERT_TRUE(older && newer);
    EXPECT_LT(*older, *newer);
    EXPECT_GT(*newer, *older);
  }
  EXPECT_EQ(*AppVersion::parse(QStringLiteral("1.2")), *AppVersion::parse(QStringLiteral("1.2.0")));
  EXPECT_EQ(*AppVersion::parse(QStringLiteral("01.2")), *AppVersion::parse(QStringLiteral("1.2")));
}

TEST(AppVersion, AnythingButDigitsAndDotsIsNoVersion) {
  for (const char* text : {"", "1.", ".1", "1..2", "v1.2", "1.2-beta", "-1", "1.x", " 1.2", "1.2 ", "+1",
                           "1234567890", "1.2.3.4.5.6.7.8.9", "１.２"}) {
    EXPECT_FALSE(AppVersion::parse(QString::fromUtf8(text))) << text;
  }
}

TEST(UpdatePublicKey, OnlyThirtyTwoBytesOfStrictBase64MakeAKey) {
  const QByteArray bytes(32, '\x5a');
  EXPECT_TRUE(UpdatePublicKey::fromBase64(QString::fromLatin1(bytes.toBase64())));
  EXPECT_TRUE(UpdatePublicKey::fromBase64(QString::fromLatin1(bytes.toBase64(QByteArray::OmitTrailingEquals))));
  for (const QString& text : {QString(), QString::fromLatin1(QByteArray(31, 'a').toBase64()),
                              QString::fromLatin1(QByteArray(33, 'a').toBase64()),
                              QString::fromLatin1(QByteArray(64, 'a').toBase64()),
                              QString::fromLatin1(bytes.toBase64()) + QLatin1Char('\n'),
                              QStringLiteral(" ") + QString::fromLatin1(bytes.toBase64()),
                              QString::fromLatin1(bytes.toBase64()).replace(0, 1, QLatin1Char('-'))}) {
    EXPECT_FALSE(UpdatePublicKey::fromBase64(text)) << text.toStdString();
  }
}

TEST(SafeUpdateUrl, HttpsOrPlainHttpToLoopbackOnly) {
  const struct {
    const char* url;
    bool safe;
  } rows[] = {
      {"https://tessorin.example/feed.json", true},  {"http://127.0.0.1:8080/feed.json", true},
      {"http://127.1.2.3/feed.json", true},          {"http://[::1]:8080/feed.json", true},
      {"http://tessorin.example/feed.json", false},  {"http://localhost/feed.json", false},
      {"http://10.0.0.1/feed.json", false},          {"ftp://tessorin.example/feed.json", false},
      {"file:///etc/passwd", false},                 {"javascript:alert(1)", false},
      {"https:///feed.json", false},                 {"https://user:pw@tessorin.example/", false},
      {"", false},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(isSafeUpdateUrl(QUrl(QString::fromLatin1(row.url))), row.safe) << row.url;
  }
}

TEST(UpdateFeed, EveryFieldIsHeldToItsRule) {
  EXPECT_TRUE(UpdateFeed::parse(testfeeds::feedText(QStringLiteral("1.10"))));
  const char* broken[] = {
      R"j({"published": "2026-12-01T09:00:00Z", "url": "https://t.example/", "notes": ""})j",
      R"j({"version": 2, "published": "2026-12-01T09:00:00Z", "url": "https://t.example/", "notes": ""})j",
      R"j({"version": "2", "published": "yesterday", "url": "https://t.example/", "notes": ""})j",
      R"j({"version": "2", "published": "2026-12-01T09:00:00Z", "url": "javascript:alert(1)", "notes": ""})j",
      R"j({"version": "2", "published": "2026-12-01T09:00:00Z", "url": "https://t.example/", "notes": ["a"]})j",
      R"j(["version", "2"])j",
  };
  for (const char* text : broken) EXPECT_FALSE(UpdateFeed::parse(QByteArray(text))) << text;
}

}  // namespace
}  // namespace tessorin
