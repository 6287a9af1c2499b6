#pragma once
// RecordRepository: the community's records in PostgreSQL, on one leased connection:
// authors and their tokens, store reports (one column per key) and flags (one per report
// and author). Creation time and creator are set here, never taken from the client.
// Statements take parameters only. Not thread-safe: one per request.

#include <optional>
#include <string>
#include <vector>

#include "PgConnection.hpp"
#include "community/rules/Record.hpp"

namespace tessorin::server {

struct BadCursor : std::runtime_error {
  BadCursor() : std::runtime_error("bad cursor") {}
};

class RecordRepository {
 public:
  static constexpr int reportPageLimit = 400;
  static constexpr int flagPageLimit = 2000;

  explicit RecordRepository(PgConnection& connection) : db_(connection) {}

  struct NewAuthor {
    std::string name;
    std::string token;
  };
  NewAuthor registerAuthor();
  std::optional<QString> authorWithToken(const std::string& token);

  bool reportExists(const QString& name);
  // Throws PgError: a name in use is a unique violation.
  Record saveReport(Record record, const QString& author);
  // The author's earlier flag of the same report, when there is one, else the new flag.
  Record saveFlag(Record record, const QString& author);

  struct Page {
    std::vector<Record> records;
    std::optional<std::string> cursor;
  };
  // Newest first by time, then name; the cursor holds the exact stored time and name of
  // the last record. Throws BadCursor.
  Page reports(int limit, const std::optional<std::string>& cursor);
  // One page, oldest first.
  Page flags(int limit);

 private:
  PgConnection& db_;
};

}  // namespace tessorin::server
