#pragma once
// Schema: the community database's tables, made or migrated when the server starts, in
// one transaction under an advisory lock so that servers starting together do it once.
//   authors (name, token_hash = SHA-256 of the token, created, source = SHA-256 of the
//            address key and the client address it registered from, an IPv6 /64 as one;
//            indexed by source and time)
//   address_key (one random key, made once: an address is kept only hashed with it)
//   reports (name, the report's keys as columns with CHECK constraints, created, creator;
//            indexed newest first by time and name, and by creator and time)
//   flags   (name, report, creator, created; one per report and creator; no foreign key,
//            so a deleted report keeps its flags; indexed by creator and time)
// The version is kept in schema_version; a database of a later version is refused.

#include "PgConnection.hpp"

namespace tessorin::server {

constexpr int schemaVersion = 3;

// Throws PgError, or std::runtime_error for a database of a later version.
void migrateSchema(PgConnection& connection);

}  // namespace tessorin::server
