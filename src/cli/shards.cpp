#include "cli/shards.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>

#include "cli/batch_run.h"
#include "common/atomic_file.h"
#include "common/text_format.h"
#include "common/text_input.h"

namespace oewr::cli {

namespace fs = std::filesystem;

namespace {

// As many shards as a record list may hold requests.
constexpr long long kMaxShards = 1000000;

}  // namespace

Shard parseShard(const std::string& text) {
  const std::size_t slash = text.find('/');
  long long k = 0, n = 0;
  if (slash == std::string::npos || !parseInteger(text.substr(0, slash), k) ||
      !parseInteger(text.substr(slash + 1), n))
    throw ModelError(quoteHead(text) + " is not K/N, shard K of N (such as 2/3)");
  if (n < 1 || n > kMaxShards)
    throw ModelError(quoteHead(text) + " is not a shard: N is not from 1 to " + std::to_string(kMaxShards));
  if (k < 1 || k > n) throw ModelError(quoteHead(text) + " is not a shard: K is not from 1 to " + std::to_string(n));
  return {static_cast<int>(k), static_cast<int>(n)};
}

CLI::Validator shardValue() {
  return CLI::Validator(
      [](std::string& text) -> std::string {
        try {
          parseShard(text);
        } catch (const ModelError& e) {
          return e.what();
        }
        return {};
      },
      "K/N");
}

std::vector<int> shardOf(const std::vector<int>& records, Shard shard) {
  const std::size_t n = static_cast<std::size_t>(shard.count), k = static_cast<std::size_t>(shard.index - 1);
  const std::size_t base = records.size() / n, larger = records.size() % n;
  const std::size_t first = k * base + std::min(k, larger);
  const std::size_t size = base + (k < larger ? 1 : 0);
  return std::vector<int>(records.begin() + static_cast<std::ptrdiff_t>(first),
                          records.begin() + static_cast<std::ptrdiff_t>(first + size));
}

int runShard(const RunOptions& options, const std::vector<int>& records, std::ostream& out, std::ostream& err) {
  Shard shard;
  try {
    shard = parseShard(options.shard);
  } catch (const ModelError& e) {
    err << "oewr run: --shard: " << e.what() << std::endl;
    return 2;
  }
  if (!options.all && records.size() == 1) {
    err << "oewr run: --shard " << options.shard << ": --record " << options.records
        << " is a single request; a shard is a slice of --all or of a --record list such as 1-40" << std::endl;
    return 2;
  }
  const std::vector<int> slice = shardOf(records, shard);
  out << formatText("Shard %d of %d: ", shard.index, shard.count);
  if (slice.empty())
    out << formatText("none of the %zu requests (more shards than requests); its summary.csv has the header alone\n",
                      records.size());
  else
    out << formatText("%zu of the %zu requests, from request %d to request %d\n", slice.size(), records.size(),
                      slice.front(), slice.back());
  return runBatch(options, slice, out, err);
}

namespace {

// One summary.csv as read: its header and its rows, each row's text as
// written (a quoted field may hold line breaks) with its request number.
struct ShardSummary {
  fs::path file;
  std::string header;
  struct Row {
    long long request = 0;
    int line = 0;
    std::string text;
  };
  std::vector<Row> rows;
};

std::string readWholeFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw ModelError(file.string() + ": cannot be read");
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Reads the summary.csv of a shard directory; throws ModelError naming the
// file (and line) when it is missing or not a summary.
ShardSummary readShardSummary(const std::string& dir) {
  std::error_code ec;
  if (!fs::exists(dir, ec)) throw ModelError(dir + ": no such directory");
  if (!fs::is_directory(dir, ec)) throw ModelError(dir + ": is a file, not the --out directory of a shard");
  ShardSummary s;
  s.file = fs::path(dir) / "summary.csv";
  if (!fs::is_regular_file(s.file, ec))
    throw ModelError(s.file.string() + ": no such file (a shard writes it when all its requests have run)");
  const std::string text = readWholeFile(s.file);
  // Records end at line breaks outside quotes.
  std::size_t start = 0;
  int line = 1, startLine = 1;
  bool quoted = false;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    const bool end = i == text.size();
    if (!end && text[i] == '"') quoted = !quoted;
    if (!end && (text[i] != '\n' || quoted)) {
      if (text[i] == '\n') ++line;
      continue;
    }
    if (end && quoted)
      throw ModelError(s.file.string() + ", line " + std::to_string(startLine) + ": a quoted field is not closed");
    const std::string record = text.substr(start, i - start);
    if (startLine == 1) {
      if (record.empty()) throw ModelError(s.file.string() + ": is empty, not a summary of runs");
      s.header = record;
    } else if (!record.empty()) {
      const std::string first = record.substr(0, record.find(','));
      long long request = 0;
      if (!parseInteger(first, request) || request < 0)
        throw ModelError(s.file.string() + ", line " + std::to_string(startLine) + ": " + quoteHead(first) +
                         " is not a request number");
      s.rows.push_back({request, startLine, record});
    }
    start = i + 1;
    startLine = ++line;
  }
  return s;
}

// Where two headers part: "column 5: 'mar_mcm' there, 'x' here".
std::string headerDifference(const std::string& there, const std::string& here) {
  const std::vector<std::string> a = csvFields(there), b = csvFields(here);
  for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
    const std::string x = i < a.size() ? quoteHead(a[i]) : "nothing";
    const std::string y = i < b.size() ? quoteHead(b[i]) : "nothing";
    if (x != y) return "column " + std::to_string(i + 1) + ": " + x + " there, " + y + " here";
  }
  return "the same columns, written differently";
}

bool sameDirectory(const fs::path& a, const fs::path& b) {
  std::error_code ea, eb;
  const fs::path x = fs::weakly_canonical(a, ea), y = fs::weakly_canonical(b, eb);
  if (!ea && !eb) return x == y;
  return fs::absolute(a, ea).lexically_normal() == fs::absolute(b, eb).lexically_normal();
}

}  // namespace

int mergeShards(const std::vector<std::string>& dirs, const std::string& outDir, std::ostream& out,
                std::ostream& err) {
  struct Source {
    const ShardSummary* shard;
    const ShardSummary::Row* row;
  };
  std::vector<ShardSummary> shards;
  std::map<long long, Source> byRequest;  // ordered by request number
  const fs::path root(outDir);
  try {
    for (std::size_t i = 0; i < dirs.size(); ++i) {
      const std::string& dir = dirs[i];
      if (sameDirectory(dir, root))
        throw ModelError("--out " + outDir + ": is the shard directory " + dir + "; merge into a directory of its own");
      for (std::size_t j = 0; j < i; ++j)
        if (sameDirectory(dirs[j], dir)) throw ModelError(dir + ": is given twice (also as " + dirs[j] + ")");
      shards.push_back(readShardSummary(dir));
    }
    for (const ShardSummary& s : shards) {
      if (s.header != shards.front().header)
        throw ModelError(s.file.string() + ": its header differs from that of " + shards.front().file.string() + " (" +
                         headerDifference(shards.front().header, s.header) +
                         "); the shards were run by different versions of oewr");
      for (const ShardSummary::Row& row : s.rows) {
        const auto [it, added] = byRequest.try_emplace(row.request, Source{&s, &row});
        if (!added)
          throw ModelError("request " + std::to_string(row.request) + " is in both " +
                           it->second.shard->file.string() + " (line " + std::to_string(it->second.row->line) +
                           ") and " + s.file.string() + " (line " + std::to_string(row.line) +
                           "); each request belongs to one shard");
      }
    }
    // A merge writes over nothing: what --out holds stays as it was.
    std::error_code ec;
    if (fs::exists(root / "summary.csv", ec))
      throw ModelError("--out " + outDir + ": already holds a summary.csv; merge into a new directory or remove it");
    for (const auto& [request, source] : byRequest) {
      const std::string folder = requestFolderName(request);
      if (fs::exists(root / folder, ec))
        throw ModelError("--out " + outDir + ": already holds " + folder + "; merge into a new directory or remove it");
    }
    requireWritableDirectory(outDir, "--out");
  } catch (const ModelError& e) {
    err << "oewr merge: " << e.what() << std::endl;
    return 1;
  }

  // The request folders first, the summary last: a summary.csv says the
  // merge is whole.
  using Clock = std::chrono::steady_clock;
  auto shown = Clock::now();
  std::size_t copied = 0, missing = 0;
  std::string summary = shards.front().header + "\n";
  std::size_t failed = 0;
  std::ostringstream failures;
  for (const auto& [request, source] : byRequest) {
    summary += source.row->text + "\n";
    const std::vector<std::string> f = csvFields(source.row->text);
    if (f.size() > 3 && f[2] != "ok") {
      ++failed;
      failures << "  request " << request << (f[1].empty() ? "" : " (" + f[1] + ")") << ": " << f[3] << "\n";
    }
    const std::string folder = requestFolderName(request);
    const fs::path from = source.shard->file.parent_path() / folder;
    std::error_code ec;
    if (!fs::is_directory(from, ec)) {
      err << "oewr merge: " << from.string() << ": no such folder; its summary row is merged all the same" << std::endl;
      ++missing;
    } else {
      fs::copy(from, root / folder, fs::copy_options::recursive, ec);
      if (ec) {
        err << "\noewr merge: " << from.string() << " cannot be copied to " << (root / folder).string() << " ("
            << ec.message() << "); no summary.csv written" << std::endl;
        return 1;
      }
      ++copied;
    }
    if (Clock::now() - shown > std::chrono::milliseconds(200) || copied + missing == byRequest.size()) {
      shown = Clock::now();
      err << formatText("\r%zu of %zu request folders copied", copied + missing, byRequest.size()) << std::flush;
    }
  }
  if (!byRequest.empty()) err << std::endl;
  const fs::path summaryFile = root / "summary.csv";
  try {
    writeTextFile(summaryFile, summary);
  } catch (const std::exception& e) {
    err << "oewr merge: " << e.what() << std::endl;
    return 1;
  }
  out << formatText("%zu shards merged: %zu requests, %zu ran, %zu failed\n", shards.size(), byRequest.size(),
                    byRequest.size() - failed, failed)
      << failures.str() << "  summary: " << summaryFile.string() << "\n  outputs: " << (root / "request-N").string()
      << "\n";
  return 0;
}

void addMergeCommand(CLI::App& app, std::function<int()>& action) {
  auto dirs = std::make_shared<std::vector<std::string>>();
  auto outDir = std::make_shared<std::string>();
  CLI::App* merge = app.add_subcommand(
      "merge", "Join the outputs of the shards of a batch (oewr run --shard K/N) into the outputs of one batch.");
  merge->footer(
      "One summary.csv with the rows of every shard in the order of their request numbers (for --all or a "
      "--record list in rising order, the file the batch run whole writes, byte for byte; with --ensemble, the 10th "
      "and 90th percentiles beside each mean), and each shard's request-N folders, with their ensemble and "
      "sensitivity files, copied beside it (the shards' own are kept). Every shard is checked first and nothing is "
      "written when one is refused: a shard without summary.csv, a header that differs from the first shard's, a "
      "request in two shards. --out must not already hold a summary.csv or a request-N folder of the merge.\n"
      "  oewr merge runs/shard-* --out runs/all");
  merge->add_option("DIR", *dirs, "The --out directories of the shards, such as runs/shard-*")->required();
  merge->add_option("--out", *outDir, "Directory of the merged summary.csv and request-N folders")->required();
  merge->callback([dirs, outDir, &action] {
    action = [dirs, outDir] { return mergeShards(*dirs, *outDir, std::cout, std::cerr); };
  });
}

}  // namespace oewr::cli
