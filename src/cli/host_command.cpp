#include "cli/host_command.h"

#include <CLI/CLI.hpp>
#include <array>
#include <cstdint>
#include <fstream>
#include <limits>
#include <iostream>
#include <sstream>

#include "cli/option_checks.h"
#include "common/errors.h"
#include "common/text_format.h"
#include "common/text_input.h"
#include "hostdb/flow_csv.h"
#include "common/atomic_file.h"
#include "hostdb/host_admin.h"
#include "hostdb/host_schema.h"
#include "hydraulics/channel_parameters.h"
#include "hydrology/flow_statistics.h"

namespace oewr::cli {

using namespace oewr::hostdb;

struct HostOptions {
  std::string ini;
  std::string alias;
  std::string dir;
  bool makeDefault = false;
  std::string name, table, idField = "ID", descField = "Name", feature, type;
  int32_t id = 0;
  std::string attribute;
  int32_t site = 0;
  std::string file, text, title, format, date, values, kind, number;
  int rows = 0, columns = 0;
  std::string layout = "auto", unit = "mcm", na = "refuse", dataId;
  double area = 0;
  std::string toAttribute, toFeature;
  int32_t toSite = 0;
  std::string description;
  std::vector<std::string> slots;
  int slotCount = kRequestSlotCount;
  std::string what;
  std::string out = "-";
  int decimals = -1;
  bool writeTemplate = false;
};

namespace {

std::string q(const std::string& s) { return "'" + s + "'"; }

std::vector<float> numbersFromList(const std::string& list, const std::string& option) {
  std::vector<float> out;
  std::string cur;
  int index = 0;
  auto flush = [&]() {
    if (cur.empty()) return;
    ++index;
    std::string why;
    const auto v = storedFloat(cur, why);
    if (!v) throw ModelError(option + ", value " + std::to_string(index) + ": " + quoteHead(cur) + " " + why);
    out.push_back(*v);
    cur.clear();
  };
  for (char c : list) {
    if (c == ',' || c == ';' || std::isspace(static_cast<unsigned char>(c))) flush();
    else cur += c;
  }
  flush();
  return out;
}

std::string describeWrite(const WriteResult& r) {
  return "table " + q(r.table) + ", RECID " + std::to_string(r.recid) +
         (r.updated ? " (the site's record was updated)" : " (new record)");
}

// Records that another program holds locked are waited for, at most this long.
constexpr int kLockWaitLimitMs = 30000;

// Listing and exporting open the database for reading only.
std::unique_ptr<HostAdmin> openHostAdmin(const HostOptions& o, HostAccess access = HostAccess::ReadWrite) {
  return std::make_unique<HostAdmin>(
      o.ini, o.alias,
      [](const std::string& locked, int waitedMs) {
        if (waitedMs == 0)
          std::cerr << "The host database is locked by another program (" << locked << "); waiting up to "
                    << kLockWaitLimitMs / 1000 << " s\n";
        return waitedMs < kLockWaitLimitMs;
      },
      access);
}

ValueTarget target(const HostOptions& o) { return {o.attribute, o.site, o.feature}; }

// The valley slopes each geomorphological zone accepts, from the zone tables.
std::string zoneSlopes() {
  std::string text;
  for (int z = hydraulics::kFirstZone; z <= hydraulics::kLastZone; ++z) {
    const hydraulics::ZoneConstants& c = hydraulics::zoneConstants(z);
    text += (text.empty() ? "" : ", ") + std::to_string(z) + ": ";
    if (c.minSlope > 0 && c.maxSlope > 0) text += shortestText(c.minSlope) + " to " + shortestText(c.maxSlope);
    else if (c.minSlope > 0) text += shortestText(c.minSlope) + " or more";
    else text += "up to " + shortestText(c.maxSlope);
  }
  return text;
}

// The site-parameter file a user starts from: every value named and
// explained, with a starting value (0 for the channel values that the
// hydraulics step estimates). It reads back with --file.
std::string siteParametersTemplate() {
  struct Line {
    float value;
    std::string comment;
  };
  const std::array<Line, SiteParameters::count> lines = {{
      {0.97f, "recursive baseflow filter parameter A, between 0 and 1 (larger: a smoother baseflow)"},
      {0.5f, "baseflow filter parameter B (0.5 makes it the Lyne and Hollick filter)"},
      {4, "geomorphological zone, 1 (A) to 6 (F); outside 1 to 6 the model uses 4"},
      {0.5f, "width/depth scaling of the bankfull depth, 0.34 to 0.66 (outside: 0.5)"},
      {0, "hydrological variability; the hydraulics step offers the hydrology's index in its place"},
      {0.005f, "valley slope, m/m (0 or below: 0.005); one outside its zone's range (above) is replaced"},
      {0, "catchment area, km2: set it, the flood hydrographs need it (0: \"Catchment area is read as zero\")"},
      {0, "bankfull channel width, m (0: 40 m, with a message); about " + shortestText(hydraulics::kWidthCoefficient) +
              " x Q^" + shortestText(hydraulics::kWidthExponent) + " for a bankfull discharge Q in m3/s"},
      {0, "maximum channel depth, m; 0: the hydraulics step estimates it and every channel value below (leave 0 "
          "unless you give them all)"},
      {0, "bed width as a fraction of the channel width"},
      {0, "macro roughness, m"},
      {0, "micro roughness, m"},
      {0, "maximum energy gradient, m/m"},
      {0, "minimum energy gradient, m/m (estimated as the valley slope)"},
      {0, "shape factor of the gradient's change with depth"},
      {0, "maximum Manning n"},
      {0, "minimum Manning n"},
      {0, "shape factor of Manning n's change with depth"},
      {0, ""}, {0, ""}, {0, ""}, {0, ""}, {0, ""}, {0, ""},  // the observed set, below
  }};
  const auto& names = parameterNames(ArrayKind::SiteParameters);
  // The last six are the gradient and roughness set of the surveyed section.
  constexpr std::size_t kObserved = SiteParameters::count - 6, kMain = kObserved - 6;
  auto comment = [&](std::size_t i) {
    if (i < kObserved) return lines[i].comment;
    return "as " + names.at(kMain + i - kObserved) + ", for the surveyed section (run --section observed); " +
           names.at(kObserved) + " 0: all six are copied from the main set";
  };
  std::string text =
      "# Site parameters (hydrology/hydraulic parameters, request slot 4) of one site, in the order the model\n"
      "# stores them: one name,value a line; '#' starts a comment. Edit the values for the site, then write\n"
      "# them with: oewr host set-array --ini INI --attribute ATTRIBUTE --site ID --kind site-parameters --file FILE\n"
      "# Valley slopes (m/m) each geomorphological zone accepts: " + zoneSlopes() + "\n";
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string entry = names.at(i) + "," + shortestText(lines[i].value);
    text += formatText("%-26s # %s\n", entry, comment(i));
  }
  return text;
}

void addHostOptions(CLI::App* sub, HostOptions& opts) {
  sub->add_option("--ini", opts.ini, "The host's ini file")->required();
  sub->add_option("--alias", opts.alias, "Database alias (default: the ini file's datab_name)");
}

void addTargetOptions(CLI::App* sub, HostOptions& opts) {
  sub->add_option("--attribute", opts.attribute, "Attribute name or code")->required();
  sub->add_option("--site", opts.site, "Site id (spatial record)")->required();
  sub->add_option("--feature", opts.feature, "Feature name or code, where attribute names repeat");
}

}  // namespace

HostCommand::HostCommand(CLI::App& app, std::function<int()>& action) : o_(std::make_unique<HostOptions>()) {
  HostOptions& opts = *o_;
  CLI::App* host = app.add_subcommand(
      "host", "Host database administration: create a database, add features, sites, attributes and requests,\n"
              "write values (flows from CSV, parameters, cross-sections, texts) and export them.");
  host->require_subcommand(1);

  // Runs a sub-command's work, turning an error into a message and exit code 1.
  auto bind = [&action, &opts](CLI::App* sub, std::function<void(HostOptions&)> work) {
    const std::string name = sub->get_name();
    sub->callback([&action, &opts, name, work]() {
      action = [&opts, name, work]() {
        try {
          work(opts);
          return 0;
        } catch (const std::exception& e) {
          std::cerr << "oewr host " << name << ": error: " << e.what() << "\n";
          return 1;
        }
      };
    });
  };

  // ---------------------------------------------------------------- create
  {
    CLI::App* sub = host->add_subcommand("create", "Create a host database under an alias and record it in the ini file");
    sub->add_option("--ini", opts.ini, "The host's ini file (created when missing)")->required();
    sub->add_option("--alias", opts.alias, "Database alias (letters, digits, '_', '-', '.')")->default_val(kDefaultDatabaseName);
    sub->add_option("--dir", opts.dir, "Directory of the alias's tables (created when missing)")->required();
    sub->add_flag("--default", opts.makeDefault, "Make this alias the ini file's datab_name and its directory dat_dir");
    sub->footer(
        "Creates the dictionary tables data_dict1 to data_dict4 and the request table proc_run (tables that\n"
        "exist are kept). The ini file gets [Aliases] NAME=directory, and [Startup] dat_dir and datab_name\n"
        "when it has none yet (or always with --default).");
    bind(sub, [](HostOptions& o) {
      CreateResult r = HostAdmin::createDatabase(o.ini, o.alias, o.dir, o.makeDefault);
      std::cout << "Host database " << r.databaseFile.string() << " under alias " << q(o.alias) << "\n";
      if (!r.createdTables.empty()) {
        std::cout << "Created tables:";
        for (const auto& t : r.createdTables) std::cout << " " << t;
        std::cout << "\n";
      }
      if (!r.keptTables.empty()) {
        std::cout << "Kept existing tables:";
        for (const auto& t : r.keptTables) std::cout << " " << t;
        std::cout << "\n";
      }
      std::cout << "Ini file " << o.ini << " updated\n";
    });
  }

  // ---------------------------------------------------------------- add-feature
  {
    CLI::App* sub = host->add_subcommand("add-feature", "Add a feature (a kind of spatial element, e.g. river sites)");
    addHostOptions(sub, opts);
    sub->add_option("--name", opts.name, "Feature name (at most 40 characters)")->required();
    sub->add_option("--table", opts.table, "Table of the feature's spatial records (its Feature Source)")->required();
    sub->add_option("--id-field", opts.idField, "Name of the integer id field of that table")->default_val("ID");
    sub->add_option("--desc-field", opts.descField, "Name of the name/description field of that table")->default_val("Name");
    bind(sub, [](HostOptions& o) {
      auto opened = openHostAdmin(o);
      HostAdmin& admin = *opened;
      const int code = admin.addFeature(o.name, o.table, o.idField, o.descField);
      std::cout << "Feature " << q(o.name) << " has code " << code << "; its sites go into table "
                << q(normalTableName(o.table)) << "\n";
    });
  }

  // ---------------------------------------------------------------- add-site
  {
    CLI::App* sub = host->add_subcommand("add-site", "Add a site (spatial record) to a feature");
    addHostOptions(sub, opts);
    sub->add_option("--feature", opts.feature, "Feature name or code (may be left out when there is one feature)");
    sub->add_option("--id", opts.id, "The site's integer id, its spatial record number (1 or more)")->required();
    sub->add_option("--name", opts.name, "The site's name (at most 80 characters)")->required();
    bind(sub, [](HostOptions& o) {
      auto opened = openHostAdmin(o);
      HostAdmin& admin = *opened;
      admin.addSite(o.feature, o.id, o.name);
      std::cout << "Site " << o.id << " " << q(trim(o.name)) << " added to feature " << q(admin.feature(o.feature).name)
                << "\n";
    });
  }

  // ---------------------------------------------------------------- add-attribute
  {
    CLI::App* sub = host->add_subcommand("add-attribute", "Add an attribute of a data type to a feature");
    addHostOptions(sub, opts);
    sub->add_option("--feature", opts.feature, "Feature name or code (may be left out when there is one feature)");
    sub->add_option("--name", opts.name, "Attribute name (at most 30 characters)")->required();
    sub->add_option("--type", opts.type,
                    "Data type, name or number: text 0, singleint 1, singlereal 2, timeseries 3, bitmap 4, array 5, "
                    "memo 6, linked 7")
        ->required();
    sub->add_option("--table", opts.table,
                    "Table for its values (default: the table named after the data type, shared by the attributes "
                    "of that type)");
    bind(sub, [](HostOptions& o) {
      auto type = dataTypeFromName(o.type);
      if (!type) throw ModelError("--type: unknown data type " + q(o.type));
      auto opened = openHostAdmin(o);
      HostAdmin& admin = *opened;
      const int code = admin.addAttribute(o.feature, o.name, *type, o.table);
      AttributeInfo a = admin.attribute(std::to_string(code));
      std::cout << "Attribute " << q(a.name) << " has code " << code << " (" << dataTypeName(*type)
                << "); its values go into table " << q(a.table) << "\n";
    });
  }

  // ---------------------------------------------------------------- import-flows
  {
    CLI::App* sub = host->add_subcommand("import-flows", "Import monthly flows from a CSV file into a time-series attribute of a site");
    addHostOptions(sub, opts);
    addTargetOptions(sub, opts);
    sub->add_option("--file", opts.file, "The CSV file")->required();
    sub->add_option("--layout", opts.layout, "auto, long (year,month,value) or wide (start,end,October..September[,Total])")
        ->default_val("auto");
    sub->add_option("--unit", opts.unit, "Unit of the file's values: mcm (million m3), m3 or acre-feet")->default_val("mcm");
    sub->add_option("--na", opts.na,
                    "Missing months (NA or empty): refuse, drop-leading, drop-leading-year, trim or zero")
        ->default_val("refuse");
    sub->add_option("--data-id", opts.dataId, "The series' DataID (default: the attribute's name, e.g. Natural flows)");
    sub->add_option("--area", opts.area, "Catchment area, km2 (stored in the series' Area; default 0)")
        ->check(storedFloatAtLeastZero("km2"));
    sub->footer(
        "Layouts: long = one month a row, year,month,value, header optional; wide = one hydrological year a\n"
        "row, start,end then October to September, an optional Total (ignored). The file may be UTF-8 (with\n"
        "or without its byte-order mark) or UTF-16 with its byte-order mark. Months must follow one another\n"
        "without gaps, duplicates or changes of order.\n"
        "Missing months (NA or an empty cell):\n"
        "  refuse             an error naming the line and column (default)\n"
        "  drop-leading       the series starts at the first month with a value\n"
        "  drop-leading-year  as drop-leading, then on to the next October, so that the series starts with\n"
        "                     a whole hydrological year (the model expects natural flows to start in October)\n"
        "  trim               missing months at the start and at the end are dropped\n"
        "  zero               every missing month is stored as 0\n"
        "Missing months that the choice does not cover stay an error. Values are stored in million m3\n"
        "(1 acre-foot = 1233.48183754752 m3) with Time Units 4 (month), Time Int. 1, Time Int. Type 1,\n"
        "Var. Type 3 (volume), Var. Unit 4 (million m3), MD Code -999, Scale 1; GeogID is the site's name,\n"
        "Start Date and End Date the first day of the first and the last month. On any error nothing changes.\n" +
        formatText("A record of more than %d months, more than the model's hydrology analyses, is stored with a "
                   "warning.",
                   hydrology::kMaxAnalysedMonths));
    bind(sub, [](HostOptions& o) {
      FlowCsvOptions opt;
      auto layout = flowLayoutFromName(o.layout);
      if (!layout) throw ModelError("--layout: " + q(o.layout) + " is not auto, long or wide");
      auto unit = flowUnitFromName(o.unit);
      if (!unit) throw ModelError("--unit: " + q(o.unit) + " is not mcm, m3 or acre-feet");
      auto na = missingMonthsFromName(o.na);
      if (!na) throw ModelError("--na: " + q(o.na) + " is not refuse, drop-leading, drop-leading-year, trim or zero");
      opt.layout = *layout;
      opt.unit = *unit;
      opt.missing = *na;
      auto opened = openHostAdmin(o);
      HostAdmin& admin = *opened;
      MonthlyFlowSeries s;
      WriteResult r = admin.importMonthlyFlows(target(o), o.file, opt, o.dataId, static_cast<float>(o.area), &s);
      std::cout << "Imported " << s.values.size() << " months ("
                << formatText("%04d-%02d to %04d-%02d", s.startYear, s.startMonth, s.endYear(), s.endMonth())
                << ", " << (s.layout == FlowLayout::Wide ? "wide" : "long") << " layout, " << flowUnitName(opt.unit)
                << ") into " << q(admin.attribute(o.attribute, o.feature).name) << " of site " << o.site << ": "
                << describeWrite(r) << "\n";
      if (s.missingDropped > 0) std::cout << "Missing months left out: " << s.missingDropped << "\n";
      if (s.missingZeroed > 0) std::cout << "Missing months stored as 0: " << s.missingZeroed << "\n";
      if (s.startMonth != 10) std::cout << "Note: the series starts in month " << s.startMonth << ", not October\n";
      // The host keeps any record; the model's hydrology holds fewer months.
      constexpr int kMonths = hydrology::kMaxAnalysedMonths;
      if (s.values.size() > static_cast<std::size_t>(kMonths))
        std::cerr << formatText("Warning: the record is longer than the model can run: its hydrology analyses at "
                                "most %d months (%d years and %d months) of a series, and the record has %d. It "
                                "is stored as given; for a run, import at most %d months (e.g. the last %d "
                                "hydrological years).\n",
                                kMonths, kMonths / 12, kMonths % 12, static_cast<int>(s.values.size()), kMonths,
                                kMonths / 12);
    });
  }

  // ---------------------------------------------------------------- set-text
  {
    CLI::App* sub = host->add_subcommand("set-text", "Write a text value (e.g. the site name) of a site");
    addHostOptions(sub, opts);
    addTargetOptions(sub, opts);
    sub->add_option("--text", opts.text, "The text (at most 80 characters)")->required();
    bind(sub, [](HostOptions& o) {
      auto opened = openHostAdmin(o);
      HostAdmin& admin = *opened;
      const WriteResult r = admin.setText(target(o), o.text);
      std::cout << "Text written: " << describeWrite(r) << "\n";
    });
  }

  // ---------------------------------------------------------------- set-number
  {
    CLI::App* sub = host->add_subcommand("set-number", "Write a singleint or singlereal value of a site");
    addHostOptions(sub, opts);
    addTargetOptions(sub, opts);
    sub->add_option("--value", opts.number, "The number")->required();
    bind(sub, [](HostOptions& o) {
      auto opened = openHostAdmin(o);
      HostAdmin& admin = *opened;
      AttributeInfo a = admin.attribute(o.attribute, o.feature);
      WriteResult r;
      if (a.dataType == kSingleInt) {
        long long v = 0;
        if (!parseInteger(o.number, v) || v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
          throw ModelError("--value: " + quoteHead(o.number) + " is not a 32-bit integer");
        r = admin.setInteger(target(o), static_cast<int32_t>(v));
      } else {
        std::string why;
        const auto v = storedFloat(o.number, why);
        if (!v) throw ModelError("--value: " + quoteHead(o.number) + " " + why);
        r = admin.setReal(target(o), *v);
      }
      std::cout << "Value written: " << describeWrite(r) << "\n";
    });
  }

  // ---------------------------------------------------------------- set-memo
  {
    CLI::App* sub = host->add_subcommand("set-memo", "Write a memo value of a site from text or a text file");
    addHostOptions(sub, opts);
    addTargetOptions(sub, opts);
    auto* text = sub->add_option("--text", opts.text, "The memo text");
    auto* file = sub->add_option("--file", opts.file, "A text file holding the memo");
    text->excludes(file);
    sub->add_option("--title", opts.title, "The memo's title");
    sub->add_option("--date", opts.date, "Date YYYY-MM-DD (default: today)");
    bind(sub, [](HostOptions& o) {
      if (o.text.empty() && o.file.empty()) throw ModelError("give --text or --file");
      MemoValue m{o.title, o.date, o.file.empty() ? o.text : readTextFile(o.file)};
      auto opened = openHostAdmin(o);
      HostAdmin& admin = *opened;
      const WriteResult r = admin.setMemo(target(o), m);
      std::cout << "Memo written: " << describeWrite(r) << "\n";
    });
  }

  // ---------------------------------------------------------------- set-array
  {
    CLI::App* sub = host->add_subcommand("set-array", "Write an array value of a site: parameters, a cross-section, rating segments or a table");
    addHostOptions(sub, opts);
    addTargetOptions(sub, opts);
    // --template writes no value, so it needs no host.
    for (const char* name : {"--ini", "--attribute", "--site"}) {
      CLI::Option* option = sub->get_option(name);
      option->required(false)->description(option->get_description() + " (required unless --template)");
    }
    sub->add_option("--kind", opts.kind,
                    "site-parameters, ecological-parameters, flood-parameters, cross-section, rating or table")
        ->required();
    auto* values = sub->add_option("--values", opts.values, "The numbers, separated by commas (write --values=-1,2 when the first is negative)");
    auto* file = sub->add_option("--file", opts.file, "A file holding the numbers");
    values->excludes(file);
    auto* templ = sub->add_flag("--template", opts.writeTemplate,
                                "Print a file of site parameters to start from, every line named and explained "
                                "(with --kind site-parameters), and write nothing");
    templ->excludes(values)->excludes(file);
    sub->add_option("--rows", opts.rows, "Rows of a table given with --values");
    sub->add_option("--columns", opts.columns, "Columns of a table given with --values");
    sub->add_option("--title", opts.title, "Title (default: the kind's own)");
    sub->add_option("--format", opts.format, "Format, the host's column-template name (default: the kind's own)");
    sub->add_option("--date", opts.date, "Date YYYY-MM-DD (default: today)");
    sub->footer(
        "Kinds and their values (in a file: one value or 'name,value' a line for parameters, one row a line\n"
        "otherwise; '#' starts a comment; a first line of words is a header):\n"
        "  site-parameters        24 values, slot 4 (Format OEWR_hyd_hydraulic_parameters.txp)\n"
        "  ecological-parameters  27 values, slot 5 (Format OEWR_Ecological_parameters.txp)\n"
        "  flood-parameters       25 values, 5 categories of depth, frequency, events, catchment shape,\n"
        "                         river slope (Format OEWR_SavedFlood_parameters.txp), slot 6\n"
        "  cross-section          distance,elevation points (2 to 400), slots 7 and 8; stored as Rows\n"
        "                         distances then Rows elevations with a closing row of -999\n"
        "  rating                 A,B,C,D segments (1 to 11; depth = C + A x Q^B up to discharge D), slot 9;\n"
        "                         stored as 15 rows\n"
        "  table                  any table: a file of rows, or --values column after column with --rows and\n"
        "                         --columns\n"
        "--kind site-parameters --template prints a file to start from: the 24 values by name, each with\n"
        "what it is and a starting value.");
    bind(sub, [sub](HostOptions& o) {
      auto kind = arrayKindFromName(o.kind);
      if (!kind) throw ModelError("--kind: " + quoteHead(o.kind) + " is not a kind of array");
      if (o.writeTemplate) {
        if (*kind != ArrayKind::SiteParameters) throw ModelError("--template: only --kind site-parameters has one");
        std::cout << siteParametersTemplate();
        return;
      }
      for (const char* name : {"--ini", "--attribute", "--site"})
        if (sub->get_option(name)->count() == 0) throw ModelError(std::string(name) + " is required");
      ArrayValue a;
      if (!o.file.empty()) a = arrayFromText(*kind, readTextFile(o.file), o.file);
      else if (!o.values.empty()) a = arrayFromNumbers(*kind, numbersFromList(o.values, "--values"), o.rows, o.columns);
      else throw ModelError("give --values or --file");
      if (!o.title.empty()) a.title = o.title;
      if (!o.format.empty()) a.format = o.format;
      a.date = o.date;
      auto opened = openHostAdmin(o);
      HostAdmin& admin = *opened;
      const WriteResult r = admin.setArray(target(o), a);
      std::cout << "Array written (" << a.rows << " rows, " << a.columns << " columns, " << a.data.size()
                << " values): " << describeWrite(r) << "\n";
    });
  }

  // ---------------------------------------------------------------- set-link
  {
    CLI::App* sub = host->add_subcommand("set-link", "Make a linked attribute of a site name another site's attribute");
    addHostOptions(sub, opts);
    addTargetOptions(sub, opts);
    sub->add_option("--to-attribute", opts.toAttribute, "The attribute that holds the value (name or code)")->required();
    sub->add_option("--to-site", opts.toSite, "The site that holds the value")->required();
    sub->add_option("--to-feature", opts.toFeature, "Feature of --to-attribute, where attribute names repeat");
    bind(sub, [](HostOptions& o) {
      auto opened = openHostAdmin(o);
      HostAdmin& admin = *opened;
      WriteResult r = admin.setLink(target(o), {o.toAttribute, o.toSite, o.toFeature});
      std::cout << "Link written: " << describeWrite(r) << "\n";
    });
  }

  // ---------------------------------------------------------------- add-request
  {
    CLI::App* sub = host->add_subcommand("add-request", "Add a request record for the model (EXE new_oewr.exe)");
    addHostOptions(sub, opts);
    sub->add_option("--site", opts.site, "Site id (the request's spatial input)")->required();
    sub->add_option("--feature", opts.feature, "Feature of the site (may be left out when there is one feature)");
    sub->add_option("--description", opts.description, "Description (at most 40 characters)")->required();
    sub->add_option("--date", opts.date, "Date YYYY-MM-DD (default: today)");
    sub->add_option("--slot", opts.slots, "SLOT=ATTRIBUTE, repeated; SLOT a number or a name below, ATTRIBUTE a name or code");
    sub->add_option("--slots", opts.slotCount, "Number of slots in the attribute list")->default_val(kRequestSlotCount);
    std::string slotHelp = "Slots:\n";
    for (const auto& s : modelSlots())
      slotHelp += formatText("  %2d %-24s %s (%s)\n", s.slot, s.name, s.description, dataTypeName(s.dataType));
    slotHelp += "Slots 0 to 2 are not read by the model; a slot without an attribute holds 0.\n"
                "Prints the request's record number, which `oewr run --record` takes.";
    sub->footer(slotHelp);
    bind(sub, [](HostOptions& o) {
      if (o.slotCount < 1 || o.slotCount > kAttributeSlots)
        throw ModelError("--slots: " + std::to_string(o.slotCount) + " is not 1 to " + std::to_string(kAttributeSlots));
      auto opened = openHostAdmin(o);
      HostAdmin& admin = *opened;
      std::vector<int32_t> codes(static_cast<std::size_t>(o.slotCount), 0);
      const std::string featureName = admin.feature(o.feature).name;
      for (const auto& entry : o.slots) {
        const std::size_t eq = entry.find('=');
        if (eq == std::string::npos) throw ModelError("--slot " + q(entry) + ": write SLOT=ATTRIBUTE");
        auto slot = slotFromName(trim(entry.substr(0, eq)));
        if (!slot) throw ModelError("--slot " + q(entry) + ": " + q(trim(entry.substr(0, eq))) + " is not a slot");
        if (*slot >= o.slotCount)
          throw ModelError("--slot " + q(entry) + ": slot " + std::to_string(*slot) + " lies beyond the " +
                           std::to_string(o.slotCount) + " slots of the list");
        codes[static_cast<std::size_t>(*slot)] = admin.attribute(trim(entry.substr(eq + 1)), featureName).code;
      }
      const int rec = admin.addRequest(o.description, o.date, o.feature, o.site, codes);
      std::cout << "Request record " << rec << " added\n";
    });
  }

  // ---------------------------------------------------------------- list
  {
    CLI::App* sub = host->add_subcommand("list", "List features, sites, attributes or requests");
    addHostOptions(sub, opts);
    sub->add_option("what", opts.what, "features, sites, attributes or requests")->required();
    sub->add_option("--feature", opts.feature, "Feature of the sites or attributes to list");
    bind(sub, [](HostOptions& o) {
      auto opened = openHostAdmin(o, HostAccess::ReadOnly);
      HostAdmin& admin = *opened;
      const std::string w = toLower(o.what);
      if (w == "features") {
        std::cout << formatText("%-5s %-30s %-20s %-12s %s\n", "Code", "Feature Name", "Feature Source", "IDField", "DescField");
        for (const auto& f : admin.features())
          std::cout << formatText("%-5d %-30s %-20s %-12s %s\n", f.code, f.name, f.sourceTable, f.idField, f.descField);
      } else if (w == "sites") {
        std::cout << formatText("%-10s %s\n", "Id", "Name");
        for (const auto& s : admin.sites(o.feature)) std::cout << formatText("%-10d %s\n", s.id, s.name);
      } else if (w == "attributes") {
        std::cout << formatText("%-5s %-7s %-30s %-11s %-20s %8s %7s\n", "Code", "Feature", "Attribute Name", "Datatype",
                                "Table", "Max. Rec", "Values");
        for (const auto& a : admin.attributes(o.feature))
          std::cout << formatText("%-5d %-7d %-30s %-11s %-20s %8d %7d\n", a.code, a.featureCode, a.name,
                                  dataTypeName(a.dataType), a.stored ? a.table : std::string("-"), a.maxRec,
                                  admin.valueCount(a.code));
      } else if (w == "requests") {
        std::cout << formatText("%-6s %-10s %-14s %-6s %-40s %s\n", "Record", "Date", "EXE", "Site", "Description",
                                "Attribute List (slot 0 on)");
        for (const auto& r : admin.requests()) {
          std::string list;
          for (auto c : r.attributeCodes) list += (list.empty() ? "" : ",") + std::to_string(c);
          std::cout << formatText("%-6d %-10s %-14s %-6s %-40s %s\n", r.recordNumber, r.date, r.exe,
                                  r.spatialInputs.empty() ? std::string("-") : std::to_string(r.spatialInputs[0]),
                                  r.description, list);
        }
      } else {
        throw ModelError(q(o.what) + " is not features, sites, attributes or requests");
      }
    });
  }

  // ---------------------------------------------------------------- export
  {
    CLI::App* sub = host->add_subcommand("export", "Export a site's value of an attribute to a file");
    addHostOptions(sub, opts);
    addTargetOptions(sub, opts);
    sub->add_option("--out", opts.out, "Output file; - for standard output")->default_val("-");
    sub->add_option("--decimals", opts.decimals,
                    "Decimals of the numbers, 0 to 15 (default: 6 for time series, the shortest exact form for "
                    "arrays)")
        ->check(wholeNumberIn(0, 15));
    sub->footer(
        "A time series becomes CSV year,month,value in million m3; an array CSV (parameters as name,value,\n"
        "a cross-section as distance,elevation, rating segments as A,B,C,D, other tables Rows x Columns);\n"
        "a memo or text its text. A record whose data do not fit its header is an error.");
    bind(sub, [](HostOptions& o) {
      auto opened = openHostAdmin(o, HostAccess::ReadOnly);
      HostAdmin& admin = *opened;
      const std::string text = admin.exportValue(target(o), o.decimals);
      writeTextFile(o.out, text);
      if (o.out != "-") std::cout << "Written " << o.out << "\n";
    });
  }
}

HostCommand::~HostCommand() = default;

}  // namespace oewr::cli
