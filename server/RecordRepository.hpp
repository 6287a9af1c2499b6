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
  // A page of reports ends before its JSON would pass this, whatever the reports hold, so
  // that an answer's memory does not grow with the length of their texts. A page of 400
  // reports with names of usual length fits; long ones make more, shorter pages.
  static constexpr std::int64_t reportPageBytes = 256 * 1024;
  // What a report's JSON takes besides its texts, at most.
  static constexpr int reportJsonOverhead = 512;
  static constexpr int flagPageLimit = 2000;
  // Flags listed per report, each from another source: the client hides a report at three
  // and more say nothing more, so a flood on one report takes no room from the others.
  static constexpr int flagsListedPerReport = 3;
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
  // A new author registered from source (the client address's rateKey), or nothing when
  // that source registered perHour authors within the last hour. Servers sharing the
  // database share the count.
  std::optional<NewAuthor> registerAuthor(const std::string& source, int perHour);
  // The author whose token it is, with the database's own clock when it answered.
  struct Author {
    QString name;
    std::int64_t checkedMicros = 0;
  };
  std::optional<Author> authorWithToken(const std::string& token);

  bool reportExists(const QString& name);

  // What became of a save.
  struct Save {
    enum class Outcome {
      stored,     // the record is stored (or was already, sent again by its author)
      limited,    // the author saved perHour records of this type within the last hour
      nameTaken,  // the name is another record's
    };
    Outcome outcome;
    Record record;  // as stored, when stored
  };
  // Saves are stored only when the database runs them before the database time
  // latestMicros: a statement that reached a database which had stood still (stopped,
  // swapped out) until the caller gave up and answered 503 stores nothing when it runs at
  // last. The caller gives the time it will wait for, counted on the database's clock
  // from Author::checkedMicros, so the two clocks are never compared. Such a late save
  // throws PgError.
  //
  // The hourly limit is counted from the stored records themselves, each author's saves
  // taking turns, so that servers sharing the database share it and a restart keeps it.
  //
  // A report: the same report sent again by its author (same name and content: a retry
  // whose answer was lost) gives the stored one, and is not counted again.
  Save saveReport(const Record& record, const QString& author, std::int64_t latestMicros, int perHour);
  // A flag: the author's flag of the same report, when there is one (the same flag sent
  // again, or an earlier one under another name), else the new flag.
  Save saveFlag(const Record& record, const QString& author, std::int64_t latestMicros, int perHour);

  // Rows as the database gave them, so that a page is written out without a record made
  // of each row.
  struct Page {
    PgResult rows;
    int count = 0;  // rows that belong to the page
    std::optional<std::string> cursor;
  };
  // Newest first by time, then name, at most limit and reportPageBytes; the cursor holds
  // the exact stored time and name of the last record. Throws BadCursor, also for a time
  // out of the range of real ones.
  Page reports(int limit, const std::optional<std::string>& cursor);
  // The flags that decide what a client sees: those of the reports one fetch can hold
  // (the newest), grouped per report in the order of the reports, at most
  // flagsListedPerReport of each, each from another source (authors registered from one
  // address count once). A page holds whole reports' flags and goes on from the cursor of
  // the one before (the last report's time and name). Flags of older reports would only
  // crowd them out. Throws BadCursor.
  Page flags(int limit, const std::optional<std::string>& cursor);

 private:
  PgConnection& db_;
};

}  // namespace tessorin::server
