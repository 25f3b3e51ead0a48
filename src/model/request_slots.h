#pragma once
// The request slots of the model: the position of each input and result in
// a request's attribute list. Every reader and writer of a slot names it here.
namespace oewr::slot {

constexpr int kSiteName = 3;              // text
constexpr int kSiteParameters = 4;        // array: hydrology/hydraulic parameters
constexpr int kEcologicalParameters = 5;  // array
constexpr int kFloodParameters = 6;       // array
constexpr int kSavedSection = 7;          // array: saved channel cross-section
constexpr int kObservedSection = 8;       // array: observed channel cross-section
constexpr int kRating = 9;                // array: observed rating table
constexpr int kNaturalFlows = 10;         // time series
constexpr int kPresentFlows = 11;         // time series
constexpr int kScenarioFlows = 12;        // time series
constexpr int kTotalAssurance = 13;       // array (result)
constexpr int kLowAssurance = 14;         // array (result)
constexpr int kTotalEwr = 15;             // time series (result)
constexpr int kLowEwr = 16;               // time series (result)
constexpr int kReport = 17;               // memo (result)

}  // namespace oewr::slot
