#include "cli/results_export.h"

#include "common/atomic_file.h"
#include "common/results_writer.h"

namespace oewr::cli {

std::vector<std::filesystem::path> writeResults(const ModelState& s, const CompletedSteps& steps,
                                                const process::StepOptions& options,
                                                const std::filesystem::path& dir) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec) throw ModelError("Cannot create the results directory " + dir.string() + ": " + ec.message());
  ResultsWriter out;
  out.json.beginObject();
  out.json.key("siteName").value(s.site.siteName);
  out.json.key("requestSpatialRecord").value(s.site.requestSpatialRecord);
  const auto& all = process::modelSteps();
  for (int i = 0; i < steps.count && i < static_cast<int>(all.size()); ++i)
    all[static_cast<std::size_t>(i)].exportResults(s, options, out);
  out.json.endObject();
  std::vector<fs::path> files;
  {
    // One copy of a text of a few megabytes at a time: the peak memory of a run.
    std::string text;
    text.reserve(out.json.text().size() + 1);
    text += out.json.text();
    text += '\n';
    out.json = JsonWriter();
    writeTextFile(dir / "results.json", text);
    files.push_back(dir / "results.json");
  }
  for (const fs::path& f : writeTextFiles(dir, out.files)) files.push_back(f);
  return files;
}

}  // namespace oewr::cli
