#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <future>
#include <thread>

#include "hostdb/blob_codec.h"
#include "hostdb/table_save.h"
#include "host_fixture.h"

using namespace oewr;
using namespace oewr::hostdb;
using oewr::testing::HostFixture;
using oewr::testing::kAlias;

namespace {

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Slot 5 holds array attribute 50; `storage` says how far the host has got:
// 0 no table yet, 1 a storage entry without a record of site 100, 2 with one.
void arraySlot(HostFixture& f, int storage) {
  f.addAttribute(50, "Ecological parameters", kArray);
  f.state->site.attributeCodes[kEcologicalSlot] = 50;
  f.state->site.maxBaseflowExceedence = 20;
  if (storage == 0) return;
  f.makeTable("array", kArray);
  f.addStorage(50, 1, "array", 1);
  f.addArrayRecord("array", 1, storage == 2 ? "site 100" : "another site", {1.0f});
  if (storage == 2) f.addLink(50, 100, 1);
}

void failAfterWriting(HostTable& record) {
  record.setField("Title", "half written");
  record.writeBlob("Data", floatsToBlob({9.0f, 9.0f}));
  record.post();
  throw ModelError("injected failure");
}

// Another program's connection that holds the database's write lock from
// its construction until release(), or until `holdFor` has passed.
class LockHolder {
 public:
  LockHolder(const std::filesystem::path& file, std::chrono::milliseconds holdFor) {
    auto locked = lockedPromise_.get_future();
    auto release = releasePromise_.get_future();
    thread_ = std::thread([file, holdFor, this, release = std::move(release)]() mutable {
      sqlite3* db = nullptr;
      sqlite3_open(file.string().c_str(), &db);
      lockedPromise_.set_value(sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr));
      release.wait_for(holdFor);
      sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
      sqlite3_close(db);
    });
    lockResult_ = locked.get();
  }
  ~LockHolder() { release(); }
  LockHolder(const LockHolder&) = delete;
  LockHolder& operator=(const LockHolder&) = delete;
  int lockResult() const { return lockResult_; }
  void release() {
    if (!thread_.joinable()) return;
    releasePromise_.set_value();
    thread_.join();
  }

 private:
  std::promise<int> lockedPromise_;
  std::promise<void> releasePromise_;
  std::thread thread_;
  int lockResult_ = -1;
};

}  // namespace

class FailedSave : public ::testing::TestWithParam<int> {};

TEST_P(FailedSave, AFailureAfterTheDataRecordWasWrittenLeavesTheDatabaseAsItWas) {
  HostFixture f;
  arraySlot(f, GetParam());
  f.tx->ddt3.open();  // open cursors must not keep rows the rollback removed
  f.tx->ddt4.open();
  const std::string before = f.dump();

  try {
    saveSlotRecord(*f.state, *f.tx, f.dialog, kEcologicalSlot, kArray, failAfterWriting);
    FAIL() << "the failure was not passed on";
  } catch (const ModelError& e) {
    EXPECT_TRUE(contains(e.what(), "nothing was saved")) << e.what();
    EXPECT_TRUE(contains(e.what(), "injected failure")) << e.what();
  }
  EXPECT_EQ(f.dump(), before);
  EXPECT_FALSE(f.session.inTransaction());
  EXPECT_FALSE(f.tx->DTable.active());
  ASSERT_TRUE(f.tx->ddt3.active());
  EXPECT_EQ(f.tx->ddt3.recordCount(), GetParam() == 0 ? 0 : 1);
  EXPECT_EQ(f.tx->ddt4.recordCount(), GetParam() == 2 ? 1 : 0);

  // A field error on the way (a row count beyond a 16-bit field) is undone too.
  EXPECT_THROW(saveArrayAttribute(*f.state, *f.tx, f.dialog, kEcologicalSlot, "t", 40000, 1, "f.txp", {1.0f}),
               ModelError);
  EXPECT_EQ(f.dump(), before);

  // The same save without the failure then goes through.
  EXPECT_TRUE(saveEcologicalParameters(*f.state, *f.tx, f.dialog));
  EXPECT_EQ(f.dataOf("array", static_cast<int>(f.tableRecordOf(50, 100))).at(0), 20.0f);
  EXPECT_EQ(f.tx->ddt4.recordCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(EveryWayToTheRecord, FailedSave, ::testing::Values(0, 1, 2));

TEST(SaveTransaction, ARecordLockedByAnotherProgramIsWrittenOnceTheLockIsReleased) {
  HostFixture f;
  arraySlot(f, 2);
  std::vector<int> waits;
  f.ui.onLock = [&](const std::string& table, int waitedMs) {
    EXPECT_EQ(table, kAlias);
    waits.push_back(waitedMs);
    return true;
  };
  const auto start = std::chrono::steady_clock::now();
  LockHolder holder(f.databaseFile(), std::chrono::milliseconds(1000));
  ASSERT_EQ(holder.lockResult(), SQLITE_OK);

  EXPECT_TRUE(saveEcologicalParameters(*f.state, *f.tx, f.dialog));
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(900));
  ASSERT_GE(waits.size(), 1u);
  EXPECT_EQ(waits.front(), 0);
  for (std::size_t i = 1; i < waits.size(); ++i) EXPECT_EQ(waits[i], waits[i - 1] + 500);
  EXPECT_EQ(f.dataOf("array", 1).at(0), 20.0f);
  EXPECT_EQ(f.rowCount("array"), 1);
}

TEST(SaveTransaction, GivingUpOnALockIsAClearErrorAndWritesNothing) {
  HostFixture f;
  arraySlot(f, 0);  // a save that would make a table and two dictionary rows
  const std::string before = f.dump();
  int asked = 0;
  f.ui.onLock = [&](const std::string&, int waitedMs) {
    ++asked;
    return waitedMs < 500;  // the user cancels after half a second
  };
  LockHolder holder(f.databaseFile(), std::chrono::milliseconds(60000));
  ASSERT_EQ(holder.lockResult(), SQLITE_OK);
  try {
    saveEcologicalParameters(*f.state, *f.tx, f.dialog);
    FAIL() << "the save went on without the lock";
  } catch (const DatabaseError& e) {
    EXPECT_TRUE(contains(e.what(), "locked by another program")) << e.what();
    EXPECT_TRUE(contains(e.what(), "nothing was saved")) << e.what();
  }
  EXPECT_EQ(asked, 2);
  holder.release();
  EXPECT_EQ(f.dump(), before);
  EXPECT_FALSE(f.session.tableExists(kAlias, "array"));

  // Once the other program is done the save works.
  f.ui.onLock = nullptr;
  EXPECT_TRUE(saveEcologicalParameters(*f.state, *f.tx, f.dialog));
  EXPECT_EQ(f.dataOf("array", 1).at(0), 20.0f);
}

TEST(SaveTransaction, ALockIsReportedWithTheTableTheWriteWasFor) {
  HostFixture f;
  arraySlot(f, 2);
  std::vector<std::string> locked;
  f.session.setLockWaitHandler([&](const std::string& table, int) {
    locked.push_back(table);
    return false;  // the user gives up at once
  });
  HostTable features(f.session, kAlias, kDict1);
  features.open();
  LockHolder holder(f.databaseFile(), std::chrono::milliseconds(60000));
  ASSERT_EQ(holder.lockResult(), SQLITE_OK);
  features.append();
  features.setField("Feature Code", 1);
  features.setField("Feature Name", "River sites");
  try {
    features.post();
    FAIL() << "the record was written under another program's lock";
  } catch (const DatabaseError& e) {
    EXPECT_TRUE(contains(e.what(), "table data_dict1 in ")) << e.what();
  }
  EXPECT_EQ(locked, std::vector<std::string>{"data_dict1"});

  // A save takes the lock for the whole database at its start, for the
  // attribute table it writes.
  locked.clear();
  EXPECT_THROW(saveEcologicalParameters(*f.state, *f.tx, f.dialog), DatabaseError);
  EXPECT_EQ(locked, std::vector<std::string>{"array"});
  holder.release();
  EXPECT_EQ(f.rowCount(kDict1), 0);
  EXPECT_EQ(f.dataOf("array", 1).at(0), 1.0f);
}
