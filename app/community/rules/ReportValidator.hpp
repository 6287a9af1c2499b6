#pragma once
// ReportValidator: whether a record may be stored, checked the same way by the local
// record store and the community server before anything is written. A store report must
// carry exactly the report keys with their types, cleaned texts, its store key computed
// from its store, known platform, verdict and method, sane numbers and short texts; a
// flag carries one reference to a stored report. Each refusal says in one sentence what
// to fix. Pure, callable from any thread; whether a flagged report exists is asked of the
// caller.

#include <functional>
#include <optional>

#include <QString>

#include "community/rules/Record.hpp"

namespace tessorin {

struct RecordRefusal {
  RecordErrorCode code = RecordErrorCode::invalidArguments;
  QString message;
  friend bool operator==(const RecordRefusal&, const RecordRefusal&) = default;
};

namespace recordtypes {
inline const QString storeReport = QStringLiteral("StoreReport");
inline const QString reportFlag = QStringLiteral("ReportFlag");
}  // namespace recordtypes

// Text fields hold at most this many bytes of UTF-8.
constexpr qsizetype maximumTextBytes = 1024;

bool isKnownRecordType(const QString& recordType);
// The canonical upper-case text of a UUID.
bool isRecordName(const QString& name);

// Nothing when the record may be stored. reportExists answers for the report a flag
// names.
std::optional<RecordRefusal> validateRecord(const Record& record,
                                            const std::function<bool(const QString& reportName)>& reportExists);

}  // namespace tessorin
