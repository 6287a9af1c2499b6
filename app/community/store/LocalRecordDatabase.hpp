#pragma once
// LocalRecordDatabase: the SQLite side of LocalRecordStore. One table of records (type,
// name, creation time in microseconds, creator, fields as JSON, and for a flag the report
// it names), indexed for newest-first paging by time and name, with one flag per report
// and creator. Blocking; used by one thread at a time. Opening makes or migrates the
// schema in one transaction and refuses a schema newer than it knows.

#include <optional>

#include <QString>

#include "community/store/RecordStore.hpp"
#include "community/store/SqliteDatabase.hpp"

namespace tessorin {

class LocalRecordDatabase {
 public:
  static constexpr int schemaVersion = 2;

  // Throws SqliteError (isDamaged() also when a page of an existing file is broken), or
  // std::runtime_error for a schema of a later version.
  explicit LocalRecordDatabase(const QString& path);

  // Throws RecordStoreError, or SqliteError when the file turns out to be damaged.
  QueryPage query(const RecordQuery& query);
  // A flag the author already filed against the report is given back as it was stored.
  // Throws RecordStoreError: the validator's refusal, a name in use, a database failure;
  // or SqliteError when the file turns out to be damaged.
  Record save(Record record, const QString& author);

 private:
  bool reportExists(const QString& name);
  std::optional<Record> existingFlag(const QString& report, const QString& author);

  SqliteDatabase db_;
};

}  // namespace tessorin
