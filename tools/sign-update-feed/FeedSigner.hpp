#pragma once
// FeedSigner: the release side of update feeds. makeKeyPair makes an Ed25519 key pair
// with libsodium; seal signs a feed's exact bytes (detached signature) and wraps both
// into the envelope the application's UpdateChecker opens. Keys travel as base64 text:
// the public one is what TESSORIN_UPDATE_PUBLIC_KEY takes, the secret one stays with
// whoever publishes releases. Any thread.

#include <optional>

#include <QByteArray>
#include <QString>

namespace tessorin {

struct FeedKeyPair {
  QString publicKey;  // base64 of 32 bytes
  QString secretKey;  // base64 of 64 bytes
};

class FeedSigner {
 public:
  static std::optional<FeedKeyPair> makeKeyPair();

  // Absent when `secretKey` is not 64 bytes of base64.
  static std::optional<FeedSigner> fromSecretKey(const QString& secretKey);

  // The envelope, as JSON text, around exactly `feedBytes`.
  QByteArray seal(const QByteArray& feedBytes) const;

 private:
  explicit FeedSigner(QByteArray secretKey) : secretKey_(std::move(secretKey)) {}

  QByteArray secretKey_;
};

}  // namespace tessorin
