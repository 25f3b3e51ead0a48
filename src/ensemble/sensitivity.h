#pragma once
// One-at-a-time sensitivity: the standard run repeated with one input
// changed, step by step over a range, everything else as stored, and the
// change of each category's long-term means against the standard run.
//
// The inputs that can be varied are the 24 site parameters, by their stored
// names (valleySlope, maxWidth, geoZone, ...), each read as if the host held
// the value, and the hydrology's exceedence point of the maximum baseflows.
#include <string>
#include <vector>

#include "charting/chart.h"
#include "ensemble/ensemble.h"

namespace oewr::ensemble {

// The name of the hydrology's exceedence point among the varied inputs.
inline constexpr const char* kExceedenceName = "exceedence";

// An input and the values it takes, in ascending order.
struct Variation {
  std::string name;
  int position = 0;  // stored position 1 .. 24 of a site parameter; 0 for the exceedence point
  std::vector<float> values;
};

// Reads "NAME=LOW:HIGH[:STEPS]": STEPS values (default 5, 2 to 101) evenly
// from LOW to HIGH. The geomorphological zone takes whole zones and the
// exceedence point multiples of 5; a value met twice is run once. Throws
// ModelError naming the text, and, for a value outside the input's valid
// range, the range.
Variation parseVariation(const std::string& text);

// The names that can be varied, with their ranges, one a line.
std::string variableInputs();

// The request of the standard run with one input at `value`.
MemberRequest withValue(const MemberRequest& standard, const Variation& variation, float value);

// One run of the study.
struct SensitivityRun {
  std::string name;
  float value = 0;
  MemberResult result;
};

// sensitivity.csv: the standard run, then one row a run: the input, the
// value asked and the value the model used (after its rules), and for each
// category the mean low and total requirement, million m3, and their change
// against the standard run.
std::string sensitivityCsv(const std::vector<SensitivityRun>& runs, const MemberResult& standard);

// The tornado chart: for each input, the smallest and the largest change of
// the chosen category's mean total requirement over its values, the inputs
// ranked by the range between them.
charting::Chart tornadoChart(const std::vector<SensitivityRun>& runs, const MemberResult& standard, int category);

}  // namespace oewr::ensemble
