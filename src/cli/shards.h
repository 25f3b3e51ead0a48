#pragma once
// A batch spread over many machines: `oewr run --shard K/N` runs the K-th of
// N slices of the chosen requests, each slice with an --out of its own, and
// `oewr merge` joins the slices' outputs into those of one batch.
#include <CLI/CLI.hpp>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "cli/run_command.h"

namespace oewr::cli {

// Shard `index` of `count`, both counted from 1.
struct Shard {
  int index = 1;
  int count = 1;
};

// "2/3" → shard 2 of 3. Throws ModelError saying what is wrong with the text.
Shard parseShard(const std::string& text);

// Checks a --shard value as parseShard does.
CLI::Validator shardValue();

// The requests of the shard: the records cut, in their order, into `count`
// runs of consecutive records whose sizes differ by at most one, the larger
// first (10 records in 3 shards: 4, 3, 3); empty when there are more shards
// than records.
std::vector<int> shardOf(const std::vector<int>& records, Shard shard);

// Runs the shard of `records` (those of --all or of a --record list) as a
// batch; exit code as runBatch, 2 when the shard cannot be cut.
int runShard(const RunOptions& options, const std::vector<int>& records, std::ostream& out, std::ostream& err);

// Joins the summary.csv of the shard directories into `outDir`/summary.csv,
// rows in the order of their request numbers, and copies their request-N
// folders there. Checks every shard before it writes anything; returns 0, or
// 1 with the reason on `err`.
int mergeShards(const std::vector<std::string>& dirs, const std::string& outDir, std::ostream& out,
                std::ostream& err);

// Registers `oewr merge`.
void addMergeCommand(CLI::App& app, std::function<int()>& action);

}  // namespace oewr::cli
