#pragma once
// StoreReport: one user's report of where a card was bought and what its check found,
// read from a "StoreReport" record; and the building of the two record types the
// community writes, a store report from a finished check and its purchase, and a flag
// against a report. Reading trusts no stored text: a record may come from a server or a
// file this program did not write, so the text rules are applied again. Plain values,
// safe on any thread; building reads the application's version.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

#include <QDateTime>
#include <QString>

#include "community/rules/Record.hpp"
#include "session/records/CheckOutcome.hpp"
#include "session/records/CheckRecord.hpp"
#include "session/records/Platform.hpp"
#include "session/records/Purchase.hpp"

namespace tessorin {

struct StoreReport {
  QString id;  // the record's name
  QString store;
  QString storeKey;
  Platform platform = Platform::other;
  QString country;  // two capital letters, or ""
  QString city;
  std::optional<QString> brand;
  std::uint64_t advertisedBytes = 0;
  std::optional<std::uint64_t> realBytes;
  CheckOutcome::Verdict verdict = CheckOutcome::Verdict::inconclusive;
  CheckOutcome::Method method = CheckOutcome::Method::quick;
  std::optional<double> price;
  std::optional<QString> currency;
  QDateTime date;  // when the back end stored the record
  std::optional<QString> author;

  // Nothing for a record that lacks a store (or one that cleans to nothing), a known
  // verdict or an integer advertised capacity.
  static std::optional<StoreReport> fromRecord(const Record& record);

  friend bool operator==(const StoreReport&, const StoreReport&) = default;
};

// A new "StoreReport" record for a finished check; throws CommunityError::invalidStoreName
// when the store cleans to nothing. appVersion is left out when empty.
Record makeStoreReportRecord(const CheckRecord& check, const Purchase& purchase, const QString& appVersion);
// A new "ReportFlag" record against the report.
Record makeReportFlagRecord(const StoreReport& report);

}  // namespace tessorin

template <>
struct std::hash<tessorin::StoreReport> {
  std::size_t operator()(const tessorin::StoreReport& report) const noexcept;
};
