#include <gtest/gtest.h>

#include <random>

#include "hostdb/blob_codec.h"
#include "hostdb/timeseries_codec.h"
#include "host_fixture.h"

using namespace oewr;
using namespace oewr::hostdb;
using oewr::testing::HostFixture;
using oewr::testing::kAlias;

namespace {

TimeSeriesHeader sampleHeader() {
  TimeSeriesHeader h;
  h.geogId = "Orvane at Kleinfontein";
  h.dataId = "Natural monthly flows";
  h.area = 1234.5f;
  h.dataObject = 7;
  h.timeUnit = 3;
  h.timeInterval = 1;
  h.timeIntervalType = 2;
  h.varType = 2;
  h.varUnit = 2;
  h.missingCode = -999.0f;
  h.scale = 1.5f;
  h.startYear = 1920;
  h.startMonth = 10;
  h.startDay = 1;
  h.endYear = 2004;
  h.endMonth = 9;
  h.endDay = 30;
  h.count = 1008;
  return h;
}

void expectSameHeader(const TimeSeriesHeader& a, const TimeSeriesHeader& b) {
  EXPECT_EQ(a.geogId, b.geogId);
  EXPECT_EQ(a.dataId, b.dataId);
  EXPECT_EQ(a.area, b.area);
  EXPECT_EQ(a.dataObject, b.dataObject);
  EXPECT_EQ(a.timeUnit, b.timeUnit);
  EXPECT_EQ(a.timeInterval, b.timeInterval);
  EXPECT_EQ(a.timeIntervalType, b.timeIntervalType);
  EXPECT_EQ(a.varType, b.varType);
  EXPECT_EQ(a.varUnit, b.varUnit);
  EXPECT_EQ(a.missingCode, b.missingCode);
  EXPECT_EQ(a.scale, b.scale);
  EXPECT_EQ(a.startYear, b.startYear);
  EXPECT_EQ(a.startMonth, b.startMonth);
  EXPECT_EQ(a.startDay, b.startDay);
  EXPECT_EQ(a.endYear, b.endYear);
  EXPECT_EQ(a.endMonth, b.endMonth);
  EXPECT_EQ(a.endDay, b.endDay);
  EXPECT_EQ(a.count, b.count);
}

// A timeseries record with the given stored codes and Data bytes.
void addSeriesRecord(HostFixture& f, int recid, int varType, int varUnit, int count, const Blob& data) {
  f.insert("ts", {{"RECID", recid},
                  {"GeogID", "G"},
                  {"DataID", "D"},
                  {"Time Units", 4},
                  {"Var. Type", varType},
                  {"Var. Unit", varUnit},
                  {"Start Date", "1920-10-01"},
                  {"End Date", "1921-09-01"},
                  {"No. Records", count},
                  {"Data", data}});
}

// Reads record `recid` of table ts into the natural series of the fixture.
TimeSeries& readRecord(HostFixture& f, int recid) {
  HostTable t(f.session, kAlias, "ts");
  t.open();
  EXPECT_TRUE(t.findKey({recid}));
  TimeSeries& s = f.state->site.naturalFlows;
  readTimeSeriesHeader(s.header, t);
  readTimeSeriesValues(s, t);
  return s;
}

}  // namespace

TEST(TimeSeriesCodec, HeaderWrittenAndReadBackFieldByField) {
  HostFixture f;
  f.makeTable("ts", kTimeseries);
  HostTable t(f.session, kAlias, "ts");
  t.open();
  t.append();
  t.setField("RECID", 1);
  const TimeSeriesHeader written = sampleHeader();
  writeTimeSeriesHeader(written, t);
  t.post();

  // Stored codes are counted from 1, both time fields hold the fixed value.
  ASSERT_TRUE(t.findKey({1}));
  EXPECT_EQ(t.field("Time Units").asInteger(), 4);
  EXPECT_EQ(t.field("Var. Type").asInteger(), 3);
  EXPECT_EQ(t.field("Start Date").asText(), "1920-10-01");
  EXPECT_EQ(t.field("End Date").asText(), "2004-09-30");
  EXPECT_DOUBLE_EQ(t.field("Start Time").asFloat(), -0.33333333);
  EXPECT_DOUBLE_EQ(t.field("End Time").asFloat(), -0.33333333);

  TimeSeriesHeader read;
  readTimeSeriesHeader(read, t);
  expectSameHeader(read, written);
}

TEST(TimeSeriesCodec, ReadingThenWritingKeepsStoredCodes) {
  HostFixture f;
  f.makeTable("ts", kTimeseries);
  addSeriesRecord(f, 1, 3, 2, 0, {});
  HostTable t(f.session, kAlias, "ts");
  t.open();
  ASSERT_TRUE(t.findKey({1}));
  TimeSeriesHeader h;
  readTimeSeriesHeader(h, t);
  EXPECT_EQ(h.timeUnit, 3);  // stored 4
  EXPECT_EQ(h.varType, 2);   // stored 3
  t.edit();
  writeTimeSeriesHeader(h, t);
  t.post();
  ASSERT_TRUE(t.findKey({1}));
  EXPECT_EQ(t.field("Time Units").asInteger(), 4);
  EXPECT_EQ(t.field("Var. Type").asInteger(), 3);
}

TEST(TimeSeriesCodec, LongTextsAreCutToTheirMemoryLength) {
  HostFixture f;
  f.makeTable("ts", kTimeseries);
  f.insert("ts", {{"RECID", 1}, {"GeogID", std::string(80, 'g')}, {"DataID", std::string(60, 'd')}});
  HostTable t(f.session, kAlias, "ts");
  t.open();
  TimeSeriesHeader h;
  readTimeSeriesHeader(h, t);
  EXPECT_EQ(h.geogId, std::string(41, 'g'));
  EXPECT_EQ(h.dataId, std::string(41, 'd'));
  EXPECT_EQ(h.startYear, 0);  // no date stored
}

TEST(TimeSeriesCodec, UnitFactorsBringVolumesToMillionCubicMetres) {
  EXPECT_EQ(unitFactor(3, 2), 0.000001f);
  EXPECT_EQ(unitFactor(3, 3), 0.001f);
  EXPECT_EQ(unitFactor(3, 4), 1.0f);
  EXPECT_EQ(unitFactor(2, 2), 1.0f);
  EXPECT_EQ(unitFactor(3, 1), 1.0f);

  HostFixture f;
  f.makeTable("ts", kTimeseries);
  addSeriesRecord(f, 1, 3, 2, 2, floatsToBlob({2500000.0f, 1000.0f}));
  addSeriesRecord(f, 2, 3, 3, 1, floatsToBlob({2500.0f}));
  addSeriesRecord(f, 3, 3, 4, 1, floatsToBlob({2.5f}));
  addSeriesRecord(f, 4, 2, 2, 1, floatsToBlob({2500000.0f}));
  TimeSeries& s1 = readRecord(f, 1);
  EXPECT_FLOAT_EQ(s1.values[0], 2.5f);
  EXPECT_FLOAT_EQ(s1.values[1], 0.001f);
  EXPECT_FLOAT_EQ(readRecord(f, 2).values[0], 2.5f);
  EXPECT_FLOAT_EQ(readRecord(f, 3).values[0], 2.5f);
  EXPECT_EQ(readRecord(f, 4).values[0], 2500000.0f);  // Var. Type 2: unchanged
}

TEST(TimeSeriesCodec, ValuesAreLittleEndianIeeeFloatsByteForByte) {
  const Blob bytes = floatsToBlob({1.0f, -2.5f, 0.1f});
  const Blob expected = {0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x20, 0xC0, 0xCD, 0xCC, 0xCC, 0x3D};
  EXPECT_EQ(bytes, expected);

  HostFixture f;
  f.makeTable("ts", kTimeseries);
  addSeriesRecord(f, 1, 1, 1, 3, bytes);
  // The stored field holds exactly those bytes and reads back as the same floats.
  EXPECT_EQ(f.fieldOf("ts", {1}, "Data").asBlob(), expected);
  TimeSeries& s = readRecord(f, 1);
  EXPECT_EQ(s.values[0], 1.0f);
  EXPECT_EQ(s.values[1], -2.5f);
  EXPECT_EQ(s.values[2], 0.1f);
}

TEST(TimeSeriesCodec, DataFieldsOfTheWrongLengthAreReadSafely) {
  HostFixture f;
  f.makeTable("ts", kTimeseries);
  // Longer than the capacity: the reader stops at the last value it can hold.
  std::vector<float> many(kSeriesCapacity + 5);
  for (std::size_t i = 0; i < many.size(); ++i) many[i] = static_cast<float>(i);
  addSeriesRecord(f, 1, 1, 1, static_cast<int>(many.size()), floatsToBlob(many));
  // Shorter than No. Records, and a length that is no multiple of 4 (10 bytes).
  addSeriesRecord(f, 2, 3, 3, 5, floatsToBlob({1000.0f, 2000.0f, 3000.0f}));
  Blob odd = floatsToBlob({4000.0f, 5000.0f});
  odd.push_back(0x12);
  odd.push_back(0x34);
  addSeriesRecord(f, 3, 3, 3, 3, odd);

  TimeSeries& s = readRecord(f, 1);
  EXPECT_EQ(s.values[kSeriesCapacity - 1], static_cast<float>(kSeriesCapacity - 1));

  s.values.fill(7.0f);
  readRecord(f, 2);
  EXPECT_FLOAT_EQ(s.values[2], 3.0f);
  EXPECT_EQ(s.values[3], 7.0f);  // not reached: left as it was, not scaled
  EXPECT_EQ(s.values[4], 7.0f);

  s.values.fill(7.0f);
  readRecord(f, 3);
  EXPECT_FLOAT_EQ(s.values[0], 4.0f);
  EXPECT_FLOAT_EQ(s.values[1], 5.0f);
  EXPECT_EQ(s.values[2], 7.0f);  // the two stray bytes are no value
}

TEST(TimeSeriesCodec, ASeriesWhoseDataDisagreesWithItsCountIsNeitherLoadedNorWritten) {
  HostFixture f;
  f.makeTable("ts", kTimeseries);
  f.addAttribute(60, "Natural flows", kTimeseries);
  f.addStorage(60, 3, "ts", 1);
  f.addLink(60, 100, 1);
  f.state->site.attributeCodes[10] = 60;
  addSeriesRecord(f, 1, 3, 4, 5, floatsToBlob({1.0f, 2.0f, 3.0f}));
  TimeSeries& s = f.state->site.naturalFlows;
  try {
    readSeriesFromSlot(*f.state, *f.tx, 10, s);
    ADD_FAILURE() << "a record of 3 values read as 5";
  } catch (const ModelError& e) {
    EXPECT_EQ(std::string(e.what()),
              "table 'ts', record RECID 1 (attribute 'Natural flows' (code 60), site 100), field 'Data': 12 bytes "
              "where 'No. Records' 5 needs 20; the series is not read");
  }
  EXPECT_EQ(s.header.count, 0);
  EXPECT_FALSE(f.tx->DTable.active());

  HostTable t(f.session, kAlias, "ts");
  t.open();
  ASSERT_TRUE(t.findKey({1}));
  t.edit();
  TimeSeriesHeader h = sampleHeader();
  h.count = 5;
  EXPECT_THROW(writeTimeSeriesRecord(h, {1.0f, 2.0f}, t), ModelError);
  writeTimeSeriesRecord(h, {1.0f, 2.0f, 3.0f, 4.0f, 5.0f}, t);
  t.post();
  ASSERT_TRUE(readSeriesFromSlot(*f.state, *f.tx, 10, s));
  EXPECT_EQ(s.header.count, 5);
  EXPECT_FLOAT_EQ(s.values[4], 5.0f * 0.000001f);  // sampleHeader's unit is m3
}

TEST(TimeSeriesCodec, DaysInMonthAndDateTimes) {
  EXPECT_EQ(daysInMonth(2000, 2), 29);
  EXPECT_EQ(daysInMonth(1900, 2), 28);
  EXPECT_EQ(daysInMonth(2004, 2), 29);
  EXPECT_EQ(daysInMonth(2001, 2), 28);
  EXPECT_EQ(daysInMonth(2001, 4), 30);
  EXPECT_EQ(daysInMonth(2001, 12), 31);
  EXPECT_THROW(daysInMonth(2001, 13), RangeError);

  EXPECT_DOUBLE_EQ(encodeDateTime(1899, 12, 30, 0, 0), 0.0);
  EXPECT_DOUBLE_EQ(encodeDateTime(1900, 1, 1, 0, 12), 2.5);
  EXPECT_DOUBLE_EQ(encodeDateTime(2000, 1, 1, 30, 6), 36526.0 + 6.5 / 24.0);
  // Before the epoch the time of day is subtracted.
  EXPECT_DOUBLE_EQ(encodeDateTime(1899, 12, 29, 0, 6), -1.25);
  EXPECT_THROW(encodeDateTime(2001, 2, 29, 0, 0), ModelError);
  int y = 0, m = 0, d = 0;
  decodeDate(36526.75, y, m, d);
  EXPECT_EQ(y * 10000 + m * 100 + d, 20000101);
}

TEST(TimeSeriesCodec, SortWithIndexMovesCompanionsWithTheirValues) {
  std::vector<float> v = {99.0f, 3.0f, 1.0f, 2.0f, 5.0f, 4.0f};
  std::vector<int32_t> c = {-1, 30, 10, 20, 50, 40};
  sortWithIndex(v, c, 5);
  EXPECT_EQ(v, (std::vector<float>{99.0f, 1.0f, 2.0f, 3.0f, 4.0f, 5.0f}));  // index 0 untouched
  EXPECT_EQ(c, (std::vector<int32_t>{-1, 10, 20, 30, 40, 50}));

  std::mt19937 rng(7);
  std::uniform_real_distribution<float> dist(-100.0f, 100.0f);
  const int n = 1000;
  std::vector<float> values(n + 1), original(n + 1);
  std::vector<int32_t> index(n + 1);
  for (int i = 1; i <= n; ++i) {
    original[static_cast<std::size_t>(i)] = values[static_cast<std::size_t>(i)] = dist(rng);
    index[static_cast<std::size_t>(i)] = i;
  }
  sortWithIndex(values, index, n);
  for (int i = 1; i <= n; ++i) {
    const auto k = static_cast<std::size_t>(i);
    if (i > 1) {
      EXPECT_LE(values[k - 1], values[k]);
    }
    EXPECT_EQ(values[k], original[static_cast<std::size_t>(index[k])]);
  }

  std::vector<float> big(60002);
  std::vector<int32_t> bigIndex(60002);
  EXPECT_THROW(sortWithIndex(big, bigIndex, 60001), RangeError);
  EXPECT_THROW(sortWithIndex(v, c, 6), RangeError);  // buffer shorter than n + 1
}
