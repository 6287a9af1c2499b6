#pragma once
// Feeds for the update tests: a key pair made in the test, feed texts, and envelopes
// signed properly or spoilt in one particular way.

#include <ostream>

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QString>

#include "FeedSigner.hpp"
#include "shell/update/UpdateChecker.hpp"
#include "shell/update/feed/FeedEnvelope.hpp"
#include "shell/update/feed/UpdatePublicKey.hpp"

// Readable failure messages for the texts the tests compare.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace tessorin::testfeeds {

// The version every test program claims to be.
inline const QString runningVersion = QStringLiteral("1.9.0");
inline const QString downloadPage = QStringLiteral("https://tessorin.example/download");

inline QByteArray feedText(const QString& version, const QString& url = downloadPage,
                           const QString& notes = QStringLiteral("Faster checks.\nFewer surprises.")) {
  QJsonObject object{{QStringLiteral("version"), version},
                     {QStringLiteral("published"), QStringLiteral("2026-12-01T09:00:00Z")},
                     {QStringLiteral("url"), url},
                     {QStringLiteral("notes"), notes}};
  return QJsonDocument(object).toJson();
}

class Keys {
 public:
  Keys() : pair_(*FeedSigner::makeKeyPair()), signer_(*FeedSigner::fromSecretKey(pair_.secretKey)) {}

  const QString& publicKey() const { return pair_.publicKey; }
  UpdatePublicKey key() const { return *UpdatePublicKey::fromBase64(pair_.publicKey); }
  QByteArray seal(const QByteArray& feed) const { return signer_.seal(feed); }

 private:
  FeedKeyPair pair_;
  FeedSigner signer_;
};

// `envelope` with its parts changed by `change` after signing.
template <typename Change>
QByteArray spoilt(const QByteArray& envelope, Change change) {
  FeedEnvelope parts = *FeedEnvelope::parse(envelope);
  change(parts);
  return parts.toJson();
}

// Starts a check and waits until it has ended; false when it never did.
inline bool runCheck(UpdateChecker& checker) {
  QSignalSpy ended(&checker, &UpdateChecker::canCheckForUpdatesChanged);
  checker.checkForUpdates();
  return checker.canCheckForUpdates() || ended.wait(5000);
}

}  // namespace tessorin::testfeeds
