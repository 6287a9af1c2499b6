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
  // The most reports one fetch of the client holds: it stops asking for pages once it
  // holds 2000, so a last page of 400 can take it to just under 2400.
  static constexpr int reportsOneFetchHolds = 2400;

  // Columns of the rows of reports(): the record name, then the keys in the order of
  // reportKeys, then the creation time in microseconds and the creator.
  static constexpr int reportKeyCount = 14;
  static const char* const reportKeys[reportKeyCount];
  // Columns of the rows of flags(): name, report, creator, creation time in microseconds.

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

  // Rows as the database gave them, so that a page is written out without a record made
  // of each row.
  struct Page {
    PgResult rows;
    int count = 0;  // rows that belong to the page
    std::optional<std::string> cursor;
  };
  // Newest first by time, then name; the cursor holds the exact stored time and name of
  // the last record. Throws BadCursor, also for a time out of the range of real ones.
  Page reports(int limit, const std::optional<std::string>& cursor);
  // The flags that decide what a client sees: those of the reports one fetch can hold
  // (the newest), newest first, one page. Flags of older reports would only crowd them
  // out.
  Page flags(int limit);

 private:
  PgConnection& db_;
};

}  // namespace tessorin::server
