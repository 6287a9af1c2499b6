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

RecordRepository::NewAuthor RecordRepository::registerAuthor() {
  NewAuthor author{newName(), newToken()};
  // Only a hash of the token is kept; the token itself is random enough that a plain
  // SHA-256 cannot be reversed.
  db_.exec("INSERT INTO authors (name, token_hash) VALUES ($1, sha256(convert_to($2, 'UTF8')))",
           {author.name, author.token});
  return author;
}

std::optional<QString> RecordRepository::authorWithToken(const std::string& token) {
  const PgResult rows = db_.read("SELECT name FROM authors WHERE token_hash = sha256(convert_to($1, 'UTF8'))", {token});
  if (rows.rows() == 0) return std::nullopt;
  return qtext(rows.text(0, 0));
}

bool RecordRepository::reportExists(const QString& name) {
  return db_.read("SELECT 1 FROM reports WHERE name = $1", {utf8(name)}).rows() > 0;
}

Record RecordRepository::saveReport(Record record, const QString& author) {
  const std::string sql = std::string(
                              "INSERT INTO reports (name, store, store_key, platform, country, city, brand, "
                              "advertised_bytes, real_bytes, verdict, method, manufacturer_id, price, currency, "
                              "app_version, creator) VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13, "
                              "$14, $15, $16) RETURNING ") +
                          reportColumns;
  const PgResult rows = db_.exec(
      sql.c_str(), {utf8(record.recordName), textField(record, "store"), textField(record, "storeKey"),
                    textField(record, "platform"), textField(record, "country"), textField(record, "city"),
                    textField(record, "brand"), integerField(record, "advertisedBytes"),
                    integerField(record, "realBytes"), textField(record, "verdict"), textField(record, "method"),
                    integerField(record, "manufacturerID"), doubleField(record, "price"),
                    textField(record, "currency"), textField(record, "appVersion"), utf8(author)});
  return reportFromRow(rows, 0);
}

Record RecordRepository::saveFlag(Record record, const QString& author) {
  const std::string report = utf8(record.reference(QStringLiteral("report"))->recordName);
  const std::string insert = std::string(
                                 "INSERT INTO flags (name, report, creator) VALUES ($1, $2, $3) "
                                 "ON CONFLICT (report, creator) DO NOTHING RETURNING ") +
                             flagColumns;
  const PgResult inserted = db_.exec(insert.c_str(), {utf8(record.recordName), report, utf8(author)});
  if (inserted.rows() > 0) return flagFromRow(inserted, 0);
  const std::string existing = std::string("SELECT ") + flagColumns + " FROM flags WHERE report = $1 AND creator = $2";
  const PgResult rows = db_.exec(existing.c_str(), {report, utf8(author)});
  if (rows.rows() == 0) throw PgError("the flag vanished while it was saved", "");
  return flagFromRow(rows, 0);
}

RecordRepository::Page RecordRepository::reports(int limit, const std::optional<std::string>& cursor) {
  limit = std::clamp(limit, 1, reportPageLimit);
  std::optional<ReportCursor> after;
  if (cursor) after = parseCursor(*cursor);
  const std::string sql = std::string("SELECT ") + reportColumns +
                          " FROM reports WHERE $1::bigint IS NULL OR (created, name) < "
                          "(to_timestamp(0) + $1::bigint * interval '1 microsecond', $2::text) "
                          "ORDER BY created DESC, name DESC LIMIT $3::integer";
  // One row more than asked says whether another page follows.
  PgResult rows = db_.read(sql.c_str(), {after ? PgParam(numberText(after->micros)) : std::nullopt,
                                         after ? PgParam(after->name) : std::nullopt, std::to_string(limit + 1)});
  Page page{std::move(rows), 0, std::nullopt};
  page.count = std::min(page.rows.rows(), limit);
  if (page.rows.rows() > limit) {
    page.cursor = cursorText(page.rows.integer(limit - 1, 15), page.rows.text(limit - 1, 0));
  }
  return page;
}

RecordRepository::Page RecordRepository::flags(int limit) {
  limit = std::clamp(limit, 1, flagPageLimit);
  const std::string sql =
      "SELECT f.name, f.report, f.creator, (extract(epoch FROM f.created) * 1000000)::bigint FROM flags f "
      "JOIN (SELECT name FROM reports ORDER BY created DESC, name DESC LIMIT $2::integer) newest "
      "ON newest.name = f.report ORDER BY f.created DESC, f.name DESC LIMIT $1::integer";
  PgResult rows = db_.read(sql.c_str(), {std::to_string(limit), std::to_string(reportsOneFetchHolds)});
  Page page{std::move(rows), 0, std::nullopt};
  page.count = page.rows.rows();
  return page;
}

}  // namespace tessorin::server
