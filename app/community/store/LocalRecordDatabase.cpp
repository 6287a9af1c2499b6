#include "community/store/LocalRecordDatabase.hpp"

#include <stdexcept>

#include <QDateTime>
#include <sqlite3.h>

#include "community/rules/RecordJson.hpp"
#include "community/rules/ReportValidator.hpp"

namespace tessorin {

namespace {

constexpr const char* schema = R"(
CREATE TABLE records (
  seq INTEGER PRIMARY KEY AUTOINCREMENT,
  type TEXT NOT NULL,
  name TEXT NOT NULL UNIQUE,
  created INTEGER NOT NULL,
  creator TEXT NOT NULL,
  fields TEXT NOT NULL,
  report TEXT
);
CREATE INDEX records_newest ON records (type, created DESC, seq DESC);
CREATE UNIQUE INDEX flags_by_creator ON records (report, creator) WHERE type = 'ReportFlag';
PRAGMA user_version = 2;
)";

// Records saved within one tick of the clock share their time: the order of saving
// settles which is newer.
constexpr const char* tiesBySavingOrder = R"(
DROP INDEX records_newest;
CREATE INDEX records_newest ON records (type, created DESC, seq DESC);
PRAGMA user_version = 2;
)";

constexpr const char* columns = "SELECT type, name, created, creator, fields, seq FROM records ";

RecordStoreError databaseError(const SqliteError& error) {
  return {RecordErrorCode::internalError,
          QStringLiteral("The community records on this computer could not be used: %1")
              .arg(QString::fromUtf8(error.what()))};
}

RecordResult readRow(const SqliteStatement& row) {
  try {
    Record record;
    record.recordType = row.text(0);
    record.recordName = row.text(1);
    record.creationDate = dateFromMicroseconds(row.integer(2));
    record.creator = row.text(3);
    record.fields = fieldsFromJson(nlohmann::json::parse(row.text(4).toStdString()));
    return record;
  } catch (const std::exception& error) {
    return RecordStoreError(RecordErrorCode::internalError,
                            QStringLiteral("An unreadable record: %1").arg(QString::fromUtf8(error.what())));
  }
}

// Cursors: "<created µs>/<seq>" newest first, "<seq>" unsorted.
struct TimeCursor {
  std::int64_t created = 0;
  std::int64_t seq = 0;
};

std::optional<TimeCursor> parseTimeCursor(const QString& cursor) {
  const qsizetype slash = cursor.indexOf(QLatin1Char('/'));
  if (slash < 0) return std::nullopt;
  bool createdOk = false;
  bool seqOk = false;
  const qint64 created = cursor.left(slash).toLongLong(&createdOk);
  const qint64 seq = cursor.mid(slash + 1).toLongLong(&seqOk);
  if (!createdOk || !seqOk) return std::nullopt;
  return TimeCursor{created, seq};
}

}  // namespace

LocalRecordDatabase::LocalRecordDatabase(const QString& path) : db_(path) {
  db_.execute("PRAGMA journal_mode = WAL");
  db_.execute("BEGIN IMMEDIATE");
  try {
    const std::int64_t found = [this] {
      // Finished before the schema changes: a statement still running locks its tables.
      SqliteStatement version = db_.prepare("PRAGMA user_version");
      version.step();
      return version.integer(0);
    }();
    if (found > schemaVersion) {
      throw std::runtime_error("the file was written by a later version of Tessorin");
    }
    if (found == 0) {
      db_.execute(schema);
    } else {
      {
        // A page broken on disk shows only when it is read; every page is read here, once,
        // rather than in the middle of some later share.
        SqliteStatement check = db_.prepare("PRAGMA quick_check");
        if (check.step() && check.text(0) != QLatin1String("ok")) {
          throw SqliteError("the file is damaged: " + check.text(0).toStdString(), SQLITE_CORRUPT);
        }
      }
      if (found == 1) db_.execute(tiesBySavingOrder);
    }
    db_.execute("COMMIT");
  } catch (...) {
    try {
      db_.execute("ROLLBACK");
    } catch (const SqliteError&) {
      // No transaction was left to end.
    }
    throw;
  }
}

QueryPage LocalRecordDatabase::query(const RecordQuery& query) {
  if (!isKnownRecordType(query.recordType)) {
    throw RecordStoreError(RecordErrorCode::unknownItem, QStringLiteral("There are no records of this type."));
  }
  const int limit = std::max(1, query.limit);
  try {
    QueryPage page;
    std::optional<TimeCursor> after;
    std::int64_t afterSeq = 0;
    if (query.cursor) {
      bool ok = true;
      if (query.newestFirst) {
        after = parseTimeCursor(*query.cursor);
        ok = after.has_value();
      } else {
        afterSeq = query.cursor->toLongLong(&ok);
      }
      if (!ok) throw RecordStoreError(RecordErrorCode::invalidArguments, QStringLiteral("The cursor is not valid."));
    }
    const std::string sql =
        std::string(columns) +
        (!query.newestFirst ? "WHERE type = ?1 AND seq > ?2 ORDER BY seq LIMIT ?4"
         : after ? "WHERE type = ?1 AND (created < ?2 OR (created = ?2 AND seq < ?3)) "
                   "ORDER BY created DESC, seq DESC LIMIT ?4"
                 : "WHERE type = ?1 ORDER BY created DESC, seq DESC LIMIT ?4");
    SqliteStatement found = db_.prepare(sql.c_str());
    SqliteStatement* statement = &found;
    statement->bind(1, query.recordType);
    if (!query.newestFirst) statement->bind(2, afterSeq);
    if (after) statement->bind(2, after->created).bind(3, after->seq);
    // One row more than asked tells whether another page follows.
    statement->bind(4, static_cast<std::int64_t>(limit) + 1);
    QString lastCursor;
    while (statement->step()) {
      if (static_cast<int>(page.results.size()) == limit) {
        page.cursor = lastCursor;
        break;
      }
      page.results.push_back(readRow(*statement));
      lastCursor = query.newestFirst
                       ? QStringLiteral("%1/%2").arg(statement->integer(2)).arg(statement->integer(5))
                       : QString::number(statement->integer(5));
    }
    return page;
  } catch (const SqliteError& error) {
    if (error.isDamaged()) throw;
    throw databaseError(error);
  }
}

bool LocalRecordDatabase::reportExists(const QString& name) {
  SqliteStatement statement = db_.prepare("SELECT 1 FROM records WHERE type = 'StoreReport' AND name = ?1");
  statement.bind(1, name);
  return statement.step();
}

std::optional<Record> LocalRecordDatabase::existingFlag(const QString& report, const QString& author) {
  SqliteStatement statement = db_.prepare(
      (std::string(columns) + "WHERE type = 'ReportFlag' AND report = ?1 AND creator = ?2").c_str());
  statement.bind(1, report).bind(2, author);
  if (!statement.step()) return std::nullopt;
  RecordResult result = readRow(statement);
  if (auto* record = std::get_if<Record>(&result)) return *record;
  return std::nullopt;
}

Record LocalRecordDatabase::save(Record record, const QString& author) {
  try {
    if (const auto refusal = validateRecord(record, [this](const QString& name) { return reportExists(name); })) {
      throw RecordStoreError(refusal->code, refusal->message);
    }
    std::optional<QString> report;
    if (record.recordType == recordtypes::reportFlag) {
      report = record.reference(QStringLiteral("report"))->recordName;
      if (auto existing = existingFlag(*report, author)) return *existing;
    }
    record.creationDate = QDateTime::currentDateTimeUtc();
    record.creator = author;
    SqliteStatement insert = db_.prepare(
        "INSERT INTO records (type, name, created, creator, fields, report) VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
    insert.bind(1, record.recordType)
        .bind(2, record.recordName)
        .bind(3, microsecondsSinceEpoch(*record.creationDate))
        .bind(4, author)
        .bind(5, QString::fromStdString(fieldsToJson(record.fields).dump()));
    if (report) {
      insert.bind(6, *report);
    } else {
      insert.bindNull(6);
    }
    try {
      insert.run();
    } catch (const SqliteError& error) {
      if (!error.isConstraint()) throw;
      throw RecordStoreError(RecordErrorCode::serverRecordChanged,
                             QStringLiteral("A record with this name exists already; make a new name."));
    }
    return record;
  } catch (const SqliteError& error) {
    if (error.isDamaged()) throw;
    throw databaseError(error);
  }
}

}  // namespace tessorin
