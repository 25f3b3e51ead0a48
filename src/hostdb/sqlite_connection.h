#pragma once
// A thin RAII wrapper of one SQLite database file: prepared statements with
// bound parameters only, and the wait on a record that another program holds
// locked (retried every 500 ms while the lock handler says to go on).
#include <functional>
#include <string>

#include "common/errors.h"
#include "hostdb/field_value.h"

struct sqlite3;
struct sqlite3_stmt;

namespace oewr::hostdb {

class DatabaseError : public ModelError {
 public:
  DatabaseError(const std::string& what, int code) : ModelError(what), code_(code) {}
  int code() const { return code_; }

 private:
  int code_;
};

// Called before each retry of a locked operation with what is locked (the
// table the operation works on, or the database file when it works on no one
// table) and the time waited so far; returns false to give up.
using LockWaitHandler = std::function<bool(const std::string& locked, int waitedMs)>;

class Connection;

class Statement {
 public:
  // `table`: the table the statement works on, named when it meets a lock.
  Statement(Connection& db, const std::string& sql, std::string table = {});
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& bind(int index, const FieldValue& v);  // 1-based
  // Steps once; true when a row is available. Retries while the database is locked.
  bool step();
  FieldValue column(int index) const;  // 0-based
  int columnCount() const;
  std::string columnName(int index) const;
  void reset();

 private:
  Connection& db_;
  sqlite3_stmt* stmt_ = nullptr;
  std::string sql_;
  std::string table_;
};

// How a database file is opened.
enum class OpenMode {
  Create,     // read and write; the file is made when missing
  ReadWrite,  // read and write an existing file
  ReadOnly,   // read an existing file; nothing is written to it
};

class Connection {
 public:
  // A file that may not be written (its permissions, or its directory's) is
  // opened for reading under ReadWrite too: readOnly() tells, and a write
  // then fails with a message that says so.
  explicit Connection(const std::string& path, OpenMode mode = OpenMode::ReadWrite);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Statements without data only; `table` as for a Statement.
  void exec(const std::string& sql, const std::string& table = {});
  int64_t lastInsertRowid() const;
  int changes() const;
  sqlite3* handle() { return db_; }
  const std::string& path() const { return path_; }
  bool readOnly() const { return readOnly_; }

  void setLockWaitHandler(LockWaitHandler h) { lockWait_ = std::move(h); }
  // Waits 500 ms and asks the handler; throws DatabaseError when it gives up.
  // `what` is the locked table, or path() for the database as a whole.
  void waitForLock(int& waitedMs, const std::string& what);

  // BEGIN IMMEDIATE: takes the write lock now, waiting while locked; `table`
  // is the one the transaction is for, named when it meets a lock. Throws
  // DatabaseError on a read-only connection.
  void begin(const std::string& table = {});
  void commit();
  void rollback() noexcept;
  bool inTransaction() const { return inTransaction_; }

  [[noreturn]] void fail(const std::string& what, int code) const;

 private:
  void open(int flags, const std::string& name);
  void close() noexcept;
  bool enterWriteMode();  // false when the file turns out not to be writable
  void openForReading();
  bool readable();  // false when reading needs files this user cannot make
  std::string readOnlyText() const;

  sqlite3* db_ = nullptr;
  std::string path_;
  OpenMode mode_;
  LockWaitHandler lockWait_;
  bool inTransaction_ = false;
  bool readOnly_ = false;
};

// Quotes an identifier that the caller has already checked (no quotes inside).
std::string quoteIdentifier(const std::string& name);

}  // namespace oewr::hostdb
