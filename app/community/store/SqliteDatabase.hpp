#pragma once
// SqliteDatabase: a thin owner of one SQLite connection and its prepared statements.
// Values are only ever bound as parameters. Failures throw SqliteError with SQLite's
// message and extended result code. No connection of the process opens a file of another
// user's, or one through a link at its name. One connection is used by one thread at a
// time.

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include <QString>

struct sqlite3;
struct sqlite3_stmt;

namespace tessorin {

struct SqliteError : std::runtime_error {
  SqliteError(const std::string& message, int code, int systemError = 0)
      : std::runtime_error(message), code(code), systemError(systemError) {}
  int code;         // extended result code
  int systemError;  // errno of the system call that failed, 0 when none did
  bool isConstraint() const;
  // Another connection holds a lock that it will let go of.
  bool isBusy() const;
  // The file is no database, or one whose pages are broken.
  bool isDamaged() const;
};

class SqliteStatement {
 public:
  SqliteStatement(sqlite3* db, const char* sql);
  ~SqliteStatement();
  SqliteStatement(const SqliteStatement&) = delete;
  SqliteStatement& operator=(const SqliteStatement&) = delete;

  // Parameters are numbered from 1.
  SqliteStatement& bind(int index, const QString& text);
  SqliteStatement& bind(int index, std::int64_t value);
  SqliteStatement& bindNull(int index);
  // True while a row is there to read.
  bool step();
  void run() { while (step()) {} }

  QString text(int column) const;
  std::int64_t integer(int column) const;

 private:
  sqlite3* db_;
  sqlite3_stmt* statement_ = nullptr;
};

class SqliteDatabase {
 public:
  // Opens or makes the file; throws SqliteError.
  explicit SqliteDatabase(const QString& path);
  ~SqliteDatabase();
  SqliteDatabase(const SqliteDatabase&) = delete;
  SqliteDatabase& operator=(const SqliteDatabase&) = delete;

  void execute(const char* sql);
  SqliteStatement prepare(const char* sql) { return SqliteStatement(db_, sql); }

 private:
  sqlite3* db_ = nullptr;
};

}  // namespace tessorin
