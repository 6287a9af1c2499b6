#include "FeedSigner.hpp"

#include <sodium.h>

#include "shell/update/feed/FeedEnvelope.hpp"
#include "shell/update/feed/Sodium.hpp"

namespace tessorin {

std::optional<FeedKeyPair> FeedSigner::makeKeyPair() {
  if (!sodiumReady()) return std::nullopt;
  QByteArray publicKey(crypto_sign_PUBLICKEYBYTES, '\0');
  QByteArray secretKey(crypto_sign_SECRETKEYBYTES, '\0');
  crypto_sign_keypair(reinterpret_cast<unsigned char*>(publicKey.data()),
                      reinterpret_cast<unsigned char*>(secretKey.data()));
  FeedKeyPair pair{QString::fromLatin1(publicKey.toBase64()), QString::fromLatin1(secretKey.toBase64())};
  sodium_memzero(secretKey.data(), static_cast<std::size_t>(secretKey.size()));
  return pair;
}

std::optional<FeedSigner> FeedSigner::fromSecretKey(const QString& secretKey) {
  const auto decoded = QByteArray::fromBase64Encoding(
      secretKey.trimmed().toLatin1(), QByteArray::Base64Encoding | QByteArray::AbortOnBase64DecodingErrors);
  if (!sodiumReady() || !decoded || decoded.decoded.size() != static_cast<qsizetype>(crypto_sign_SECRETKEYBYTES)) {
    return std::nullopt;
  }
  return FeedSigner(decoded.decoded);
}

QByteArray FeedSigner::seal(const QByteArray& feedBytes) const {
  QByteArray signature(crypto_sign_BYTES, '\0');
  crypto_sign_detached(reinterpret_cast<unsigned char*>(signature.data()), nullptr,
                       reinterpret_cast<const unsigned char*>(feedBytes.constData()),
                       static_cast<unsigned long long>(feedBytes.size()),
                       reinterpret_cast<const unsigned char*>(secretKey_.constData()));
  return FeedEnvelope{feedBytes, signature}.toJson();
}

}  // namespace tessorin
