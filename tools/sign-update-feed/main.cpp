// sign-update-feed: publishes releases to the update checker.
//
//   sign-update-feed keygen SECRET-KEY-FILE
//       makes a key pair, writes the secret key (base64) to a new file only its owner
//       can read, and prints the public key for TESSORIN_UPDATE_PUBLIC_KEY;
//   sign-update-feed sign SECRET-KEY-FILE FEED-FILE
//       checks that FEED-FILE is a feed the checker accepts ({"version", "published",
//       "url", "notes"}) and prints the signed envelope to publish at the feed address.

#include <cstdio>

#include <QFile>
#include <QTextStream>

#include "FeedSigner.hpp"
#include "shell/update/feed/UpdateFeed.hpp"

namespace {

using tessorin::FeedSigner;

int fail(const QString& message) {
  QTextStream(stderr) << "sign-update-feed: " << message << '\n';
  return 1;
}

int makeKeys(const QString& secretKeyPath) {
  const auto pair = FeedSigner::makeKeyPair();
  if (!pair) return fail(QStringLiteral("libsodium could not be initialised"));
  QFile file(secretKeyPath);
  // Never over an existing key: releases signed with a lost key could not be believed.
  if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly, QFile::ReadOwner | QFile::WriteOwner)) {
    return fail(QStringLiteral("cannot create %1: %2").arg(secretKeyPath, file.errorString()));
  }
  if (file.write(pair->secretKey.toLatin1() + '\n') < 0 || !file.flush()) {
    return fail(QStringLiteral("cannot write %1: %2").arg(secretKeyPath, file.errorString()));
  }
  QTextStream(stdout) << pair->publicKey << '\n';
  return 0;
}

int sign(const QString& secretKeyPath, const QString& feedPath) {
  QFile keyFile(secretKeyPath);
  if (!keyFile.open(QIODevice::ReadOnly)) {
    return fail(QStringLiteral("cannot read %1: %2").arg(secretKeyPath, keyFile.errorString()));
  }
  const auto signer = FeedSigner::fromSecretKey(QString::fromLatin1(keyFile.readAll()));
  if (!signer) return fail(QStringLiteral("%1 holds no secret key").arg(secretKeyPath));
  QFile feedFile(feedPath);
  if (!feedFile.open(QIODevice::ReadOnly)) {
    return fail(QStringLiteral("cannot read %1: %2").arg(feedPath, feedFile.errorString()));
  }
  const QByteArray feed = feedFile.readAll();
  if (!tessorin::UpdateFeed::parse(feed)) {
    return fail(QStringLiteral(
                    "%1 is not a feed the update checker accepts: it needs \"version\" (numbers and dots), "
                    "\"published\" (an ISO 8601 date), \"url\" (https) and \"notes\", all text")
                    .arg(feedPath));
  }
  const QByteArray envelope = signer->seal(feed);
  return std::fwrite(envelope.constData(), 1, static_cast<std::size_t>(envelope.size()), stdout) ==
                 static_cast<std::size_t>(envelope.size())
             ? 0
             : fail(QStringLiteral("cannot write the envelope"));
}

}  // namespace

int main(int argc, char** argv) {
  const QString command = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
  if (command == QLatin1String("keygen") && argc == 3) return makeKeys(QString::fromLocal8Bit(argv[2]));
  if (command == QLatin1String("sign") && argc == 4) {
    return sign(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
  }
  return fail(QStringLiteral("usage: sign-update-feed keygen SECRET-KEY-FILE\n"
                             "       sign-update-feed sign SECRET-KEY-FILE FEED-FILE > ENVELOPE"));
}
