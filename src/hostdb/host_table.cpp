#include "hostdb/host_table.h"

#include <cmath>
#include <limits>

#include "common/text_format.h"

namespace oewr::hostdb {

HostTable::HostTable(HostSession& session, std::string alias, std::string tableName) : session_(session) {
  if (!alias.empty()) setAlias(alias);
  if (!tableName.empty()) setTableName(tableName);
}

void HostTable::setAlias(const std::string& alias) {
  if (active()) throw ModelError("Cannot change the alias of an open table (" + describe() + ")");
  alias_ = alias;
}

void HostTable::setTableName(const std::string& name) {
  if (active()) throw ModelError("Cannot change the name of an open table (" + describe() + ")");
  table_ = checkedTableName(name);
}

std::string HostTable::describe() const { return alias_ + ":" + table_; }

void HostTable::requireActive() const {
  if (!active()) throw ModelError("Cannot perform this operation on a closed dataset (" + describe() + ")");
}

void HostTable::open() {
  if (active()) return;
  if (table_.empty()) throw ModelError("No table name set");
  if (!session_.tableExists(alias_, table_))
    throw ModelError("Table '" + table_ + "' does not exist under alias '" + alias_ + "'");
  def_ = session_.tableDef(alias_, table_);
  state_ = State::Browse;
  reload(std::nullopt);
  pos_ = 0;
}

void HostTable::close() {
  state_ = State::Inactive;
  rows_.clear();
  buffer_.clear();
  changed_.clear();
  current_.clear();
  loaded_ = false;
  pos_ = 0;
}

void HostTable::reload(std::optional<int64_t> keepRow) {
  std::string sql = "SELECT rowid FROM " + quoteIdentifier(table_);
  bool useFilter = filtered_ && !filterField_.empty();
  if (useFilter) sql += " WHERE " + quoteIdentifier(filterField_) + " = ?";
  sql += " ORDER BY ";
  for (const auto& k : def_.primaryKey) sql += quoteIdentifier(k) + ", ";
  sql += "rowid";
  Statement st(session_.connection(alias_), sql, table_);
  if (useFilter) st.bind(1, filterValue_);
  rows_.clear();
  while (st.step()) rows_.push_back(st.column(0).asInteger());
  loaded_ = false;
  if (keepRow) {
    for (std::size_t i = 0; i < rows_.size(); ++i)
      if (rows_[i] == *keepRow) {
        pos_ = i;
        return;
      }
  }
  if (pos_ > rows_.size()) pos_ = rows_.size();
}

void HostTable::loadCurrent() const {
  if (loaded_) return;
  current_.clear();
  if (pos_ < rows_.size()) {
    std::string sql = "SELECT ";
    for (std::size_t i = 0; i < def_.fields.size(); ++i) sql += (i ? ", " : "") + quoteIdentifier(def_.fields[i].name);
    sql += " FROM " + quoteIdentifier(table_) + " WHERE rowid = ?";
    Statement st(session_.connection(alias_), sql, table_);
    st.bind(1, rows_[pos_]);
    if (st.step())
      for (std::size_t i = 0; i < def_.fields.size(); ++i) current_[def_.fields[i].name] = st.column(static_cast<int>(i));
  }
  loaded_ = true;
}

void HostTable::first() {
  requireActive();
  if (state_ != State::Browse) cancel();
  reload(std::nullopt);
  pos_ = 0;
}

void HostTable::next() {
  requireActive();
  if (state_ != State::Browse) post();
  if (pos_ < rows_.size()) ++pos_;
  loaded_ = false;
}

bool HostTable::eof() const {
  requireActive();
  return pos_ >= rows_.size();
}

int HostTable::recordCount() const {
  requireActive();
  return static_cast<int>(rows_.size());
}

int HostTable::recNo() const {
  requireActive();
  return rows_.empty() ? 0 : static_cast<int>(std::min(pos_, rows_.size() - 1)) + 1;
}

void HostTable::setRecNo(int n) {
  requireActive();
  if (n < 1 || n > static_cast<int>(rows_.size()))
    throw ModelError("Record number " + std::to_string(n) + " does not exist in table '" + table_ + "' (" +
                     std::to_string(rows_.size()) + " records)");
  pos_ = static_cast<std::size_t>(n - 1);
  loaded_ = false;
}

bool HostTable::findKey(const std::vector<FieldValue>& key) {
  requireActive();
  if (def_.primaryKey.empty() || key.size() != def_.primaryKey.size())
    throw ModelError("Table '" + table_ + "' has no key of " + std::to_string(key.size()) + " fields");
  std::string sql = "SELECT rowid FROM " + quoteIdentifier(table_) + " WHERE ";
  for (std::size_t i = 0; i < key.size(); ++i) sql += (i ? " AND " : "") + quoteIdentifier(def_.primaryKey[i]) + " = ?";
  Statement st(session_.connection(alias_), sql, table_);
  for (std::size_t i = 0; i < key.size(); ++i) st.bind(static_cast<int>(i + 1), converted(fieldDef(def_.primaryKey[i]), key[i]));
  if (!st.step()) return false;
  int64_t row = st.column(0).asInteger();
  for (std::size_t i = 0; i < rows_.size(); ++i)
    if (rows_[i] == row) {
      pos_ = i;
      loaded_ = false;
      return true;
    }
  return false;  // hidden by the filter
}

bool HostTable::locate(const std::string& name, const FieldValue& value) {
  requireActive();
  const FieldDef& f = fieldDef(name);
  FieldValue want = converted(f, value);
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    pos_ = i;
    loaded_ = false;
    if (field(name) == want) return true;
  }
  pos_ = rows_.size();
  loaded_ = false;
  return false;
}

void HostTable::setFilter(const std::string& text) {
  std::size_t eq = text.find('=');
  std::size_t q1 = text.find('\'', eq == std::string::npos ? 0 : eq);
  std::size_t q2 = text.rfind('\'');
  if (eq == std::string::npos || q1 == std::string::npos || q2 == q1)
    throw ModelError("Filter expression incorrectly formed: " + text);
  filterField_ = trim(text.substr(0, eq));
  filterValue_ = text.substr(q1 + 1, q2 - q1 - 1);
  if (active()) {
    fieldDef(filterField_);
    reload(std::nullopt);
    pos_ = 0;
  }
}

void HostTable::setFiltered(bool on) {
  filtered_ = on;
  if (active()) {
    reload(pos_ < rows_.size() ? std::optional<int64_t>(rows_[pos_]) : std::nullopt);
  }
}

bool HostTable::hasField(const std::string& name) const {
  for (const auto& f : def_.fields)
    if (f.name == name) return true;
  return false;
}

const FieldDef& HostTable::fieldDef(const std::string& name) const {
  for (const auto& f : def_.fields)
    if (f.name == name) return f;
  throw ModelError("Field '" + name + "' not found in table '" + table_ + "'");
}

FieldValue HostTable::field(const std::string& name) const {
  requireActive();
  fieldDef(name);
  if (state_ == State::Edit || state_ == State::Insert) {
    auto it = buffer_.find(name);
    return it == buffer_.end() ? FieldValue() : it->second;
  }
  if (pos_ >= rows_.size()) return FieldValue();
  loadCurrent();
  auto it = current_.find(name);
  return it == current_.end() ? FieldValue() : it->second;
}

FieldValue HostTable::converted(const FieldDef& f, const FieldValue& v) const {
  if (v.isNull()) return v;
  switch (f.type) {
    case FieldType::Int16: {
      int64_t i = v.asInteger();
      if (i < std::numeric_limits<int16_t>::min() || i > std::numeric_limits<int16_t>::max())
        throw RangeError("Value " + std::to_string(i) + " out of range for the 16-bit field '" + f.name + "'");
      return FieldValue(i);
    }
    case FieldType::Int32: {
      int64_t i = v.asInteger();
      if (i < std::numeric_limits<int32_t>::min() || i > std::numeric_limits<int32_t>::max())
        throw RangeError("Value " + std::to_string(i) + " out of range for the 32-bit field '" + f.name + "'");
      return FieldValue(i);
    }
    case FieldType::Float: return FieldValue(v.asFloat());
    case FieldType::Time: return FieldValue(v.asFloat());
    case FieldType::String: {
      std::string s = v.asText();
      if (f.size > 0 && static_cast<int>(s.size()) > f.size) s.resize(static_cast<std::size_t>(f.size));
      return FieldValue(s);
    }
    case FieldType::Date: {
      std::string s = v.asText();
      if (!s.empty()) parseDateText(s);
      return FieldValue(s);
    }
    case FieldType::Memo: return FieldValue(v.asText());
    case FieldType::Binary: {
      if (v.isBlob()) return v;
      const std::string bytes = v.asText();
      return FieldValue(Blob(bytes.begin(), bytes.end()));
    }
  }
  return v;
}

void HostTable::setField(const std::string& name, const FieldValue& v) {
  requireActive();
  if (state_ != State::Edit && state_ != State::Insert)
    throw ModelError("Dataset not in edit or insert mode (" + describe() + ")");
  buffer_[name] = converted(fieldDef(name), v);
  changed_[name] = true;
}

void HostTable::edit() {
  requireActive();
  if (state_ == State::Edit || state_ == State::Insert) return;
  if (pos_ >= rows_.size()) throw ModelError("Cannot edit: no current record in '" + table_ + "'");
  loaded_ = false;
  loadCurrent();
  buffer_ = current_;
  changed_.clear();
  state_ = State::Edit;
}

void HostTable::append() {
  requireActive();
  if (state_ != State::Browse) post();
  buffer_.clear();
  changed_.clear();
  state_ = State::Insert;
}

void HostTable::post() {
  requireActive();
  if (state_ == State::Browse) return;
  Connection& c = session_.connection(alias_);
  int64_t row = 0;
  if (state_ == State::Insert) {
    std::string cols, marks;
    std::vector<FieldValue> vals;
    for (const auto& [name, v] : buffer_) {
      cols += (cols.empty() ? "" : ", ") + quoteIdentifier(name);
      marks += marks.empty() ? "?" : ", ?";
      vals.push_back(v);
    }
    std::string sql = cols.empty() ? "INSERT INTO " + quoteIdentifier(table_) + " DEFAULT VALUES"
                                   : "INSERT INTO " + quoteIdentifier(table_) + " (" + cols + ") VALUES (" + marks + ")";
    Statement st(c, sql, table_);
    for (std::size_t i = 0; i < vals.size(); ++i) st.bind(static_cast<int>(i + 1), vals[i]);
    try {
      st.step();
    } catch (const DatabaseError& e) {
      if ((e.code() & 0xff) == 19) throw ModelError("Key violation in table '" + table_ + "'");
      throw;
    }
    row = c.lastInsertRowid();
  } else {
    row = rows_.at(pos_);
    std::string sets;
    std::vector<FieldValue> vals;
    for (const auto& [name, ch] : changed_) {
      sets += (sets.empty() ? "" : ", ") + quoteIdentifier(name) + " = ?";
      vals.push_back(buffer_[name]);
    }
    if (!sets.empty()) {
      Statement st(c, "UPDATE " + quoteIdentifier(table_) + " SET " + sets + " WHERE rowid = ?", table_);
      for (std::size_t i = 0; i < vals.size(); ++i) st.bind(static_cast<int>(i + 1), vals[i]);
      st.bind(static_cast<int>(vals.size() + 1), row);
      try {
        st.step();
      } catch (const DatabaseError& e) {
        if ((e.code() & 0xff) == 19) throw ModelError("Key violation in table '" + table_ + "'");
        throw;
      }
    }
  }
  state_ = State::Browse;
  buffer_.clear();
  changed_.clear();
  reload(row);
}

void HostTable::cancel() {
  if (state_ == State::Edit || state_ == State::Insert) state_ = State::Browse;
  buffer_.clear();
  changed_.clear();
  loaded_ = false;
}

void HostTable::deleteRecord() {
  requireActive();
  cancel();
  if (pos_ >= rows_.size()) throw ModelError("Cannot delete: no current record in '" + table_ + "'");
  Statement st(session_.connection(alias_), "DELETE FROM " + quoteIdentifier(table_) + " WHERE rowid = ?", table_);
  st.bind(1, rows_[pos_]);
  st.step();
  std::size_t keep = pos_;
  reload(std::nullopt);
  pos_ = std::min(keep, rows_.size());
}

}  // namespace oewr::hostdb
