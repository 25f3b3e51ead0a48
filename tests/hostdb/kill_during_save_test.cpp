// A program killed while it saves leaves the host database whole: a child
// process saves array records, and sets of results (two tables, two series
// and a report saved together as the final analysis does), through the
// saving layer in a loop and is killed with SIGKILL at random moments; after
// each kill the database must pass SQLite's integrity check, every dictionary
// row must point at a record that exists, every Max. Rec must cover its
// table's RECIDs, no record may be half written, each site's set of results
// must be whole (all five from one save, or none), and every save the child
// saw committed must be there.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <map>
#include <random>
#include <thread>

#include "host_fixture.h"
#include "hostdb/host_admin.h"
#include "hostdb/sqlite_connection.h"
#include "hostdb/timeseries_codec.h"

using namespace oewr;
using namespace oewr::hostdb;
using oewr::testing::kAlias;
using oewr::testing::ScriptedUi;
using oewr::testing::TempDir;

namespace {

constexpr int kSites = 30;
constexpr int kSavedXsSlot = 7;
constexpr const char* kFeature = "Sites";
// The result set: two tables (slots 13, 14), two series (15, 16), a report (17).
constexpr int kFirstResultSlot = 13;
constexpr int kResultSlots = 5;
constexpr int kResultSetSlot = -1;  // what a report of a set save names as its slot
constexpr int kSeriesMonths = 360;

// What the child tells the parent after each save that returned.
struct SaveReport {
  int32_t seq;
  int32_t slot;
  int32_t site;
};

struct KillHost {
  TempDir dir;
  std::filesystem::path ini = dir.path() / "teravox.ini";
  std::filesystem::path dbDir = dir.path() / "db";
  int ecologyCode = 0;
  int crossSectionCode = 0;
  std::array<int, kResultSlots> resultCodes{};

  KillHost() {
    HostAdmin::createDatabase(ini, kAlias, dbDir, true);
    HostAdmin admin(ini, kAlias);
    admin.addFeature(kFeature, "sites");
    for (int site = 1; site <= kSites; ++site) admin.addSite(kFeature, site, "Site " + std::to_string(site));
    ecologyCode = admin.addAttribute(kFeature, "Ecological parameters", kArray);
    crossSectionCode = admin.addAttribute(kFeature, "Saved cross-section", kArray);
    const std::pair<const char*, int> results[kResultSlots] = {{"Total assurance", kArray},
                                                               {"Low assurance", kArray},
                                                               {"Total EWR series", kTimeseries},
                                                               {"Low EWR series", kTimeseries},
                                                               {"Report", kMemo}};
    for (int k = 0; k < kResultSlots; ++k)
      resultCodes[static_cast<std::size_t>(k)] = admin.addAttribute(kFeature, results[k].first, results[k].second);
  }
};

// One save of the five results, each stamped with `seq`: the first value of
// the tables and series, the first line of the report.
std::vector<SlotWrite> resultSet(int32_t seq, std::mt19937& rng) {
  const float stamp = static_cast<float>(seq);
  std::vector<float> table(17 * 13, 0.5f);
  table[0] = stamp;
  TimeSeriesHeader h;
  h.geogId = "Total Flow EWR for B";
  h.timeUnit = 3;
  h.varType = 2;
  h.varUnit = 4;
  h.startYear = 1920;
  h.startMonth = 10;
  h.startDay = 1;
  h.endYear = 1950;
  h.endMonth = 9;
  h.endDay = 1;
  h.count = kSeriesMonths;
  std::vector<float> series(kSeriesMonths, 2.0f);
  series[0] = stamp;
  const std::string report = "run " + std::to_string(seq) + "\r\n" + std::string(rng() % 20000, 'x');
  return {arrayRecordWrite(13, "IFR Total Ass. ClassB", 17, 13, "durc.txp", table),
          arrayRecordWrite(14, "IFR Lowflow Ass. ClassB", 17, 13, "durc.txp", table),
          timeSeriesRecordWrite(15, h, series), timeSeriesRecordWrite(16, h, series),
          memoRecordWrite(17, "MEOR Report", report)};
}

// The child: saves forever, in turn the ecological parameters of slot 5, a
// saved cross-section of slot 7 of random size and a set of results, each
// stamped with its sequence number. Never returns.
[[noreturn]] void saveUntilKilled(const KillHost& host, int reportFd, int32_t firstSeq, unsigned seed) {
  try {
    ScriptedUi ui;
    HostSession session({{kAlias, host.dbDir.string()}});
    Ttxtab tx(session, kAlias, ui);
    Ttable_save dialog;
    auto state = makeModelState();
    state->site.databaseName = kAlias;
    state->site.attributeCodes[kEcologicalSlot] = host.ecologyCode;
    state->site.attributeCodes[kSavedXsSlot] = host.crossSectionCode;
    for (int k = 0; k < kResultSlots; ++k)
      state->site.attributeCodes[kFirstResultSlot + k] = host.resultCodes[static_cast<std::size_t>(k)];
    std::mt19937 rng(seed);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (int32_t seq = firstSeq; std::chrono::steady_clock::now() < until; ++seq) {
      const int32_t site = 1 + static_cast<int32_t>(rng() % kSites);
      state->site.requestSpatialRecord = site;
      bool saved = false;
      int32_t slot = 0;
      if (seq % 3 == 0) {
        slot = kEcologicalSlot;
        state->site.maxBaseflowExceedence = seq;
        state->site.fsWeight[0] = static_cast<float>(rng() % 100);
        saved = saveEcologicalParameters(*state, tx, dialog);
      } else if (seq % 3 == 2) {
        slot = kResultSetSlot;
        saved = saveSlotRecords(*state, tx, dialog, resultSet(seq, rng)) == kResultSlots;
      } else {
        slot = kSavedXsSlot;
        const int rows = 1 + static_cast<int>(rng() % 400);
        std::vector<float> data(static_cast<std::size_t>(2 * rows), 1.5f);
        data[0] = static_cast<float>(seq);
        saved = saveArrayAttribute(*state, tx, dialog, kSavedXsSlot, "Channel X-Section", rows, 2, "XSection.txp", data);
      }
      if (!saved) _exit(3);
      const SaveReport report{seq, slot, site};
      if (write(reportFd, &report, sizeof report) != static_cast<ssize_t>(sizeof report)) _exit(4);
    }
    _exit(5);  // never killed: the parent stopped waiting
  } catch (const std::exception& e) {
    std::fprintf(stderr, "saving child: %s\n", e.what());
    _exit(2);
  }
}

bool waitReadable(int fd, int timeoutMs) {
  pollfd p{fd, POLLIN, 0};
  return poll(&p, 1, timeoutMs) == 1;
}

std::vector<SaveReport> readReports(int fd) {
  std::vector<SaveReport> out;
  SaveReport r{};
  while (read(fd, &r, sizeof r) == static_cast<ssize_t>(sizeof r)) out.push_back(r);
  return out;
}

// The highest RECID of a table, from its own records.
int64_t highestRecid(HostSession& session, const std::string& table) {
  HostTable t(session, kAlias, table);
  t.open();
  int64_t best = 0;
  for (t.first(); !t.eof(); t.next()) best = std::max(best, t.field("RECID").asInteger());
  return best;
}

// Checks the database as a host would find it after the crash; `committed`
// holds, by (slot, site), the last sequence number the child saw saved.
void checkDatabase(const KillHost& host, const std::map<std::pair<int, int>, int32_t>& committed, int round) {
  SCOPED_TRACE("after kill " + std::to_string(round));
  HostSession session({{kAlias, host.dbDir.string()}});
  {
    Statement check(session.connection(kAlias), "PRAGMA integrity_check");
    ASSERT_TRUE(check.step());
    EXPECT_EQ(check.column(0).asText(), "ok");
  }

  // Storage entries: attribute code → table, and each table's highest RECID.
  std::map<int64_t, std::string> tableOf;
  HostTable ddt3(session, kAlias, kDict3);
  ddt3.open();
  for (ddt3.first(); !ddt3.eof(); ddt3.next()) {
    const std::string table = ddt3.field("Table Name").asText();
    tableOf[ddt3.field("Attribute Code").asInteger()] = table;
    EXPECT_GE(ddt3.field("Max. Rec").asInteger(), highestRecid(session, table))
        << "Max. Rec of attribute " << ddt3.field("Attribute Code").asInteger() << " is below a RECID in use";
  }

  // Every value a site holds points at an existing record.
  std::map<std::pair<int64_t, int64_t>, int64_t> recordOf;
  HostTable ddt4(session, kAlias, kDict4);
  ddt4.open();
  for (ddt4.first(); !ddt4.eof(); ddt4.next()) {
    const int64_t code = ddt4.field("Attribute Code").asInteger();
    const int64_t site = ddt4.field("Spatial Record").asInteger();
    const int64_t recid = ddt4.field("Table Record").asInteger();
    ASSERT_TRUE(tableOf.count(code)) << "data_dict4 names attribute " << code << " without a storage entry";
    HostTable data(session, kAlias, tableOf[code]);
    data.open();
    EXPECT_TRUE(data.findKey({FieldValue(recid)}))
        << "attribute " << code << " of site " << site << " points at missing record " << recid;
    recordOf[{code, site}] = recid;
  }

  // No array record is half written.
  HostTable arrays(session, kAlias, "array");
  arrays.open();
  for (arrays.first(); !arrays.eof(); arrays.next()) {
    const std::string format = arrays.field("Format").asText();
    const int64_t values = format == kEcologicalParametersFormat
                               ? 27
                               : arrays.field("Rows").asInteger() * arrays.field("Columns").asInteger();
    EXPECT_EQ(static_cast<int64_t>(arrays.readBlob("Data").size()), values * 4)
        << "record " << arrays.field("RECID").asInteger() << " (" << format << ")";
  }

  // No series record is half written.
  HostTable series(session, kAlias, "timeseries");
  series.open();
  for (series.first(); !series.eof(); series.next())
    EXPECT_EQ(static_cast<int64_t>(series.readBlob("Data").size()), series.field("No. Records").asInteger() * 4)
        << "series record " << series.field("RECID").asInteger();

  // Each site's results are one whole set: all five of one save, or none.
  HostTable memos(session, kAlias, "memo");
  memos.open();
  auto stampOf = [&](int k, int64_t recid) -> int64_t {
    if (k == 4) {
      if (!memos.findKey({FieldValue(recid)})) return -1;
      const std::string text = memos.field("Memo").asText();
      return std::stoll(text.substr(4, text.find('\r') - 4));
    }
    HostTable& t = k < 2 ? arrays : series;
    if (!t.findKey({FieldValue(recid)})) return -1;
    const std::vector<float> data = blobToFloats(t.readBlob("Data"));
    return data.empty() ? -1 : static_cast<int64_t>(data[0]);
  };
  std::map<int, int64_t> setOf;  // site → the stamp of its whole set
  for (int site = 1; site <= kSites; ++site) {
    std::vector<int64_t> stamps;
    for (int k = 0; k < kResultSlots; ++k) {
      auto at = recordOf.find({host.resultCodes[static_cast<std::size_t>(k)], site});
      stamps.push_back(at == recordOf.end() ? -2 : stampOf(k, at->second));
    }
    const bool none = std::all_of(stamps.begin(), stamps.end(), [](int64_t v) { return v == -2; });
    if (none) continue;
    EXPECT_TRUE(std::all_of(stamps.begin(), stamps.end(), [&](int64_t v) { return v == stamps[0] && v >= 0; }))
        << "site " << site << " holds results of different saves: " << stamps[0] << ", " << stamps[1] << ", "
        << stamps[2] << ", " << stamps[3] << ", " << stamps[4];
    setOf[site] = stamps[0];
  }

  // Every save the child saw return is in the database (or a later one).
  for (const auto& [key, seq] : committed) {
    if (key.first == kResultSetSlot) {
      ASSERT_TRUE(setOf.count(key.second)) << "the results saved for site " << key.second << " are lost";
      EXPECT_GE(setOf[key.second], seq) << "results of site " << key.second;
      continue;
    }
    const int code = key.first == kEcologicalSlot ? host.ecologyCode : host.crossSectionCode;
    auto at = recordOf.find({code, key.second});
    ASSERT_NE(at, recordOf.end()) << "the save of slot " << key.first << " for site " << key.second << " is lost";
    ASSERT_TRUE(arrays.findKey({FieldValue(at->second)}));
    const std::vector<float> data = blobToFloats(arrays.readBlob("Data"));
    ASSERT_FALSE(data.empty());
    EXPECT_GE(data[0], static_cast<float>(seq)) << "slot " << key.first << ", site " << key.second;
  }
}

}  // namespace

TEST(KillDuringSave, ADatabaseWhoseSavingProgramIsKilledStaysWholeAndKeepsEveryCommittedSave) {
  KillHost host;
  std::mt19937 rng(20170803);
  std::map<std::pair<int, int>, int32_t> committed;
  int saves = 0;
  constexpr int kKills = 10;
  for (int round = 0; round < kKills; ++round) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    std::fflush(nullptr);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(fds[0]);
      saveUntilKilled(host, fds[1], round * 100000, rng());
    }
    close(fds[1]);
    // Kill it 20 to 200 ms after its first save returned, somewhere inside a later one.
    const bool started = waitReadable(fds[0], 10000);
    if (started) std::this_thread::sleep_for(std::chrono::milliseconds(20 + rng() % 181));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    const std::vector<SaveReport> reports = readReports(fds[0]);
    close(fds[0]);
    ASSERT_TRUE(started) << "the saving child saved nothing in 10 s";
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
        << "the saving child ended by itself with status " << (WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    for (const SaveReport& r : reports) committed[{r.slot, r.site}] = r.seq;
    saves += static_cast<int>(reports.size());
    checkDatabase(host, committed, round + 1);
    if (::testing::Test::HasFatalFailure()) return;
  }
  RecordProperty("saves", saves);

  // The database is still in use: one more save goes through.
  ScriptedUi ui;
  HostSession session({{kAlias, host.dbDir.string()}});
  Ttxtab tx(session, kAlias, ui);
  Ttable_save dialog;
  auto state = makeModelState();
  state->site.databaseName = kAlias;
  state->site.attributeCodes[kEcologicalSlot] = host.ecologyCode;
  state->site.requestSpatialRecord = 1;
  state->site.maxBaseflowExceedence = 15;
  EXPECT_TRUE(saveEcologicalParameters(*state, tx, dialog));
  EXPECT_TRUE(ui.messages.empty());
}
