// A program killed while it saves leaves the host database whole: a child
// process saves array records through the saving layer in a loop and is
// killed with SIGKILL at random moments; after each kill the database must
// pass SQLite's integrity check, every dictionary row must point at a record
// that exists, every Max. Rec must cover its table's RECIDs, no record may be
// half written, and every save the child saw committed must be there.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <random>
#include <thread>

#include "host_fixture.h"
#include "hostdb/host_admin.h"
#include "hostdb/sqlite_connection.h"

using namespace oewr;
using namespace oewr::hostdb;
using oewr::testing::kAlias;
using oewr::testing::ScriptedUi;
using oewr::testing::TempDir;

namespace {

constexpr int kSites = 30;
constexpr int kSavedXsSlot = 7;
constexpr const char* kFeature = "Sites";

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

  KillHost() {
    HostAdmin::createDatabase(ini, kAlias, dbDir, true);
    HostAdmin admin(ini, kAlias);
    admin.addFeature(kFeature, "sites");
    for (int site = 1; site <= kSites; ++site) admin.addSite(kFeature, site, "Site " + std::to_string(site));
    ecologyCode = admin.addAttribute(kFeature, "Ecological parameters", kArray);
    crossSectionCode = admin.addAttribute(kFeature, "Saved cross-section", kArray);
  }
};

// The child: saves forever, alternating the ecological parameters of slot 5
// and a saved cross-section of slot 7 of random sizes, each stamped with its
// sequence number as its first value. Never returns.
[[noreturn]] void saveUntilKilled(const KillHost& host, int reportFd, int32_t firstSeq, unsigned seed) {
  try {
    ScriptedUi ui;
    HostSession session({{kAlias, host.dbDir.string()}});
    Ttxtab tx(session, kAlias, ui);
    Ttable_save dialog;
    auto state = makeModelState();
    state->databaseName = kAlias;
    state->attributeCodes[kEcologicalSlot] = host.ecologyCode;
    state->attributeCodes[kSavedXsSlot] = host.crossSectionCode;
    std::mt19937 rng(seed);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (int32_t seq = firstSeq; std::chrono::steady_clock::now() < until; ++seq) {
      const int32_t site = 1 + static_cast<int32_t>(rng() % kSites);
      state->requestSpatialRecord = site;
      bool saved = false;
      int32_t slot = 0;
      if (seq % 2 == 0) {
        slot = kEcologicalSlot;
        state->maxBaseflowExceedence = seq;
        state->fsWeight[0] = static_cast<float>(rng() % 100);
        saved = saveEcologicalParameters(*state, tx, dialog);
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

  // Every save the child saw return is in the database (or a later one).
  for (const auto& [key, seq] : committed) {
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
  state->databaseName = kAlias;
  state->attributeCodes[kEcologicalSlot] = host.ecologyCode;
  state->requestSpatialRecord = 1;
  state->maxBaseflowExceedence = 15;
  EXPECT_TRUE(saveEcologicalParameters(*state, tx, dialog));
  EXPECT_TRUE(ui.messages.empty());
}
