#pragma once
// FeedEnvelope: how an update feed travels: the JSON object
//   {"feed": "<base64 of the feed's bytes>", "signature": "<base64 of 64 bytes>"}
// whose signature is a detached Ed25519 signature of exactly the feed's bytes. The
// checker reads the envelope, asks isSignedBy, and only then lets anyone look inside
// `feed`; the signing tool makes envelopes with toJson. A plain value; any thread.

#include <optional>

#include <QByteArray>

#include "shell/update/feed/UpdatePublicKey.hpp"

namespace tessorin {

struct FeedEnvelope {
  QByteArray feed;
  QByteArray signature;

  // Absent when `bytes` is not a JSON object with "feed" as base64 text. A missing or
  // malformed signature still makes an envelope, one that no key has signed.
  static std::optional<FeedEnvelope> parse(const QByteArray& bytes);

  bool isSignedBy(const UpdatePublicKey& key) const;

  QByteArray toJson() const;
};

}  // namespace tessorin
