// The importers of `oewr host`: monthly flow CSV files in every layout, unit
// and treatment of missing months (parseMonthlyFlowCsv), and the text of
// array records of every kind (arrayFromText). Bad text must be refused with
// a ModelError; accepted text must give a series or record that is whole and
// that its own export reads back unchanged.
//
// Input: one byte choosing layout, unit and missing-month treatment, then the
// file's bytes, read as a file is (UTF-8, or UTF-16 with its byte-order mark).
#include <cmath>
#include <string>

#include "common/text_input.h"
#include "fuzz_support.h"
#include "hostdb/flow_csv.h"
#include "hostdb/host_admin.h"
#include "process/model_state.h"

using namespace oewr;
using namespace oewr::hostdb;

namespace {

bool sameData(const std::vector<float>& a, const std::vector<float>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (!fuzz::sameBits(a[i], b[i])) return false;
  return true;
}

void checkFlows(const std::string& text, uint8_t choice) {
  FlowCsvOptions options;
  options.layout = static_cast<FlowLayout>(choice % 3);
  options.unit = static_cast<FlowUnit>((choice / 3) % 3);
  options.missing = static_cast<MissingMonths>((choice / 9) % 5);
  MonthlyFlowSeries s;
  try {
    s = parseMonthlyFlowCsv(text, "flows.csv", options);
  } catch (const ModelError&) {
    return;  // refused with the file, line and field
  }
  fuzz::require(!s.values.empty(), "an accepted file gave no month");
  fuzz::require(s.values.size() <= static_cast<std::size_t>(kSeriesCapacity), "more months than a series holds");
  fuzz::require(s.startYear >= 1 && s.startYear <= 9998 && s.startMonth >= 1 && s.startMonth <= 12,
                "start " + std::to_string(s.startYear) + "-" + std::to_string(s.startMonth) + " out of range");
  fuzz::require(s.layout != FlowLayout::Auto, "the layout was not settled");
  for (float v : s.values) fuzz::require(std::isfinite(v), "a month holds a value that is not finite");
  fuzz::require(s.endYear() * 12 + s.endMonth() - 1 ==
                    s.startYear * 12 + s.startMonth - 1 + static_cast<int>(s.values.size()) - 1,
                "the end month does not follow from the start and the count");
  if (options.missing == MissingMonths::DropLeadingYear)
    fuzz::require(s.startMonth == 10, "a series that drops to a whole hydrological year starts in another month");

  // Its export reads back as the same months (values to the export's decimals).
  const std::string csv = monthlyFlowCsv(s.startYear, s.startMonth, s.values, 9);
  const MonthlyFlowSeries back = parseMonthlyFlowCsv(csv, "export", FlowCsvOptions{});
  fuzz::require(back.startYear == s.startYear && back.startMonth == s.startMonth &&
                    back.values.size() == s.values.size(),
                "the series export reads back as other months");
}

void checkArray(const std::string& text, ArrayKind kind) {
  ArrayValue a;
  try {
    a = arrayFromText(kind, text, "array.csv");
  } catch (const ModelError&) {
    return;
  }
  const std::string kindName = arrayKindName(kind);
  fuzz::require(a.rows >= 1 && a.columns >= 1, kindName + ": a record without rows or columns");
  // Rating rows without a segment hold 4 values instead of 8: that record is read as a stream.
  if (kind != ArrayKind::RatingSegments)
    fuzz::require(a.data.size() == static_cast<std::size_t>(a.rows) * static_cast<std::size_t>(a.columns),
                  kindName + ": Rows x Columns does not match the data");
  for (float v : a.data) fuzz::require(std::isfinite(v), kindName + ": a value that is not finite");
  const std::string csv = arrayCsv(a);
  const ArrayValue back = arrayFromText(kind, csv, "export");
  fuzz::require(sameData(back.data, a.data) && back.rows == a.rows && back.columns == a.columns,
                kindName + ": the export reads back differently:\n" + csv);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, std::size_t size) {
  fuzz::ControlBytes in(bytes, size);
  const uint8_t choice = in.byte();
  std::string text;
  try {
    text = textAsUtf8(in.restText(), "flows.csv");
  } catch (const ModelError&) {
    return 0;  // not text: refused before any parser sees it
  }
  fuzz::require(text.find('\0') == std::string::npos, "the text of a file holds a NUL byte");
  checkFlows(text, choice);
  for (ArrayKind kind : {ArrayKind::SiteParameters, ArrayKind::EcologicalParameters, ArrayKind::FloodParameters,
                         ArrayKind::CrossSection, ArrayKind::RatingSegments, ArrayKind::Table})
    checkArray(text, kind);
  return 0;
}
