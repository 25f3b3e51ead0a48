#include "hostdb/sqlite_connection.h"

#include <sqlite3.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <thread>

namespace oewr::hostdb {

namespace {
constexpr int kLockRetryMs = 500;

bool isBusy(int rc) {
  int primary = rc & 0xff;
  return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

// Codes of a file or directory that this user may not write.
bool cannotWrite(int rc) {
  int primary = rc & 0xff;
  return primary == SQLITE_READONLY || primary == SQLITE_CANTOPEN || primary == SQLITE_PERM;
}

// A file URI that reads a database as it stands, without its shared-memory file.
std::string immutableUri(const std::string& path) {
  std::string uri = "file:";
  for (char ch : path) {
    const auto c = static_cast<unsigned char>(ch);
    if (std::isalnum(c) || c == '/' || c == '.' || c == '-' || c == '_' || c == '~') {
      uri += ch;
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", c);
      uri += hex;
    }
  }
  return uri + "?immutable=1";
}
}  // namespace

std::string quoteIdentifier(const std::string& name) {
  if (name.find('"') != std::string::npos) throw ModelError("Invalid name: " + name);
  return "\"" + name + "\"";
}

Connection::Connection(const std::string& path, OpenMode mode) : path_(path), mode_(mode) {
  if (mode != OpenMode::ReadOnly) {
    open(SQLITE_OPEN_READWRITE | (mode == OpenMode::Create ? SQLITE_OPEN_CREATE : 0), path_);
    // SQLite opens a file it may not write for reading only.
    if (sqlite3_db_readonly(db_, "main") == 0 && enterWriteMode()) return;
    close();
  }
  openForReading();
}

void Connection::open(int flags, const std::string& name) {
  int rc = sqlite3_open_v2(name.c_str(), &db_, flags | SQLITE_OPEN_FULLMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    std::string msg = db_ ? sqlite3_errmsg(db_) : "out of memory";
    close();
    throw DatabaseError("Cannot open the host database " + path_ + ": " + msg, rc);
  }
  sqlite3_extended_result_codes(db_, 1);
  // Another writer of this program holds its lock for milliseconds: SQLite
  // waits that out itself; a longer lock reaches the 500 ms retry loop below,
  // which the person (or the headless run's policy) can end.
  sqlite3_busy_timeout(db_, 250);
}

void Connection::close() noexcept {
  sqlite3_close_v2(db_);
  db_ = nullptr;
}

bool Connection::enterWriteMode() {
  // WAL lets readers go on while one writer saves; FULL makes a commit durable
  // when it returns.
  int waited = 0;
  for (;;) {
    char* err = nullptr;
    const int rc = sqlite3_exec(db_, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL; PRAGMA foreign_keys=OFF;",
                                nullptr, nullptr, &err);
    std::string msg = err ? err : "";
    sqlite3_free(err);
    if (rc == SQLITE_OK) return true;
    if (isBusy(rc)) {
      waitForLock(waited, path_);
      continue;
    }
    // The directory does not take the journal: the file can only be read.
    if (cannotWrite(rc)) return false;
    close();
    throw DatabaseError("Cannot open the host database " + path_ + ": " + msg, rc);
  }
}

void Connection::openForReading() {
  readOnly_ = true;
  open(SQLITE_OPEN_READONLY, path_);
  if (readable()) return;
  // A WAL database is read through a shared-memory file beside it; where this
  // user cannot make one (a directory it may not write), nobody can be writing
  // the database, and it is read as it stands.
  close();
  open(SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, immutableUri(path_));
  if (!readable()) fail("Cannot read the host database", SQLITE_CANTOPEN);
}

bool Connection::readable() {
  int waited = 0;
  for (;;) {
    const int rc = sqlite3_exec(db_, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) return true;
    if (isBusy(rc)) {
      waitForLock(waited, path_);
      continue;
    }
    if (cannotWrite(rc)) return false;
    fail("Cannot read the host database", rc);
  }
}

Connection::~Connection() {
  if (inTransaction_) rollback();
  close();
}

std::string Connection::readOnlyText() const {
  return "the host database " + path_ + " is open for reading only" +
         (mode_ == OpenMode::ReadOnly ? std::string() : std::string(": this user may not write it or its directory"));
}

void Connection::fail(const std::string& what, int code) const {
  std::string text = what + ": " + sqlite3_errmsg(db_) + " (" + path_ + ")";
  if (readOnly_ && cannotWrite(code)) text += "; " + readOnlyText();
  throw DatabaseError(text, code);
}

void Connection::waitForLock(int& waitedMs, const std::string& what) {
  if (!lockWait_ || !lockWait_(what, waitedMs))
    throw DatabaseError("The host database is locked by another program (" +
                            (what == path_ ? path_ : "table " + what + " in " + path_) + "); gave up after " +
                            std::to_string(waitedMs / 1000.0).substr(0, 5) + " s",
                        SQLITE_BUSY);
  std::this_thread::sleep_for(std::chrono::milliseconds(kLockRetryMs));
  waitedMs += kLockRetryMs;
}

void Connection::exec(const std::string& sql, const std::string& table) {
  int waited = 0;
  for (;;) {
    char* err = nullptr;
    int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err);
    std::string msg = err ? err : "";
    sqlite3_free(err);
    if (rc == SQLITE_OK) return;
    if (isBusy(rc)) {
      waitForLock(waited, table.empty() ? path_ : table);
      continue;
    }
    throw DatabaseError(msg + " (" + path_ + ")" + (readOnly_ && cannotWrite(rc) ? "; " + readOnlyText() : ""), rc);
  }
}

int64_t Connection::lastInsertRowid() const { return sqlite3_last_insert_rowid(db_); }
int Connection::changes() const { return sqlite3_changes(db_); }

void Connection::begin(const std::string& table) {
  if (readOnly_) throw DatabaseError("Nothing can be written: " + readOnlyText(), SQLITE_READONLY);
  exec("BEGIN IMMEDIATE", table);
  inTransaction_ = true;
}

void Connection::commit() {
  exec("COMMIT");
  inTransaction_ = false;
}

void Connection::rollback() noexcept {
  if (!inTransaction_) return;
  sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  inTransaction_ = false;
}

Statement::Statement(Connection& db, const std::string& sql, std::string table)
    : db_(db), sql_(sql), table_(std::move(table)) {
  int waited = 0;
  for (;;) {
    int rc = sqlite3_prepare_v2(db.handle(), sql.c_str(), -1, &stmt_, nullptr);
    if (rc == SQLITE_OK) return;
    if (isBusy(rc)) {
      db_.waitForLock(waited, table_.empty() ? db_.path() : table_);
      continue;
    }
    db.fail("Database statement failed", rc);
  }
}

Statement::~Statement() { sqlite3_finalize(stmt_); }

Statement& Statement::bind(int index, const FieldValue& v) {
  int rc = SQLITE_OK;
  const auto& raw = v.raw();
  if (std::holds_alternative<std::monostate>(raw)) rc = sqlite3_bind_null(stmt_, index);
  else if (const auto* i = std::get_if<int64_t>(&raw)) rc = sqlite3_bind_int64(stmt_, index, *i);
  else if (const auto* d = std::get_if<double>(&raw)) rc = sqlite3_bind_double(stmt_, index, *d);
  else if (const auto* s = std::get_if<std::string>(&raw))
    rc = sqlite3_bind_text(stmt_, index, s->data(), static_cast<int>(s->size()), SQLITE_TRANSIENT);
  else if (const auto* b = std::get_if<Blob>(&raw))
    rc = sqlite3_bind_blob(stmt_, index, b->empty() ? "" : static_cast<const void*>(b->data()),
                           static_cast<int>(b->size()), SQLITE_TRANSIENT);
  if (rc != SQLITE_OK) db_.fail("Cannot bind a value", rc);
  return *this;
}

bool Statement::step() {
  int waited = 0;
  for (;;) {
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    if (isBusy(rc)) {
      sqlite3_reset(stmt_);
      db_.waitForLock(waited, table_.empty() ? db_.path() : table_);
      continue;
    }
    sqlite3_reset(stmt_);
    db_.fail("Database operation failed", rc);
  }
}

FieldValue Statement::column(int index) const {
  switch (sqlite3_column_type(stmt_, index)) {
    case SQLITE_INTEGER:
      return FieldValue(static_cast<int64_t>(sqlite3_column_int64(stmt_, index)));
    case SQLITE_FLOAT:
      return FieldValue(sqlite3_column_double(stmt_, index));
    case SQLITE_TEXT: {
      const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, index));
      return FieldValue(std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, index))));
    }
    case SQLITE_BLOB: {
      const auto* p = static_cast<const uint8_t*>(sqlite3_column_blob(stmt_, index));
      int n = sqlite3_column_bytes(stmt_, index);
      return FieldValue(Blob(p, p + n));
    }
    default:
      return FieldValue();
  }
}

int Statement::columnCount() const { return sqlite3_column_count(stmt_); }
std::string Statement::columnName(int index) const { return sqlite3_column_name(stmt_, index); }
void Statement::reset() {
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
}

}  // namespace oewr::hostdb
