#pragma once
// Many requests in one command: each runs as a fresh program start would
// (its own model state, its random sections from seed 0), side by side up to
// the number of jobs, with progress on the terminal, its outputs in a folder
// of its own and one row in summary.csv.
#include <iosfwd>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/run_command.h"

namespace oewr::cli {

// "1,3,5-7" → 1, 3, 5, 6, 7. Throws ModelError naming the bad part.
std::vector<int> parseRecordList(const std::string& list);

// The record numbers of every request of the model in the ini file's database.
std::vector<int> modelRequests(const std::string& ini);

// summary.csv of the runs, in the order given; `withSpread` adds the 10th
// and 90th percentiles of each category's means over an ensemble.
std::string summaryCsv(const std::vector<RunSummary>& runs, bool withSpread = false);

// The fields of one record of summary.csv; a quoted field may hold commas,
// line breaks and doubled quotes.
std::vector<std::string> csvFields(const std::string& record);

// Where a run's outputs go when no --out is given, and the folder of one
// request in it.
inline constexpr const char* kDefaultRunsFolder = "oewr-runs";
std::string requestFolderName(int record);  // "request-7"

// Writes `dir`/log.txt: the lines a run printed, then its messages.
void writeRunLog(const std::filesystem::path& dir, const std::string& lines, const std::string& messages);

// Runs the batch; 0 when every request ran, 1 when any failed.
int runBatch(const RunOptions& options, const std::vector<int>& records, std::ostream& out, std::ostream& err);

}  // namespace oewr::cli
