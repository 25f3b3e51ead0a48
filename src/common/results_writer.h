#pragma once
// What a run hands to other tools: results.json, in which each step writes
// its fields under their own names, and the CSV tables written beside it.
#include <vector>

#include "common/atomic_file.h"
#include "common/json_writer.h"

namespace oewr {

struct ResultsWriter {
  JsonWriter json;               // results.json, its outer object open
  std::vector<NamedText> files;  // the tables, written after results.json in this order
};

}  // namespace oewr
