#pragma once
// The host's databases as one program sees them: database aliases, each
// naming a directory whose tables live in one SQLite file, the open
// connections, and the transaction that makes a save all-or-nothing.
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "hostdb/host_schema.h"
#include "hostdb/sqlite_connection.h"

namespace oewr::hostdb {

// File name of an alias's database inside its directory.
extern const char* const kHostDatabaseFile;  // "teravox.sqlite"

// What a session may do with the databases of its aliases.
enum class HostAccess {
  CreateMissing,  // make a database where an alias has none (creating a host)
  ReadWrite,      // databases that exist; a new table may start one under another alias
  ReadOnly,       // databases that exist, opened for reading only: nothing is written
};

class HostSession {
 public:
  // `aliases`: NAME → directory (names matched without regard to case).
  explicit HostSession(std::map<std::string, std::string> aliases = {},
                       HostAccess access = HostAccess::CreateMissing);
  ~HostSession();
  HostSession(const HostSession&) = delete;
  HostSession& operator=(const HostSession&) = delete;

  // Aliases from the ini file's section "Aliases"; `defaultAlias` names
  // `defaultDirectory` when the section does not list it.
  static std::unique_ptr<HostSession> fromIni(const std::filesystem::path& iniFile, const std::string& defaultAlias,
                                              const std::string& defaultDirectory,
                                              HostAccess access = HostAccess::ReadWrite);

  HostAccess access() const { return access_; }
  bool readOnly() const { return access_ == HostAccess::ReadOnly; }

  void addAlias(const std::string& name, const std::string& directory);
  std::vector<std::string> aliasNames() const;
  bool hasAlias(const std::string& name) const;
  // The alias's PATH; throws ModelError for an unknown alias.
  std::string aliasPath(const std::string& alias) const;

  // The database file of an alias, and whether it is there.
  std::filesystem::path databaseFile(const std::string& alias) const;
  bool hasDatabase(const std::string& alias) const;

  // The alias's database. Unless the session may create databases, a
  // missing one is a ModelError naming the file looked for.
  Connection& connection(const std::string& alias);

  // An alias without a database has no tables.
  bool tableExists(const std::string& alias, const std::string& table);
  std::vector<std::string> tableNames(const std::string& alias);  // normalised names
  void createTable(const std::string& alias, const std::string& table, const TableDef& def);
  void dropTable(const std::string& alias, const std::string& table);
  TableDef tableDef(const std::string& alias, const std::string& table);
  // Total size in bytes of the binary and memo fields of a table.
  int64_t binaryDataSize(const std::string& alias, const std::string& table);

  // Every connection used inside a transaction takes its write lock at once
  // and commits or rolls back with the others. `table`: the one the
  // transaction is for, named when it meets a lock.
  void beginTransaction(const std::string& table = {});
  void commitTransaction();
  void rollbackTransaction() noexcept;
  bool inTransaction() const { return txDepth_ > 0; }

  // Handler for records another program holds locked (see Ui).
  void setLockWaitHandler(LockWaitHandler h);

 private:
  Connection& connection(const std::string& alias, bool mayCreate);

  HostAccess access_;
  std::map<std::string, std::string> aliases_;  // upper-case name → directory
  std::vector<std::string> aliasOrder_;
  std::map<std::string, std::unique_ptr<Connection>> connections_;  // by database file
  // The connection each alias reached, so that a later use of the alias
  // does not resolve its path on disk again.
  std::map<std::string, Connection*> aliasConnections_;  // upper-case name → connection
  Connection* openedConnection(const std::string& alias) const;
  Connection& openConnection(const std::string& alias, bool mayCreate);
  LockWaitHandler lockWait_;
  int txDepth_ = 0;
  bool txFailed_ = false;
  std::string txTable_;
};

// RAII: a transaction that rolls back unless committed.
class HostTransaction {
 public:
  explicit HostTransaction(HostSession& s, const std::string& table = {}) : s_(s) { s_.beginTransaction(table); }
  ~HostTransaction() {
    if (!done_) s_.rollbackTransaction();
  }
  void commit() {
    done_ = true;
    s_.commitTransaction();
  }
  HostTransaction(const HostTransaction&) = delete;
  HostTransaction& operator=(const HostTransaction&) = delete;

 private:
  HostSession& s_;
  bool done_ = false;
};

}  // namespace oewr::hostdb
