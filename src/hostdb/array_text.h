#pragma once
// Array records as text: reading a record of a kind from a file's text or
// from numbers, and writing a stored record back as text.
#include <string>
#include <vector>

#include "hostdb/model_records.h"

namespace oewr::hostdb {

// Builds an array record of a kind from text: numbers separated by commas,
// blanks or line ends; '#' starts a comment. Parameter records take one value
// a line, optionally preceded by its name ("valleySlope,0.005"); a
// cross-section takes "distance,elevation" lines; rating segments "A,B,C,D"
// lines; a table takes one line a row (`columns` values each). A first line
// that is not numbers is a header. Errors name `source`, the line and the field.
ArrayValue arrayFromText(ArrayKind kind, const std::string& text, const std::string& source);
// The same from numbers already split: parameters in stored order, cross-
// section points as distance, elevation pairs, segments as A, B, C, D
// quadruples, a table column after column with `rows` × `columns` values.
ArrayValue arrayFromNumbers(ArrayKind kind, const std::vector<float>& numbers, int rows = 0, int columns = 0);

// The text export of an array by its Format: parameter records as name,value
// lines, a cross-section as distance,elevation up to its closing row, rating
// segments as A,B,C,D lines (each as arrayFromText reads it back); any other
// array one line a row, one column per stored column, when Rows × Columns
// matches its data. Decimals below 0: the shortest text that reads back as
// the same float.
std::string arrayCsv(const ArrayValue& value, int decimals = -1);

}  // namespace oewr::hostdb
