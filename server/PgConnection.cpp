#include "PgConnection.hpp"

#include <cerrno>
#include <charconv>
#include <poll.h>

namespace tessorin::server {

namespace {

using Clock = std::chrono::steady_clock;

// How long past the server's own statement timeout we wait before deciding that the
// server does not answer at all.
constexpr auto answerGrace = std::chrono::milliseconds(500);

bool isError(const PGresult* result) {
  const ExecStatusType status = PQresultStatus(result);
  return status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK;
}

PgResult checked(PGconn* connection, PGresult* raw) {
  if (raw == nullptr || isError(raw)) {
    const std::string message = raw != nullptr ? PQresultErrorMessage(raw) : PQerrorMessage(connection);
    const char* state = raw != nullptr ? PQresultErrorField(raw, PG_DIAG_SQLSTATE) : nullptr;
    const std::string sqlState = state != nullptr ? state : "";
    PQclear(raw);
    throw PgError(message, sqlState);
  }
  return PgResult(raw);
}

PGconn* connect(const std::string& conninfo, PgConnection::Limits limits) {
  // Ours come first, so that the operator's connection string can override them.
  const long long seconds = (limits.statementTimeout.count() + 999) / 1000;
  const std::string connectTimeout = std::to_string(std::max(2LL, seconds));
  const std::string options = "-c statement_timeout=" + std::to_string(limits.statementTimeout.count());
  const char* keywords[] = {"connect_timeout", "keepalives", "keepalives_idle", "keepalives_interval",
                            "keepalives_count", "options", "dbname", nullptr};
  const char* values[] = {connectTimeout.c_str(), "1", "10", "5", "3", options.c_str(), conninfo.c_str(), nullptr};
  return PQconnectdbParams(keywords, values, 1);
}

}  // namespace

std::string PgResult::text(int row, int column) const { return std::string(view(row, column)); }

std::string_view PgResult::view(int row, int column) const {
  return std::string_view(PQgetvalue(result_.get(), row, column),
                          static_cast<std::size_t>(PQgetlength(result_.get(), row, column)));
}

std::optional<std::string> PgResult::optionalText(int row, int column) const {
  if (isNull(row, column)) return std::nullopt;
  return text(row, column);
}

std::int64_t PgResult::integer(int row, int column) const {
  const std::string_view value = view(row, column);
  std::int64_t number = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
  if (error != std::errc() || end != value.data() + value.size()) {
    throw PgError("not an integer: " + std::string(value), "");
  }
  return number;
}

PgConnection::PgConnection(const std::string& conninfo, Limits limits)
    : connection_(connect(conninfo, limits), &PQfinish), limits_(limits) {
  if (!connection_ || PQstatus(connection_.get()) != CONNECTION_OK) {
    throw PgError(connection_ ? PQerrorMessage(connection_.get()) : "out of memory", "");
  }
  // Notices ("already exists, skipping") are for people at a console, not for a server's
  // error stream.
  PQsetNoticeProcessor(connection_.get(), [](void*, const char*) {}, nullptr);
}

bool PgConnection::lostWhileIdle() {
  // An idle connection has nothing to read unless the server is ending it (a restart sends
  // a last error, then closes): anything there means it is lost.
  pollfd idle{PQsocket(connection_.get()), POLLIN, 0};
  return idle.fd < 0 || poll(&idle, 1, 0) != 0;
}

void PgConnection::reopen() {
  PQreset(connection_.get());
  prepared_.clear();
  givenUp_ = PQstatus(connection_.get()) != CONNECTION_OK;
  if (givenUp_) throw PgError(PQerrorMessage(connection_.get()), "");
}

void PgConnection::ensureOpen() {
  if (givenUp_ || PQstatus(connection_.get()) != CONNECTION_OK || lostWhileIdle()) reopen();
}

PGresult* PgConnection::awaitResult(Clock::time_point deadline) {
  PGconn* connection = connection_.get();
  for (;;) {
    if (PQconsumeInput(connection) == 0 || !PQisBusy(connection)) return PQgetResult(connection);
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    pollfd answer{PQsocket(connection), POLLIN, 0};
    const int ready = left > 0 ? poll(&answer, 1, static_cast<int>(left)) : 0;
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) {
      // The statement may still be running there; this connection cannot be used until it
      // is reopened.
      givenUp_ = true;
      throw PgError("the database did not answer within " + std::to_string(limits_.statementTimeout.count()) + " ms",
                    "");
    }
  }
}

PgResult PgConnection::awaitStatement(Clock::time_point deadline) {
  // One statement gives one result, but the protocol is read to its end; an error wins.
  PGresult* kept = nullptr;
  try {
    while (PGresult* next = awaitResult(deadline)) {
      if (kept == nullptr || (isError(next) && !isError(kept))) std::swap(kept, next);
      PQclear(next);
    }
  } catch (...) {
    PQclear(kept);
    throw;
  }
  return checked(connection_.get(), kept);
}

PgResult PgConnection::exec(const char* sql, const std::vector<PgParam>& params) {
  if (givenUp_) throw PgError("the database connection was given up", "");
  // Memory ran out between sending a statement and reading its whole answer (libpq then
  // reports "out of memory for query result"), or between preparing one and noting it: the
  // connection's state is no longer known, and it is opened afresh before it is used
  // again. Otherwise a statement prepared but never noted fails there ("already exists")
  // for good. An error the database reported, with its SQLSTATE, leaves it as it was.
  try {
    return execOnce(sql, params);
  } catch (const PgError& error) {
    if (error.sqlState.empty() && PQstatus(connection_.get()) == CONNECTION_OK) givenUp_ = true;
    throw;
  } catch (...) {
    givenUp_ = true;
    throw;
  }
}

PgResult PgConnection::execOnce(const char* sql, const std::vector<PgParam>& params) {
  std::vector<const char*> values;
  values.reserve(params.size());
  for (const PgParam& param : params) values.push_back(param ? param->c_str() : nullptr);
  PGconn* connection = connection_.get();
  const Clock::time_point deadline = Clock::now() + limits_.statementTimeout + answerGrace;
  // Each statement is parsed and planned once per connection: the program sends few
  // kinds of statements, many times each.
  auto found = prepared_.find(sql);
  if (found == prepared_.end()) {
    const std::string name = "tessorin_" + std::to_string(prepared_.size());
    if (PQsendPrepare(connection, name.c_str(), sql, static_cast<int>(values.size()), nullptr) == 0) {
      throw PgError(PQerrorMessage(connection), "");
    }
    awaitStatement(deadline);
    found = prepared_.emplace(sql, name).first;
  }
  if (PQsendQueryPrepared(connection, found->second.c_str(), static_cast<int>(values.size()), values.data(), nullptr,
                          nullptr, 0) == 0) {
    throw PgError(PQerrorMessage(connection), "");
  }
  return awaitStatement(deadline);
}

PgResult PgConnection::read(const char* sql, const std::vector<PgParam>& params) {
  try {
    return exec(sql, params);
  } catch (const PgError& error) {
    // Lost on the way (no SQLSTATE, the connection is bad), or ended by the server: a
    // connection failure (08) or a shutdown (57P).
    const bool lost = error.sqlState.empty() ? PQstatus(connection_.get()) != CONNECTION_OK
                                             : error.sqlState.compare(0, 2, "08") == 0 ||
                                                   error.sqlState.compare(0, 3, "57P") == 0;
    if (!lost || givenUp_) throw;
  }
  reopen();
  return exec(sql, params);
}

void PgConnection::execScript(const char* sql) { checked(connection_.get(), PQexec(connection_.get(), sql)); }

PgTransaction::PgTransaction(PgConnection& connection) : connection_(connection) { connection_.exec("BEGIN"); }

PgTransaction::~PgTransaction() {
  if (!open_) return;
  try {
    connection_.exec("ROLLBACK");
  } catch (...) {
    // A connection that broke has no transaction left to end.
  }
}

void PgTransaction::commit() {
  connection_.exec("COMMIT");
  open_ = false;
}

}  // namespace tessorin::server
