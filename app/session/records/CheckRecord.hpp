#pragma once
// CheckRecord: one finished check as the history keeps it: the card, its claims, the
// verdict, the identity registers, the measured speeds, and later where it was bought
// and under which name it was shared. The unit of History.json and of a community
// report. A plain value, safe to copy to any thread.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>

#include <QDateTime>
#include <QUuid>
#include <nlohmann/json.hpp>

#include "session/records/CheckOutcome.hpp"
#include "session/records/Purchase.hpp"
#include "tessorin/identity/Brand.hpp"

namespace tessorin {

struct CheckRecord {
  QUuid id = QUuid::createUuid();
  QDateTime date = QDateTime::currentDateTimeUtc();  // when the check finished
  std::string cardName;                              // the volume's name
  std::uint64_t advertisedBytes = 0;
  std::optional<std::uint64_t> realBytes;
  CheckOutcome::Verdict verdict = CheckOutcome::Verdict::inconclusive;
  CheckOutcome::Method method = CheckOutcome::Method::quick;
  std::optional<Brand> brand;
  // Only with `brand` `other`: the typed name, trimmed and cut to 30 characters.
  std::optional<std::string> brandName;
  std::optional<std::uint8_t> manufacturerID;
  std::optional<std::string> oemID;
  std::optional<std::string> productName;
  std::optional<std::string> serial;      // upper-case hex pairs
  std::optional<std::uint64_t> testedBytes;
  std::optional<double> writeSpeed;       // bytes per second
  std::optional<double> readSpeed;
  std::optional<Purchase> purchase;
  std::optional<std::string> sharedRecordName;

  // Dates to the millisecond; a NaN speed or price equals nothing.
  friend bool operator==(const CheckRecord&, const CheckRecord&) = default;
};

// The history's records, newest first: a new record goes in front without moving the
// others, and a million of them are never moved at once.
using CheckRecords = std::deque<CheckRecord>;

// Absent fields, and speeds or prices that are not finite, have no key at all; the id is
// upper-case, the date whole seconds in UTC. Throws EncodingError only for an invalid
// date. Reading is strict about required keys, types, ranges and enumeration texts
// (DecodingError), takes null for absent and ignores keys it does not know.
void to_json(nlohmann::json& json, const CheckRecord& record);
void from_json(const nlohmann::json& json, CheckRecord& record);

}  // namespace tessorin

template <>
struct std::hash<tessorin::CheckRecord> {
  std::size_t operator()(const tessorin::CheckRecord& record) const noexcept;
};
