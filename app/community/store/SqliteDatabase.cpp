#include "community/store/SqliteDatabase.hpp"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

namespace tessorin {

namespace {

// SQLite makes and opens the logs beside the database when a write first needs them, long
// after the database's folder and names were judged: in a sticky folder another user may
// have put a file of theirs at a log's name meanwhile, whose frames would be read as the
// user's records. What SQLite opens here is never another user's file, and never reached
// through a link at its name (which this SQLite refuses of itself, where built so).
int openNoLinkNorOthers(const char* name, int flags, int mode) {
  const int file = ::open(name, flags | O_NOFOLLOW, mode);
  if (file < 0) return file;
  struct stat status {};
  if (::fstat(file, &status) != 0 || (status.st_uid != 0 && status.st_uid != ::geteuid())) {
    ::close(file);
    errno = EACCES;
    return -1;
  }
  return file;
}

// SQLite's own open goes for every connection of the process, so it is replaced once,
// before the first connection is made.
void openNothingOfOthers() {
  static std::once_flag once;
  std::call_once(once, [] {
    sqlite3_vfs* system = sqlite3_vfs_find(nullptr);
    if (system != nullptr && system->iVersion >= 3 && system->xSetSystemCall != nullptr) {
      system->xSetSystemCall(system, "open", reinterpret_cast<sqlite3_syscall_ptr>(&openNoLinkNorOthers));
    }
  });
}

[[noreturn]] void fail(sqlite3* db, int code) {
  throw SqliteError(db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(code),
                    db != nullptr ? sqlite3_extended_errcode(db) : code, db != nullptr ? sqlite3_system_errno(db) : 0);
}

}  // namespace

bool SqliteError::isConstraint() const { return (code & 0xFF) == SQLITE_CONSTRAINT; }

bool SqliteError::isBusy() const { return (code & 0xFF) == SQLITE_BUSY || (code & 0xFF) == SQLITE_LOCKED; }

bool SqliteError::isDamaged() const { return (code & 0xFF) == SQLITE_CORRUPT || (code & 0xFF) == SQLITE_NOTADB; }

SqliteStatement::SqliteStatement(sqlite3* db, const char* sql) : db_(db) {
  const int code = sqlite3_prepare_v2(db_, sql, -1, &statement_, nullptr);
  if (code != SQLITE_OK) fail(db_, code);
}

SqliteStatement::~SqliteStatement() { sqlite3_finalize(statement_); }

SqliteStatement& SqliteStatement::bind(int index, const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  const int code = sqlite3_bind_text(statement_, index, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
  if (code != SQLITE_OK) fail(db_, code);
  return *this;
}

SqliteStatement& SqliteStatement::bind(int index, std::int64_t value) {
  const int code = sqlite3_bind_int64(statement_, index, value);
  if (code != SQLITE_OK) fail(db_, code);
  return *this;
}

SqliteStatement& SqliteStatement::bindNull(int index) {
  const int code = sqlite3_bind_null(statement_, index);
  if (code != SQLITE_OK) fail(db_, code);
  return *this;
}

bool SqliteStatement::step() {
  const int code = sqlite3_step(statement_);
  if (code == SQLITE_ROW) return true;
  if (code == SQLITE_DONE) return false;
  fail(db_, code);
}

QString SqliteStatement::text(int column) const {
  const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
  return QString::fromUtf8(bytes, sqlite3_column_bytes(statement_, column));
}

std::int64_t SqliteStatement::integer(int column) const { return sqlite3_column_int64(statement_, column); }

SqliteDatabase::SqliteDatabase(const QString& path) {
  openNothingOfOthers();
  const int code = sqlite3_open_v2(path.toUtf8().constData(), &db_,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr);
  if (code != SQLITE_OK) {
    const SqliteError error(db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(code), code,
                            db_ != nullptr ? sqlite3_system_errno(db_) : 0);
    sqlite3_close(db_);
    db_ = nullptr;
    throw error;
  }
  sqlite3_extended_result_codes(db_, 1);
  sqlite3_busy_timeout(db_, 5000);
}

SqliteDatabase::~SqliteDatabase() { sqlite3_close(db_); }

void SqliteDatabase::execute(const char* sql) {
  char* message = nullptr;
  const int code = sqlite3_exec(db_, sql, nullptr, nullptr, &message);
  if (code != SQLITE_OK) {
    const std::string text = message != nullptr ? message : sqlite3_errstr(code);
    sqlite3_free(message);
    throw SqliteError(text, sqlite3_extended_errcode(db_), sqlite3_system_errno(db_));
  }
}

}  // namespace tessorin
