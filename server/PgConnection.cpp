#include "PgConnection.hpp"

#include <charconv>

namespace tessorin::server {

std::string PgResult::text(int row, int column) const {
  return std::string(PQgetvalue(result_.get(), row, column),
                     static_cast<std::size_t>(PQgetlength(result_.get(), row, column)));
}

std::optional<std::string> PgResult::optionalText(int row, int column) const {
  if (isNull(row, column)) return std::nullopt;
  return text(row, column);
}

std::int64_t PgResult::integer(int row, int column) const {
  const std::string value = text(row, column);
  std::int64_t number = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
  if (error != std::errc() || end != value.data() + value.size()) {
    throw PgError("not an integer: " + value, "");
  }
  return number;
}

PgConnection::PgConnection(const std::string& conninfo) : connection_(PQconnectdb(conninfo.c_str()), &PQfinish) {
  if (!connection_ || PQstatus(connection_.get()) != CONNECTION_OK) {
    throw PgError(connection_ ? PQerrorMessage(connection_.get()) : "out of memory", "");
  }
  // Notices ("already exists, skipping") are for people at a console, not for a server's
  // error stream.
  PQsetNoticeProcessor(connection_.get(), [](void*, const char*) {}, nullptr);
}

void PgConnection::ensureOpen() {
  if (PQstatus(connection_.get()) == CONNECTION_OK) return;
  PQreset(connection_.get());
  if (PQstatus(connection_.get()) != CONNECTION_OK) throw PgError(PQerrorMessage(connection_.get()), "");
}

namespace {

PgResult checked(PGconn* connection, PGresult* raw) {
  const ExecStatusType status = raw != nullptr ? PQresultStatus(raw) : PGRES_FATAL_ERROR;
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
    const std::string message = raw != nullptr ? PQresultErrorMessage(raw) : PQerrorMessage(connection);
    const char* state = raw != nullptr ? PQresultErrorField(raw, PG_DIAG_SQLSTATE) : nullptr;
    const std::string sqlState = state != nullptr ? state : "";
    PQclear(raw);
    throw PgError(message, sqlState);
  }
  return PgResult(raw);
}

}  // namespace

void PgConnection::execScript(const char* sql) { checked(connection_.get(), PQexec(connection_.get(), sql)); }

PgResult PgConnection::exec(const char* sql, const std::vector<PgParam>& params) {
  std::vector<const char*> values;
  values.reserve(params.size());
  for (const PgParam& param : params) values.push_back(param ? param->c_str() : nullptr);
  return checked(connection_.get(), PQexecParams(connection_.get(), sql, static_cast<int>(values.size()), nullptr,
                                                 values.data(), nullptr, nullptr, 0));
}

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
