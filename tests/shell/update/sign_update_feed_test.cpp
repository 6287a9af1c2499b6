// The release tool end to end: the key it prints verifies what it signs, it keeps an
// existing secret key, and it refuses to sign a feed the checker would not accept.

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "TestFeeds.hpp"
#include "shell/update/feed/UpdateFeed.hpp"

namespace tessorin {
namespace {

struct ToolRun {
  int exitCode;
  QByteArray out;
};

ToolRun signUpdateFeed(const QStringList& arguments) {
  QProcess process;
  process.start(QStringLiteral(SIGN_UPDATE_FEED), arguments);
  process.waitForFinished(30'000);
  return ToolRun{process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput()};
}

TEST(SignUpdateFeed, SignsWhatTheCheckerBelievesAndNothingElse) {
  QTemporaryDir folder;
  const QString secretKey = folder.filePath(QStringLiteral("feed.key"));
  const ToolRun keygen = signUpdateFeed({QStringLiteral("keygen"), secretKey});
  ASSERT_EQ(keygen.exitCode, 0);
  const auto key = UpdatePublicKey::fromBase64(QString::fromLatin1(keygen.out.trimmed()));
  ASSERT_TRUE(key) << keygen.out.toStdString();
  EXPECT_EQ(QFile::permissions(secretKey) & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());

  const QByteArray secret = [&] {
    QFile file(secretKey);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }();
  EXPECT_NE(signUpdateFeed({QStringLiteral("keygen"), secretKey}).exitCode, 0) << "an existing key was replaced";
  QFile kept(secretKey);
  ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
  EXPECT_EQ(kept.readAll(), secret);

  const auto write = [&](const QString& name, const QByteArray& bytes) {
    QFile file(folder.filePath(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return file.fileName();
  };
  const QByteArray feed = testfeeds::feedText(QStringLiteral("1.10"));
  const ToolRun signing = signUpdateFeed({QStringLiteral("sign"), secretKey, write(QStringLiteral("feed.json"), feed)});
  ASSERT_EQ(signing.exitCode, 0);
  const auto envelope = FeedEnvelope::parse(signing.out);
  ASSERT_TRUE(envelope);
  EXPECT_TRUE(envelope->isSignedBy(*key));
  EXPECT_EQ(envelope->feed, feed);

  const ToolRun refused = signUpdateFeed(
      {QStringLiteral("sign"), secretKey, write(QStringLiteral("bad.json"), testfeeds::feedText(QStringLiteral("2.0b")))});
  EXPECT_NE(refused.exitCode, 0);
  EXPECT_TRUE(refused.out.isEmpty());
}

}  // namespace
}  // namespace tessorin
