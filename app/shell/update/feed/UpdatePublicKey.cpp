#include "shell/update/feed/UpdatePublicKey.hpp"

#include <algorithm>

#include <QByteArray>
#include <sodium.h>

namespace tessorin {

static_assert(UpdatePublicKey::size == crypto_sign_PUBLICKEYBYTES);

std::optional<UpdatePublicKey> UpdatePublicKey::fromBase64(const QString& text) {
  const auto decoded = QByteArray::fromBase64Encoding(
      text.toLatin1(), QByteArray::Base64Encoding | QByteArray::AbortOnBase64DecodingErrors);
  if (!decoded || decoded.decoded.size() != static_cast<qsizetype>(size)) {
    return std::nullopt;
  }
  Bytes bytes{};
  std::copy_n(reinterpret_cast<const unsigned char*>(decoded.decoded.constData()), size, bytes.begin());
  return UpdatePublicKey(bytes);
}

}  // namespace tessorin
