#include "hostdb/host_session.h"

#include "common/ini_file.h"
#include "common/text_format.h"

namespace oewr::hostdb {

const char* const kHostDatabaseFile = "teravox.sqlite";

HostSession::HostSession(std::map<std::string, std::string> aliases, HostAccess access) : access_(access) {
  for (const auto& [name, dir] : aliases) addAlias(name, dir);
}

HostSession::~HostSession() { rollbackTransaction(); }

std::unique_ptr<HostSession> HostSession::fromIni(const std::filesystem::path& iniFile,
                                                  const std::string& defaultAlias,
                                                  const std::string& defaultDirectory, HostAccess access) {
  auto s = std::make_unique<HostSession>(std::map<std::string, std::string>{}, access);
  IniFile ini = IniFile::load(iniFile);
  const std::filesystem::path base = iniFile.has_parent_path() ? iniFile.parent_path() : std::filesystem::path(".");
  for (const auto& [name, dir] : ini.section("Aliases")) {
    std::filesystem::path p(dir);
    if (p.is_relative()) p = base / p;
    s->addAlias(name, p.lexically_normal().string());
  }
  if (!s->hasAlias(defaultAlias)) s->addAlias(defaultAlias, defaultDirectory);
  return s;
}

void HostSession::addAlias(const std::string& name, const std::string& directory) {
  std::string key = toUpper(trim(name));
  if (key.empty()) throw ModelError("An alias needs a name");
  if (!aliases_.count(key)) aliasOrder_.push_back(trim(name));
  aliases_[key] = directory;
  aliasConnections_.erase(key);
}

std::vector<std::string> HostSession::aliasNames() const { return aliasOrder_; }

bool HostSession::hasAlias(const std::string& name) const { return aliases_.count(toUpper(trim(name))) > 0; }

std::string HostSession::aliasPath(const std::string& alias) const {
  auto it = aliases_.find(toUpper(trim(alias)));
  if (it == aliases_.end()) throw ModelError("Unknown database alias '" + alias + "'");
  return it->second;
}

std::filesystem::path HostSession::databaseFile(const std::string& alias) const {
  std::filesystem::path dir = aliasPath(alias);
  if (dir.empty()) dir = ".";
  return dir / kHostDatabaseFile;
}

bool HostSession::hasDatabase(const std::string& alias) const {
  std::error_code ec;
  return std::filesystem::is_regular_file(databaseFile(alias), ec);
}

Connection& HostSession::connection(const std::string& alias) {
  return connection(alias, access_ == HostAccess::CreateMissing);
}

Connection* HostSession::openedConnection(const std::string& alias) const {
  auto it = aliasConnections_.find(toUpper(trim(alias)));
  return it == aliasConnections_.end() ? nullptr : it->second;
}

Connection& HostSession::connection(const std::string& alias, bool mayCreate) {
  if (Connection* opened = openedConnection(alias)) return *opened;
  Connection& c = openConnection(alias, mayCreate);
  aliasConnections_[toUpper(trim(alias))] = &c;
  return c;
}

Connection& HostSession::openConnection(const std::string& alias, bool mayCreate) {
  const std::filesystem::path path = databaseFile(alias);
  const std::filesystem::path dir = path.parent_path();
  if (!std::filesystem::is_directory(dir))
    throw ModelError("The directory of database alias '" + alias + "' does not exist: " + dir.string());
  std::string file = std::filesystem::weakly_canonical(path).string();
  auto it = connections_.find(file);
  if (it != connections_.end()) return *it->second;
  if (!mayCreate && !hasDatabase(alias))
    throw ModelError("Database alias '" + alias + "' holds no host database: " + file +
                     " does not exist (`oewr host create` makes one)");
  auto c = std::make_unique<Connection>(file, mayCreate ? OpenMode::Create
                                              : access_ == HostAccess::ReadOnly ? OpenMode::ReadOnly
                                                                                : OpenMode::ReadWrite);
  c->setLockWaitHandler(lockWait_);
  if (txDepth_ > 0 && !c->readOnly()) c->begin(txTable_);
  return *connections_.emplace(file, std::move(c)).first->second;
}

bool HostSession::tableExists(const std::string& alias, const std::string& table) {
  std::string n = normalTableName(table);
  if (!isValidTableName(n)) return false;
  if (access_ != HostAccess::CreateMissing && openedConnection(alias) == nullptr && !hasDatabase(alias)) return false;
  Statement st(connection(alias), "SELECT 1 FROM sqlite_master WHERE type='table' AND name=?", n);
  st.bind(1, n);
  return st.step();
}

std::vector<std::string> HostSession::tableNames(const std::string& alias) {
  std::vector<std::string> names;
  if (access_ != HostAccess::CreateMissing && openedConnection(alias) == nullptr && !hasDatabase(alias))
    return names;
  Statement st(connection(alias),
               "SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite%' ORDER BY name");
  while (st.step()) names.push_back(st.column(0).asText());
  return names;
}

void HostSession::createTable(const std::string& alias, const std::string& table, const TableDef& def) {
  std::string n = checkedTableName(table);
  std::string sql = "CREATE TABLE " + quoteIdentifier(n) + " (";
  for (std::size_t i = 0; i < def.fields.size(); ++i) {
    if (i) sql += ", ";
    sql += quoteIdentifier(def.fields[i].name) + " " + storedColumnType(def.fields[i]);
  }
  if (!def.primaryKey.empty()) {
    sql += ", PRIMARY KEY (";
    for (std::size_t i = 0; i < def.primaryKey.size(); ++i) sql += (i ? ", " : "") + quoteIdentifier(def.primaryKey[i]);
    sql += ")";
  }
  sql += ")";
  connection(alias, access_ != HostAccess::ReadOnly).exec(sql);
}

void HostSession::dropTable(const std::string& alias, const std::string& table) {
  connection(alias).exec("DROP TABLE IF EXISTS " + quoteIdentifier(checkedTableName(table)));
}

TableDef HostSession::tableDef(const std::string& alias, const std::string& table) {
  std::string n = checkedTableName(table);
  TableDef def;
  std::vector<std::pair<int, std::string>> keys;
  Statement st(connection(alias), "SELECT name, type, pk FROM pragma_table_info(?)", n);
  st.bind(1, n);
  while (st.step()) {
    std::string name = st.column(0).asText();
    auto f = fieldFromStoredColumn(name, st.column(1).asText());
    if (!f) throw ModelError("Table '" + n + "' has a field '" + name + "' of an unknown type");
    def.fields.push_back(*f);
    int pk = static_cast<int>(st.column(2).asInteger());
    if (pk > 0) keys.emplace_back(pk, name);
  }
  if (def.fields.empty()) throw ModelError("Table '" + table + "' does not exist under alias '" + alias + "'");
  std::sort(keys.begin(), keys.end());
  for (auto& k : keys) def.primaryKey.push_back(k.second);
  return def;
}

int64_t HostSession::binaryDataSize(const std::string& alias, const std::string& table) {
  TableDef def = tableDef(alias, table);
  std::string sum;
  for (const auto& f : def.fields)
    if (f.type == FieldType::Binary || f.type == FieldType::Memo)
      sum += (sum.empty() ? "" : " + ") + std::string("COALESCE(length(CAST(") + quoteIdentifier(f.name) +
             " AS BLOB)), 0)";
  if (sum.empty()) return 0;
  Statement st(connection(alias), "SELECT COALESCE(SUM(" + sum + "), 0) FROM " + quoteIdentifier(normalTableName(table)));
  st.step();
  return st.column(0).asInteger();
}

void HostSession::beginTransaction(const std::string& table) {
  if (txDepth_++ > 0) return;
  txFailed_ = false;
  txTable_ = table;
  try {
    // A connection that can only be read takes no write lock; a write to it fails.
    for (auto& [file, c] : connections_)
      if (!c->readOnly()) c->begin(table);
  } catch (...) {
    rollbackTransaction();
    throw;
  }
}

void HostSession::commitTransaction() {
  if (txDepth_ == 0) return;
  if (--txDepth_ > 0) return;
  if (txFailed_) {
    txDepth_ = 1;
    rollbackTransaction();
    throw ModelError("The save was rolled back");
  }
  try {
    for (auto& [file, c] : connections_)
      if (c->inTransaction()) c->commit();
  } catch (...) {
    // A commit that fails (for example a lock the user gave up on) leaves no
    // connection inside the transaction.
    for (auto& [file, c] : connections_) c->rollback();
    throw;
  }
}

void HostSession::rollbackTransaction() noexcept {
  if (txDepth_ == 0) return;
  if (--txDepth_ > 0) {
    txFailed_ = true;
    return;
  }
  for (auto& [file, c] : connections_) c->rollback();
  txFailed_ = false;
}

void HostSession::setLockWaitHandler(LockWaitHandler h) {
  lockWait_ = std::move(h);
  for (auto& [file, c] : connections_) c->setLockWaitHandler(lockWait_);
}

}  // namespace oewr::hostdb
