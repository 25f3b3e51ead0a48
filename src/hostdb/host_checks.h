#pragma once
// Checks and small helpers shared by the files of the host administration:
// lengths of names and texts, dates, 16-bit codes, table layouts, numbers as
// text and a table held open for a block.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

#include "hostdb/field_value.h"
#include "hostdb/host_schema.h"
#include "hostdb/host_session.h"
#include "hostdb/host_table.h"

namespace oewr::hostdb::detail {

// The largest feature, attribute and table code and array dimension.
constexpr int kMaxCode = std::numeric_limits<int16_t>::max();

// Names are at most 80 characters; a longer text is quoted by its head.
std::string inQuotes(const std::string& s);

void requireLength(const std::string& what, const std::string& text, std::size_t maxLength, bool allowEmpty = false);

// The date as stored, "YYYY-MM-DD"; an empty text is today.
std::string dateOrToday(const std::string& date);

// True when two tables have the same fields (names and types) in the same order.
bool sameFields(const TableDef& have, const TableDef& want);

int int16Checked(const FieldValue& v, const std::string& what);

// With decimals below 0 the shortest text that reads back as the same float.
std::string floatText(float v, int decimals);

// Opens a table for the scope of a block.
struct OpenTable {
  HostTable t;
  OpenTable(HostSession& s, const std::string& alias, const std::string& table) : t(s, alias, table) { t.open(); }
  HostTable* operator->() { return &t; }
  HostTable& operator*() { return t; }
};

}  // namespace oewr::hostdb::detail
