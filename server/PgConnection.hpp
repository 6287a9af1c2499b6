#pragma once
// PgConnection: one libpq connection and the results of its statements, each owned by a
// small RAII wrapper. Statements take their values as parameters only (PQexecParams, text
// format); no SQL text is ever built from input. A failed statement throws PgError with
// PostgreSQL's SQLSTATE. A connection is used by one thread at a time.

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <libpq-fe.h>

namespace tessorin::server {

struct PgError : std::runtime_error {
  PgError(const std::string& message, std::string sqlState) : std::runtime_error(message), sqlState(std::move(sqlState)) {}
  std::string sqlState;  // "" when the failure was not the statement's (a lost connection)
  bool isUniqueViolation() const { return sqlState == "23505"; }
  bool isCheckViolation() const { return sqlState == "23514"; }
};

using PgParam = std::optional<std::string>;  // nothing: NULL

class PgResult {
 public:
  explicit PgResult(PGresult* result) : result_(result, &PQclear) {}
  int rows() const { return PQntuples(result_.get()); }
  bool isNull(int row, int column) const { return PQgetisnull(result_.get(), row, column) != 0; }
  std::string text(int row, int column) const;
  std::optional<std::string> optionalText(int row, int column) const;
  std::int64_t integer(int row, int column) const;

 private:
  std::unique_ptr<PGresult, decltype(&PQclear)> result_;
};

class PgConnection {
 public:
  // Throws PgError when the server cannot be reached.
  explicit PgConnection(const std::string& conninfo);
  PgResult exec(const char* sql, const std::vector<PgParam>& params = {});
  // Several statements of the program's own, without parameters (schema changes).
  void execScript(const char* sql);
  // Reconnects a connection that broke; throws PgError when that fails.
  void ensureOpen();

 private:
  std::unique_ptr<PGconn, decltype(&PQfinish)> connection_;
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
