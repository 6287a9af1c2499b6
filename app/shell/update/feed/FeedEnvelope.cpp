#include "shell/update/feed/FeedEnvelope.hpp"

#include <nlohmann/json.hpp>
#include <sodium.h>

#include "shell/update/feed/Sodium.hpp"

namespace tessorin {

namespace {

std::optional<QByteArray> base64Field(const nlohmann::json& object, const char* name) {
  const auto field = object.find(name);
  if (field == object.end() || !field->is_string()) return std::nullopt;
  const auto& text = field->get_ref<const std::string&>();
  const auto decoded = QByteArray::fromBase64Encoding(
      QByteArray::fromStdString(text), QByteArray::Base64Encoding | QByteArray::AbortOnBase64DecodingErrors);
  if (!decoded) return std::nullopt;
  return decoded.decoded;
}

}  // namespace

std::optional<FeedEnvelope> FeedEnvelope::parse(const QByteArray& bytes) {
  const auto object = nlohmann::json::parse(bytes.begin(), bytes.end(), nullptr, false);
  if (!object.is_object()) return std::nullopt;
  auto feed = base64Field(object, "feed");
  if (!feed) return std::nullopt;
  return FeedEnvelope{*std::move(feed), base64Field(object, "signature").value_or(QByteArray())};
}

bool FeedEnvelope::isSignedBy(const UpdatePublicKey& key) const {
  if (!sodiumReady() || signature.size() != static_cast<qsizetype>(crypto_sign_BYTES)) return false;
  return crypto_sign_verify_detached(reinterpret_cast<const unsigned char*>(signature.constData()),
                                     reinterpret_cast<const unsigned char*>(feed.constData()),
                                     static_cast<unsigned long long>(feed.size()), key.bytes().data()) == 0;
}

QByteArray FeedEnvelope::toJson() const {
  const nlohmann::json object = {{"feed", feed.toBase64().toStdString()},
                                 {"signature", signature.toBase64().toStdString()}};
  return QByteArray::fromStdString(object.dump(2) + "\n");
}

}  // namespace tessorin
