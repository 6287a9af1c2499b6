#include "RecordRepository.hpp"

#include <charconv>
#include <cmath>
#include <sys/random.h>

#include <QUuid>

#include "community/rules/RecordJson.hpp"
#include "community/rules/ReportValidator.hpp"

namespace tessorin::server {

namespace {

constexpr const char* reportColumns =
    "name, store, store_key, platform, country, city, brand, advertised_bytes, real_bytes, verdict, method, "
    "manufacturer_id, price, currency, app_version, (extract(epoch FROM created) * 1000000)::bigint, creator";

constexpr const char* flagColumns = "name, report, creator, (extract(epoch FROM created) * 1000000)::bigint";

constexpr std::int64_t latestCursorMicros = 253'402'300'800'000'000;  // 10000-01-01

// A save's condition: the database time, given as parameter number, after which it stores
// nothing.
std::string inTime(int parameter) {
  return "WHERE clock_timestamp() < to_timestamp(0) + $" + std::to_string(parameter) +
         "::bigint * interval '1 microsecond'";
}
const char* const lateSave = "the database ran the save after its answer was given up";

std::string utf8(const QString& text) { return text.toStdString(); }
QString qtext(const std::string& text) { return QString::fromStdString(text); }

std::string numberText(std::int64_t value) { return std::to_string(value); }

// The shortest text that reads back as the same double.
std::string numberText(double value) {
  char buffer[64];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, end);
}

double doubleFrom(const std::string& text) {
  double value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

std::string newName() { return utf8(QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper()); }

std::string newToken() {
  unsigned char bytes[32];
  std::size_t filled = 0;
  while (filled < sizeof bytes) {
    const ssize_t got = getrandom(bytes + filled, sizeof bytes - filled, 0);
    if (got < 0) {
      if (errno == EINTR) continue;
      throw std::runtime_error("no random bytes for a token");
    }
    filled += static_cast<std::size_t>(got);
  }
  static const char hex[] = "0123456789abcdef";
  std::string token;
  for (unsigned char byte : bytes) {
    token += hex[byte >> 4];
    token += hex[byte & 0xF];
  }
  return token;
}

PgParam textField(const Record& record, const char* key) {
  if (const auto value = record.text(QLatin1String(key))) return utf8(*value);
  return std::nullopt;
}

PgParam integerField(const Record& record, const char* key) {
  if (const auto value = record.integer(QLatin1String(key))) return numberText(*value);
  return std::nullopt;
}

PgParam doubleField(const Record& record, const char* key) {
  if (const auto value = record.number(QLatin1String(key))) return numberText(*value);
  return std::nullopt;
}

Record reportFromRow(const PgResult& rows, int row) {
  Record record;
  record.recordType = recordtypes::storeReport;
  record.recordName = qtext(rows.text(row, 0));
  auto& fields = record.fields;
  const auto putText = [&](const char* key, int column) {
    if (const auto value = rows.optionalText(row, column)) fields[QLatin1String(key)] = qtext(*value);
  };
  const auto putInteger = [&](const char* key, int column) {
    if (!rows.isNull(row, column)) fields[QLatin1String(key)] = rows.integer(row, column);
  };
  putText("store", 1);
  putText("storeKey", 2);
  putText("platform", 3);
  putText("country", 4);
  putText("city", 5);
  putText("brand", 6);
  putInteger("advertisedBytes", 7);
  putInteger("realBytes", 8);
  putText("verdict", 9);
  putText("method", 10);
  putInteger("manufacturerID", 11);
  if (const auto price = rows.optionalText(row, 12)) fields[QStringLiteral("price")] = doubleFrom(*price);
  putText("currency", 13);
  putText("appVersion", 14);
  record.creationDate = dateFromMicroseconds(rows.integer(row, 15));
  record.creator = qtext(rows.text(row, 16));
  return record;
}

Record flagFromRow(const PgResult& rows, int row) {
  Record record;
  record.recordType = recordtypes::reportFlag;
  record.recordName = qtext(rows.text(row, 0));
  record.fields[QStringLiteral("report")] = RecordReference{qtext(rows.text(row, 1))};
  record.creator = qtext(rows.text(row, 2));
  record.creationDate = dateFromMicroseconds(rows.integer(row, 3));
  return record;
}

struct ReportCursor {
  std::int64_t micros = 0;
  std::string name;
};

// "<µs>_<name>": only digits, capitals and hyphens, so it needs no escaping in a URL.
std::string cursorText(std::int64_t micros, const std::string& name) { return std::to_string(micros) + "_" + name; }

ReportCursor parseCursor(const std::string& text) {
  const std::size_t split = text.find('_');
  if (split == std::string::npos) throw BadCursor();
  ReportCursor cursor;
  const auto [end, error] = std::from_chars(text.data(), text.data() + split, cursor.micros);
  if (error != std::errc() || end != text.data() + split) throw BadCursor();
  if (cursor.micros < 0 || cursor.micros >= latestCursorMicros) throw BadCursor();
  cursor.name = text.substr(split + 1);
  if (!isRecordName(qtext(cursor.name))) throw BadCursor();
  return cursor;
}

}  // namespace

const char* const RecordRepository::reportKeys[RecordRepository::reportKeyCount] = {
    "store",   "storeKey", "platform",       "country", "city",     "brand",    "advertisedBytes",
    "realBytes", "verdict", "method", "manufacturerID", "price", "currency", "appVersion"};

std::optional<RecordRepository::NewAuthor> RecordRepository::registerAuthor(const std::string& source, int perHour) {
  PgTransaction transaction(db_);
  // Servers sharing the database take turns per source, so that two of them cannot both
  // let the last allowed registration through.
  db_.exec("SELECT pg_advisory_xact_lock(7357002, hashtext($1))", {source});
  const PgResult recent = db_.exec(
      "SELECT count(*) FROM authors WHERE source = (SELECT sha256(key || convert_to($1, 'UTF8')) FROM address_key) "
      "AND created > clock_timestamp() - interval '1 hour'",
      {source});
  if (recent.integer(0, 0) >= perHour) return std::nullopt;
  NewAuthor author{newName(), newToken()};
  // Only a hash of the token is kept; the token itself is random enough that a plain
  // SHA-256 cannot be reversed. The address is kept only hashed with the database's key.
  db_.exec(
      "INSERT INTO authors (name, token_hash, source) VALUES ($1, sha256(convert_to($2, 'UTF8')), "
      "(SELECT sha256(key || convert_to($3, 'UTF8')) FROM address_key))",
      {author.name, author.token, source});
  transaction.commit();
  return author;
}

std::optional<RecordRepository::Author> RecordRepository::authorWithToken(const std::string& token) {
  const PgResult rows = db_.read(
      "SELECT name, (extract(epoch FROM clock_timestamp()) * 1000000)::bigint FROM authors "
      "WHERE token_hash = sha256(convert_to($1, 'UTF8'))",
      {token});
  if (rows.rows() == 0) return std::nullopt;
  return Author{qtext(rows.text(0, 0)), rows.integer(0, 1)};
}

bool RecordRepository::reportExists(const QString& name) {
  return db_.read("SELECT 1 FROM reports WHERE name = $1", {utf8(name)}).rows() > 0;
}

namespace {

// Each author's saves take turns, so that two servers cannot both store the last one the
// author's limit allows.
void takeAuthorsTurn(PgConnection& db, const QString& author) {
  db.exec("SELECT pg_advisory_xact_lock(7357003, hashtext($1))", {utf8(author)});
}

bool withinLimit(PgConnection& db, const char* table, const QString& author, int perHour) {
  // Counted no further than the limit, so the count costs no more than the limit allows.
  const std::string sql = std::string("SELECT count(*) FROM (SELECT 1 FROM ") + table +
                          " WHERE creator = $1 AND created > clock_timestamp() - interval '1 hour' LIMIT $2::integer) "
                          "recent";
  return db.exec(sql.c_str(), {utf8(author), std::to_string(perHour)}).integer(0, 0) < perHour;
}

}  // namespace

RecordRepository::Save RecordRepository::saveReport(const Record& record, const QString& author,
                                                    std::int64_t latestMicros, int perHour) {
  const std::string stored = std::string("SELECT ") + reportColumns + " FROM reports WHERE name = $1";
  // A report of this name, as it is stored: the same one sent again by its author, or
  // another's.
  const auto earlier = [&]() -> std::optional<Save> {
    const PgResult rows = db_.exec(stored.c_str(), {utf8(record.recordName)});
    if (rows.rows() == 0) return std::nullopt;
    Record saved = reportFromRow(rows, 0);
    if (saved.creator != author || saved.fields != record.fields) return Save{Save::Outcome::nameTaken, {}};
    return Save{Save::Outcome::stored, std::move(saved)};
  };
  PgTransaction transaction(db_);
  takeAuthorsTurn(db_, author);
  if (auto found = earlier()) return std::move(*found);
  if (!withinLimit(db_, "reports", author, perHour)) return {Save::Outcome::limited, {}};
  const std::string insert =
      std::string(
          "INSERT INTO reports (name, store, store_key, platform, country, city, brand, advertised_bytes, real_bytes, "
          "verdict, method, manufacturer_id, price, currency, app_version, creator) "
          "SELECT $1::text, $2::text, $3::text, $4::text, $5::text, $6::text, $7::text, $8::bigint, $9::bigint, "
          "$10::text, $11::text, $12::integer, $13::double precision, $14::text, $15::text, $16::text ") +
      inTime(17) + " ON CONFLICT (name) DO NOTHING RETURNING " + reportColumns;
  const PgResult rows = db_.exec(
      insert.c_str(), {utf8(record.recordName), textField(record, "store"), textField(record, "storeKey"),
                       textField(record, "platform"), textField(record, "country"), textField(record, "city"),
                       textField(record, "brand"), integerField(record, "advertisedBytes"),
                       integerField(record, "realBytes"), textField(record, "verdict"), textField(record, "method"),
                       integerField(record, "manufacturerID"), doubleField(record, "price"),
                       textField(record, "currency"), textField(record, "appVersion"), utf8(author),
                       numberText(latestMicros)});
  if (rows.rows() > 0) {
    Save saved{Save::Outcome::stored, reportFromRow(rows, 0)};
    transaction.commit();
    return saved;
  }
  // Another author's report of this name came in meanwhile, or the save came too late.
  if (auto found = earlier()) return std::move(*found);
  throw PgError(lateSave, "");
}

RecordRepository::Save RecordRepository::saveFlag(const Record& record, const QString& author,
                                                  std::int64_t latestMicros, int perHour) {
  const std::string report = utf8(record.reference(QStringLiteral("report"))->recordName);
  const std::string existing = std::string("SELECT ") + flagColumns + " FROM flags WHERE report = $1 AND creator = $2";
  PgTransaction transaction(db_);
  takeAuthorsTurn(db_, author);
  if (const PgResult rows = db_.exec(existing.c_str(), {report, utf8(author)}); rows.rows() > 0) {
    return {Save::Outcome::stored, flagFromRow(rows, 0)};
  }
  if (!withinLimit(db_, "flags", author, perHour)) return {Save::Outcome::limited, {}};
  // No conflict target: a name in use by another flag is not an error here but an answer.
  const std::string insert = std::string("INSERT INTO flags (name, report, creator) SELECT $1::text, $2::text, $3::text ") +
                             inTime(4) + " ON CONFLICT DO NOTHING RETURNING " + flagColumns;
  const PgResult inserted =
      db_.exec(insert.c_str(), {utf8(record.recordName), report, utf8(author), numberText(latestMicros)});
  if (inserted.rows() > 0) {
    Save saved{Save::Outcome::stored, flagFromRow(inserted, 0)};
    transaction.commit();
    return saved;
  }
  if (db_.exec("SELECT 1 FROM flags WHERE name = $1", {utf8(record.recordName)}).rows() > 0) {
    return {Save::Outcome::nameTaken, {}};
  }
  throw PgError(lateSave, "");
}

RecordRepository::Page RecordRepository::reports(int limit, const std::optional<std::string>& cursor) {
  limit = std::clamp(limit, 1, reportPageLimit);
  std::optional<ReportCursor> after;
  if (cursor) after = parseCursor(*cursor);
  // Each row's share of the page: its texts and what the JSON around them takes. Rows are
  // read only while the ones before leave room, so the last row read starts within the
  // budget and says whether another page follows.
  const std::string sql =
      std::string("SELECT * FROM (SELECT ") + reportColumns +
      ", sum(size) OVER (ORDER BY created DESC, name DESC) AS running, size AS own FROM (SELECT *, " +
      std::to_string(reportJsonOverhead) +
      " + octet_length(concat(store, store_key, platform, country, city, brand, verdict, method, currency, "
      "app_version)) AS size FROM reports WHERE $1::bigint IS NULL OR (created, name) < "
      "(to_timestamp(0) + $1::bigint * interval '1 microsecond', $2::text) "
      "ORDER BY created DESC, name DESC LIMIT $3::integer) newest) page WHERE running - own < $4::bigint "
      "ORDER BY running";
  // One row more than asked says whether another page follows.
  PgResult rows = db_.read(sql.c_str(), {after ? PgParam(numberText(after->micros)) : std::nullopt,
                                         after ? PgParam(after->name) : std::nullopt, std::to_string(limit + 1),
                                         std::to_string(reportPageBytes)});
  Page page{std::move(rows), 0, std::nullopt};
  const int running = reportKeyCount + 3;
  while (page.count < std::min(page.rows.rows(), limit) &&
         (page.count == 0 || page.rows.integer(page.count, running) <= reportPageBytes)) {
    ++page.count;
  }
  if (page.rows.rows() > page.count) {
    page.cursor = cursorText(page.rows.integer(page.count - 1, 15), page.rows.text(page.count - 1, 0));
  }
  return page;
}

RecordRepository::Page RecordRepository::flags(int limit, const std::optional<std::string>& cursor) {
  limit = std::clamp(limit, 1, flagPageLimit);
  const int reportsPerPage = std::max(1, limit / flagsListedPerReport);
  std::optional<ReportCursor> after;
  if (cursor) after = parseCursor(*cursor);
  // A source is the hashed address an author registered from; an author without one (made
  // before sources were kept, or unknown) is a source of its own.
  const char* const sql =
      "WITH shown AS (SELECT name, created FROM reports ORDER BY created DESC, name DESC LIMIT $3::integer), "
      "flagged AS (SELECT s.name, s.created FROM shown s "
      "  WHERE ($1::bigint IS NULL OR (s.created, s.name) < "
      "         (to_timestamp(0) + $1::bigint * interval '1 microsecond', $2::text)) "
      "    AND EXISTS (SELECT 1 FROM flags f WHERE f.report = s.name) "
      "  ORDER BY s.created DESC, s.name DESC LIMIT $4::integer) "
      "SELECT c.name, c.report, c.creator, (extract(epoch FROM c.created) * 1000000)::bigint, "
      "  (extract(epoch FROM r.created) * 1000000)::bigint "
      "FROM flagged r CROSS JOIN LATERAL ("
      "  SELECT * FROM (SELECT DISTINCT ON (coalesce(a.source, convert_to(f.creator, 'UTF8'))) "
      "      f.name, f.report, f.creator, f.created "
      "    FROM flags f LEFT JOIN authors a ON a.name = f.creator WHERE f.report = r.name "
      "    ORDER BY coalesce(a.source, convert_to(f.creator, 'UTF8')), f.created, f.name) first_of_source "
      "  ORDER BY created, name LIMIT $5::integer) c "
      "ORDER BY r.created DESC, r.name DESC, c.created, c.name";
  // One report more than a page holds says whether another page follows.
  PgResult rows = db_.read(sql, {after ? PgParam(numberText(after->micros)) : std::nullopt,
                                 after ? PgParam(after->name) : std::nullopt, std::to_string(reportsOneFetchHolds),
                                 std::to_string(reportsPerPage + 1), std::to_string(flagsListedPerReport)});
  Page page{std::move(rows), 0, std::nullopt};
  int reportsSeen = 0;
  for (int row = 0; row < page.rows.rows(); ++row) {
    if (row == 0 || page.rows.view(row, 1) != page.rows.view(row - 1, 1)) ++reportsSeen;
    if (reportsSeen > reportsPerPage) {
      page.cursor = cursorText(page.rows.integer(row - 1, 4), page.rows.text(row - 1, 1));
      break;
    }
    page.count = row + 1;
  }
  return page;
}

}  // namespace tessorin::server
