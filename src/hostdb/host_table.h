#pragma once
// A cursor on one host table, with the operations the model needs of the
// engine: open and close, first, next, end test, count, go to a record
// number, find by key, a filter on a field, fields read and written by name,
// binary fields as byte streams, edit, append, post.
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "hostdb/field_value.h"
#include "hostdb/host_schema.h"
#include "hostdb/host_session.h"

namespace oewr::hostdb {

class HostTable {
 public:
  enum class State { Inactive, Browse, Edit, Insert };

  explicit HostTable(HostSession& session, std::string alias = {}, std::string tableName = {});

  void setAlias(const std::string& alias);
  void setTableName(const std::string& name);
  const std::string& alias() const { return alias_; }
  const std::string& tableName() const { return table_; }  // normalised

  void open();
  void close();
  bool active() const { return state_ != State::Inactive; }
  State state() const { return state_; }

  void first();
  void next();
  bool eof() const;
  int recordCount() const;
  int recNo() const;  // 1-based position; 0 when empty
  // Goes to record number n (1-based, in the table's order, filter applied);
  // throws ModelError when there is no such record.
  void setRecNo(int n);

  // Finds the record whose primary key equals `key`; stays put when absent.
  bool findKey(const std::vector<FieldValue>& key);
  // Finds the first record whose field equals the value (a scan).
  bool locate(const std::string& field, const FieldValue& value);

  // Filter text of the form  FIELD = 'text'.
  void setFilter(const std::string& text);
  void setFiltered(bool on);
  bool filtered() const { return filtered_; }

  FieldValue field(const std::string& name) const;
  void setField(const std::string& name, const FieldValue& v);
  Blob readBlob(const std::string& name) const { return field(name).asBlob(); }
  void writeBlob(const std::string& name, const Blob& bytes) { setField(name, FieldValue(bytes)); }
  bool hasField(const std::string& name) const;
  const TableDef& definition() const { return def_; }

  void edit();
  void append();
  void post();
  void cancel();
  void deleteRecord();

 private:
  void requireActive() const;
  void reload(std::optional<int64_t> keepRow);
  void loadCurrent() const;
  const FieldDef& fieldDef(const std::string& name) const;
  FieldValue converted(const FieldDef& f, const FieldValue& v) const;
  std::string describe() const;

  HostSession& session_;
  std::string alias_;
  std::string table_;
  TableDef def_;
  State state_ = State::Inactive;
  std::vector<int64_t> rows_;
  std::size_t pos_ = 0;
  bool filtered_ = false;
  std::string filterField_;
  std::string filterValue_;
  mutable bool loaded_ = false;
  mutable std::map<std::string, FieldValue> current_;
  std::map<std::string, FieldValue> buffer_;
  std::map<std::string, bool> changed_;
};

}  // namespace oewr::hostdb
