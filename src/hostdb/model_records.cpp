#include "hostdb/model_records.h"

#include "common/errors.h"
#include "common/text_format.h"
#include "common/text_input.h"
#include "hostdb/host_schema.h"
#include "model/request_slots.h"
#include "model/site_inputs.h"

namespace oewr::hostdb {

const char* const kModelExeName = "new_oewr.exe";

namespace {

const std::vector<std::string>& ecologicalNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> n = {"maxBaseflowExceedence", "perennialOption", "alignStressOption"};
    for (const char* table : {"highShift", "lowShift"})
      for (const char* season : {"Wet", "Dry"})
        for (const char* cat : {"A", "B", "C", "D"}) n.push_back(std::string(table) + season + cat);
    for (const char* season : {"Wet", "Dry"})
      for (const char* w : {"stressAtZeroFs", "fsWeight", "fiWeight", "fdWeight"}) n.push_back(std::string(w) + season);
    return n;
  }();
  return names;
}

const std::vector<std::string>& siteParameterNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> n;
    for (int p = 1; p <= SiteParameters::count; ++p) n.emplace_back(SiteParameters::nameAt(p));
    return n;
  }();
  return names;
}

const std::vector<std::string>& floodNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> n;
    for (int c = 1; c <= 5; ++c)
      for (const char* f : {"depth", "frequency", "events", "catchmentShape", "riverSlope"})
        n.push_back("category" + std::to_string(c) + "_" + f);
    return n;
  }();
  return names;
}

}  // namespace

// ---------------------------------------------------------------- slots

const std::vector<SlotInfo>& modelSlots() {
  static const std::vector<SlotInfo> slots = {
      {slot::kSiteName, "site-name", "site name", kText},
      {slot::kSiteParameters, "site-parameters", "hydrology/hydraulic parameters", kArray},
      {slot::kEcologicalParameters, "ecological-parameters", "ecological parameters", kArray},
      {slot::kFloodParameters, "flood-parameters", "flood parameters", kArray},
      {slot::kSavedSection, "saved-cross-section", "saved channel cross-section", kArray},
      {slot::kObservedSection, "observed-cross-section", "observed channel cross-section", kArray},
      {slot::kRating, "rating", "observed rating table (rating-curve segments)", kArray},
      {slot::kNaturalFlows, "natural-flows", "natural monthly flows", kTimeseries},
      {slot::kPresentFlows, "present-flows", "present-day monthly flows", kTimeseries},
      {slot::kScenarioFlows, "scenario-flows", "scenario monthly flows", kTimeseries},
      {slot::kTotalAssurance, "total-assurance", "total flow assurance table (result)", kArray},
      {slot::kLowAssurance, "low-assurance", "low flow assurance table (result)", kArray},
      {slot::kTotalEwr, "total-ewr", "total flow EWR time series (result)", kTimeseries},
      {slot::kLowEwr, "low-ewr", "low flow EWR time series (result)", kTimeseries},
      {slot::kReport, "report", "report (result)", kMemo},
  };
  return slots;
}

std::optional<int> slotFromName(const std::string& text) {
  long long n = 0;
  if (parseInteger(text, n)) {
    if (n >= 0 && n < kAttributeSlots) return static_cast<int>(n);
    return std::nullopt;
  }
  for (const auto& s : modelSlots())
    if (equalsIgnoreCase(trim(text), s.name)) return s.slot;
  return std::nullopt;
}

// ---------------------------------------------------------------- array records

std::optional<ArrayKind> arrayKindFromName(const std::string& name) {
  const std::string n = toLower(trim(name));
  if (n == "site-parameters") return ArrayKind::SiteParameters;
  if (n == "ecological-parameters") return ArrayKind::EcologicalParameters;
  if (n == "flood-parameters") return ArrayKind::FloodParameters;
  if (n == "cross-section") return ArrayKind::CrossSection;
  if (n == "rating") return ArrayKind::RatingSegments;
  if (n == "table") return ArrayKind::Table;
  return std::nullopt;
}

const char* arrayKindName(ArrayKind kind) {
  switch (kind) {
    case ArrayKind::SiteParameters: return "site-parameters";
    case ArrayKind::EcologicalParameters: return "ecological-parameters";
    case ArrayKind::FloodParameters: return "flood-parameters";
    case ArrayKind::CrossSection: return "cross-section";
    case ArrayKind::RatingSegments: return "rating";
    case ArrayKind::Table: return "table";
  }
  return "";
}

const std::vector<std::string>& parameterNames(ArrayKind kind) {
  static const std::vector<std::string> none;
  switch (kind) {
    case ArrayKind::SiteParameters: return siteParameterNames();
    case ArrayKind::EcologicalParameters: return ecologicalNames();
    case ArrayKind::FloodParameters: return floodNames();
    default: return none;
  }
}

namespace {
void requireCount(const char* what, const std::vector<float>& v, std::size_t n) {
  if (v.size() != n)
    throw ModelError(std::string(what) + " take " + std::to_string(n) + " values; " + std::to_string(v.size()) +
                     " given");
}
}  // namespace

ArrayValue siteParametersArray(const std::vector<float>& values) {
  requireCount("Site parameters", values, SiteParameters::count);
  return {"OEWR Hydrology and Hydraulic Parameters (Orvane EWR model)", "", SiteParameters::count, 1,
          kSiteParametersFormat, values};
}

ArrayValue ecologicalParametersArray(const std::vector<float>& values) {
  requireCount("Ecological parameters", values, 27);
  return {"OEWR Ecological (Orvane EWR model)", "", 27, 1, kEcologicalParametersFormat, values};
}

ArrayValue floodParametersArray(const std::vector<float>& values) {
  requireCount("Flood parameters", values, 25);
  return {"OEWR Saved Flood Parameters", "", 5, 5, kFloodParametersFormat, values};
}

ArrayValue crossSectionArray(const std::vector<float>& distances, const std::vector<float>& elevations) {
  if (distances.size() != elevations.size())
    throw ModelError("A cross-section needs as many elevations as distances (" + std::to_string(distances.size()) +
                     " distances, " + std::to_string(elevations.size()) + " elevations)");
  const std::size_t n = distances.size();
  if (n < 2) throw ModelError("A cross-section needs at least 2 points; " + std::to_string(n) + " given");
  if (n > static_cast<std::size_t>(kCrossSectionPointCapacity))
    throw ModelError("A cross-section holds at most " + std::to_string(kCrossSectionPointCapacity) + " points; " +
                     std::to_string(n) + " given");
  for (std::size_t i = 0; i < n; ++i) {
    if (distances[i] <= -900.0f || elevations[i] <= -900.0f)
      throw ModelError("Cross-section point " + std::to_string(i + 1) +
                       ": values of -900 and below mark the end of a section and cannot be points");
    if (i > 0 && distances[i] < distances[i - 1])
      throw ModelError("Cross-section point " + std::to_string(i + 1) + ": distance " + shortestText(distances[i]) +
                       " lies before the previous point's " + shortestText(distances[i - 1]));
  }
  ArrayValue a{"Channel X-Section", "", static_cast<int>(n + 1), 2, kCrossSectionFormat, {}};
  a.data.reserve(2 * (n + 1));
  a.data.insert(a.data.end(), distances.begin(), distances.end());
  a.data.push_back(-999.0f);
  a.data.insert(a.data.end(), elevations.begin(), elevations.end());
  a.data.push_back(-999.0f);
  return a;
}

ArrayValue ratingSegmentsArray(const std::vector<RatingSegment>& segments) {
  if (segments.empty()) throw ModelError("A rating table needs at least one segment");
  if (segments.size() > static_cast<std::size_t>(kRatingSegmentCapacity))
    throw ModelError("A rating table holds at most " + std::to_string(kRatingSegmentCapacity) + " segments; " +
                     std::to_string(segments.size()) + " given");
  for (std::size_t k = 0; k < segments.size(); ++k) {
    const RatingSegment& s = segments[k];
    const std::string where = "Rating segment " + std::to_string(k + 1) + ": ";
    if (!(s.a > 0.0f)) throw ModelError(where + "A must be above 0 (depth = C + A x Q^B)");
    if (!(s.b > 0.0f)) throw ModelError(where + "B must be above 0 (depth = C + A x Q^B)");
    if (!(s.d > 0.0f)) throw ModelError(where + "D, the segment's upper discharge, must be above 0");
    if (k > 0 && !(s.d > segments[k - 1].d))
      throw ModelError(where + "D " + shortestText(s.d) + " must be above the previous segment's " +
                       shortestText(segments[k - 1].d));
  }
  ArrayValue a{"Observed Rating Segments", "", kRatingRows, 8, kRatingSegmentsFormat, {}};
  for (int row = 0; row < kRatingRows; ++row) {
    if (row < static_cast<int>(segments.size())) {
      const RatingSegment& s = segments[static_cast<std::size_t>(row)];
      const float lower = row == 0 ? 0.0f : segments[static_cast<std::size_t>(row) - 1].d;
      a.data.insert(a.data.end(), {static_cast<float>(row + 1), lower, s.d, 1.0f, s.a, s.b, s.c, s.d});
    } else {
      a.data.insert(a.data.end(), {static_cast<float>(row + 1), 0.0f, 0.0f, 0.0f});
    }
  }
  return a;
}

std::vector<RatingSegment> ratingSegmentsOf(const std::vector<float>& data) {
  std::vector<RatingSegment> out;
  std::size_t i = 0;
  for (int row = 0; row < kRatingRows; ++row) {
    if (i + 4 > data.size())
      throw ModelError("the rating table ends in row " + std::to_string(row + 1) + " of " + std::to_string(kRatingRows));
    const float flag = data[i + 3];
    i += 4;
    if (flag > 0.0f) {
      if (i + 4 > data.size())
        throw ModelError("the rating table ends inside the segment of row " + std::to_string(row + 1));
      if (out.size() >= static_cast<std::size_t>(kRatingSegmentCapacity))
        throw ModelError("the rating table holds more than " + std::to_string(kRatingSegmentCapacity) + " segments");
      out.push_back({data[i], data[i + 1], data[i + 2], data[i + 3]});
      i += 4;
    }
  }
  if (i != data.size())
    throw ModelError("the rating table holds " + std::to_string(data.size() - i) + " values after its " +
                     std::to_string(kRatingRows) + " rows");
  return out;
}

}  // namespace oewr::hostdb
