#pragma once
// UpdatePublicKey: the Ed25519 public key every update feed must be signed with, read
// from the base64 text the build carries. Only exactly 32 bytes of strict base64 make a
// key: a cut or padded text would make a checker that calls every genuine feed forged,
// so it counts as no key at all and the checker stays off. A plain value; any thread.

#include <array>
#include <cstddef>
#include <optional>

#include <QString>

namespace tessorin {

class UpdatePublicKey {
 public:
  static constexpr std::size_t size = 32;
  using Bytes = std::array<unsigned char, size>;

  static std::optional<UpdatePublicKey> fromBase64(const QString& text);

  const Bytes& bytes() const { return bytes_; }

 private:
  explicit UpdatePublicKey(const Bytes& bytes) : bytes_(bytes) {}

  Bytes bytes_;
};

}  // namespace tessorin
