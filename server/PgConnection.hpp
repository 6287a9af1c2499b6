#pragma once
// PgConnection: one libpq connection and the results of its statements, each owned by a
// small RAII wrapper. Statements take their values as parameters only (prepared once per
// session, text format); no SQL text is ever built from input. A failed statement throws PgError with
// PostgreSQL's SQLSTATE. A connection is used by one thread at a time.
//
// Every wait is bounded: connecting by connect_timeout, a statement by the server's
// statement_timeout and, should the server not answer at all (stopped, or a network that
// swallows packets), by a deadline of our own a little later, after which the connection
// is given up and reopened on its next use. TCP keepalives find a peer that vanished.

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

#include <libpq-fe.h>

namespace tessorin::server {

struct PgError : std::runtime_error {
  PgError(const std::string& message, std::string sqlState) : std::runtime_error(message), sqlState(std::move(sqlState)) {}
  std::string sqlState;  // "" when the failure was not the statement's (a lost connection)
  bool isUniqueViolation() const { return sqlState == "23505"; }
  bool isCheckViolation() const { return sqlState == "23514"; }
  // Class 22: a value out of range or of the wrong form, which only input can cause.
  bool isDataException() const { return sqlState.size() == 5 && sqlState.compare(0, 2, "22") == 0; }
};

using PgParam = std::optional<std::string>;  // nothing: NULL

class PgResult {
 public:
  explicit PgResult(PGresult* result) : result_(result, &PQclear) {}
  int rows() const { return PQntuples(result_.get()); }
  bool isNull(int row, int column) const { return PQgetisnull(result_.get(), row, column) != 0; }
  std::string text(int row, int column) const;
  // The value in place, valid as long as the result.
  std::string_view view(int row, int column) const;
  std::optional<std::string> optionalText(int row, int column) const;
  std::int64_t integer(int row, int column) const;

 private:
  std::unique_ptr<PGresult, decltype(&PQclear)> result_;
};

class PgConnection {
 public:
  struct Limits {
    std::chrono::milliseconds statementTimeout{5000};
  };

  // Throws PgError when the server cannot be reached within the connect timeout.
  PgConnection(const std::string& conninfo, Limits limits);
  explicit PgConnection(const std::string& conninfo) : PgConnection(conninfo, Limits{}) {}

  PgResult exec(const char* sql, const std::vector<PgParam>& params = {});
  // For a statement that changes nothing: when the connection turns out to have been lost
  // or ended by the server (a restart), it is reopened and the statement sent once more.
  PgResult read(const char* sql, const std::vector<PgParam>& params = {});
  // Several statements of the program's own, without parameters (schema changes).
  void execScript(const char* sql);
  // Reopens a connection that broke, was given up, or that the server closed while it
  // lay idle; throws PgError when that fails.
  void ensureOpen();

 private:
  bool lostWhileIdle();
  void reopen();
  PgResult execOnce(const char* sql, const std::vector<PgParam>& params);
  PGresult* awaitResult(std::chrono::steady_clock::time_point deadline);
  PgResult awaitStatement(std::chrono::steady_clock::time_point deadline);

  std::unique_ptr<PGconn, decltype(&PQfinish)> connection_;
  Limits limits_;
  bool givenUp_ = false;
  // Statement text to the name it was prepared under on this session.
  std::unordered_map<std::string, std::string> prepared_;
};

// One transaction that rolls back unless committed.
class PgTransaction {
 public:
  explicit PgTransaction(PgConnection& connection);
  ~PgTransaction();
  PgTransaction(const PgTransaction&) = delete;
  PgTransaction& operator=(const PgTransaction&) = delete;
  void commit();

 private:
  PgConnection& connection_;
  bool open_ = true;
};

}  // namespace tessorin::server
