#include "Schema.hpp"

#include <string>

#include "session/records/CheckOutcome.hpp"
#include "session/records/Platform.hpp"

namespace tessorin::server {

namespace {

// Any constant of our own: it keeps servers of this program from migrating at once.
constexpr const char* migrationLock = "SELECT pg_advisory_xact_lock(7357001)";

template <class Cases>
std::string quotedList(const Cases& cases) {
  std::string list;
  for (const auto& value : cases) {
    if (!list.empty()) list += ", ";
    list += "'" + std::string(value.rawValue()) + "'";
  }
  return list;
}

std::string version1() {
  // The case lists come from the program's own enumerations, never from input.
  return R"(
CREATE TABLE authors (
  name text PRIMARY KEY,
  token_hash bytea NOT NULL UNIQUE,
  created timestamptz NOT NULL DEFAULT clock_timestamp()
);
CREATE TABLE reports (
  name text PRIMARY KEY CHECK (name ~ '^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$'),
  store text NOT NULL CHECK (store <> '' AND octet_length(store) <= 1024),
  store_key text NOT NULL CHECK (octet_length(store_key) <= 1024),
  platform text NOT NULL CHECK (platform IN ()" +
         quotedList(Platform::allCases()) + R"()),
  country text NOT NULL CHECK (country ~ '^([A-Z]{2})?$'),
  city text NOT NULL CHECK (octet_length(city) <= 1024),
  brand text CHECK (brand <> '' AND octet_length(brand) <= 1024),
  advertised_bytes bigint NOT NULL CHECK (advertised_bytes >= 0),
  real_bytes bigint CHECK (real_bytes >= 0),
  verdict text NOT NULL CHECK (verdict IN ()" +
         quotedList(CheckOutcome::Verdict::allCases()) + R"()),
  method text NOT NULL CHECK (method IN ()" +
         quotedList(CheckOutcome::Method::allCases()) + R"()),
  manufacturer_id integer CHECK (manufacturer_id BETWEEN 0 AND 255),
  price double precision CHECK (price >= 0 AND price < 'Infinity'),
  currency text CHECK (currency ~ '^[A-Z]{3}$'),
  app_version text CHECK (app_version ~ '^[ -~]{0,32}$'),
  created timestamptz NOT NULL DEFAULT clock_timestamp(),
  creator text NOT NULL,
  CHECK ((price IS NULL) = (currency IS NULL))
);
CREATE INDEX reports_newest ON reports (created DESC, name DESC);
CREATE TABLE flags (
  name text PRIMARY KEY CHECK (name ~ '^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$'),
  report text NOT NULL,
  creator text NOT NULL,
  created timestamptz NOT NULL DEFAULT clock_timestamp(),
  UNIQUE (report, creator)
);
INSERT INTO schema_version (version) VALUES (1);
)";
}

// Where an author registered from, so that one address counts once however many authors
// it makes. Authors from before have no source and count each by themselves.
const char* const version2 = R"(
ALTER TABLE authors ADD COLUMN source bytea;
CREATE INDEX authors_by_source ON authors (source, created);
CREATE TABLE address_key (key bytea NOT NULL);
INSERT INTO address_key (key)
  SELECT sha256(convert_to(gen_random_uuid()::text || gen_random_uuid()::text, 'UTF8'));
INSERT INTO schema_version (version) VALUES (2);
)";

// Each author's saves of the last hour are counted for the author's limits.
const char* const version3 = R"(
CREATE INDEX reports_by_creator ON reports (creator, created);
CREATE INDEX flags_by_creator ON flags (creator, created);
INSERT INTO schema_version (version) VALUES (3);
)";

}  // namespace

void migrateSchema(PgConnection& connection) {
  PgTransaction transaction(connection);
  connection.exec(migrationLock);
  connection.exec("CREATE TABLE IF NOT EXISTS schema_version (version integer NOT NULL)");
  const PgResult found = connection.exec("SELECT coalesce(max(version), 0) FROM schema_version");
  const std::int64_t version = found.integer(0, 0);
  if (version > schemaVersion) {
    throw std::runtime_error("the database was made by a later version of the community server");
  }
  if (version < 1) {
    const std::string statements = version1();
    connection.execScript(statements.c_str());
  }
  if (version < 2) connection.execScript(version2);
  if (version < 3) connection.execScript(version3);
  transaction.commit();
}

}  // namespace tessorin::server
