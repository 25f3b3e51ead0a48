#include "hydrology/baseflow.h"

#include <cstdint>
#include <string>

#include "common/errors.h"
#include "hostdb/timeseries_codec.h"
#include "hydrology/flow_statistics.h"

namespace oewr::hydrology {

namespace {

float seasonCv(const TimeSeries& s, int m1, int m2, int m3, int firstExtra, int secondExtra) {
  float sum = 0;
  int count = 0;
  for (int m : {m1, m2, m3}) {
    sum += s.monthCv[m];
    if (s.monthCv[m] > 0) ++count;
  }
  if (count < 2) {
    sum += s.monthCv[firstExtra] > 0 ? s.monthCv[firstExtra] : s.monthCv[secondExtra];
    ++count;
  }
  return sum / static_cast<float>(count);
}

int monthDays(int calendarMonth) {
  if (calendarMonth < 1 || calendarMonth > 12)
    throw RangeError("Range check error: calendar month " + std::to_string(calendarMonth));
  return kMonthDays[static_cast<std::size_t>(calendarMonth - 1)];
}

}  // namespace

float wetSeasonCv(const TimeSeries& s) { return seasonCv(s, 0, 1, 2, 11, 3); }
float drySeasonCv(const TimeSeries& s) { return seasonCv(s, 5, 6, 7, 8, 4); }

void do_baseflow(TimeSeries& s, float a, float b) {
  const float wetCv = wetSeasonCv(s);
  const float dryCv = drySeasonCv(s);
  const int32_t n = s.header.count > 0 ? s.header.count : 0;

  float previousFlow = n > 0 ? s.values[0] : 0.0f;
  float previousQuick = 0;
  float total = 0;
  for (int t = 0; t < n; ++t) {
    const float q = s.values[t];
    float base;
    if (q > 0) {
      const float quick = a * previousQuick + (1 + a) * b * (q - previousFlow);
      base = q - quick;
      previousQuick = quick;
      previousFlow = q;
      if (base >= 0 && base > q) {
        base = q;
        previousQuick = 0;
      }
      if (base < 0) {
        base = 0;
        previousQuick = q;
      }
    } else {
      base = 0;
      previousQuick = 0;
      previousFlow = 0;
    }
    s.baseflows[t] = base;
    total += base;
  }

  const int years = n / 12;
  const float meanAnnualBaseflow = years > 0 ? total / static_cast<float>(years) : 0.0f;
  s.bfi = s.mar > 0 ? meanAnnualBaseflow / s.mar : 0.0f;
  const float variability = dryCv + wetCv;
  s.hydroIndex = s.bfi > 0 ? variability / s.bfi : variability / 0.15f;
  if (s.hydroIndex < 1) s.hydroIndex = 1;
}

float exceedenceValue(const std::vector<float>& values, int p) {
  const int n = static_cast<int>(values.size());
  if (n < 1) return 0;
  std::vector<float> sorted(static_cast<std::size_t>(n) + 1);
  std::vector<int32_t> companions(static_cast<std::size_t>(n) + 1);
  for (int i = 0; i < n; ++i) {
    sorted[static_cast<std::size_t>(i) + 1] = values[static_cast<std::size_t>(i)];
    companions[static_cast<std::size_t>(i) + 1] = i;
  }
  hostdb::sortWithIndex(sorted, companions, n);
  for (int i = 0; i < n; ++i) {
    const float c = static_cast<float>((n - i) * 100) / static_cast<float>(n);
    if (c < static_cast<float>(p)) return sorted[static_cast<std::size_t>(i) + 1];
  }
  return sorted[static_cast<std::size_t>(n)];
}

CriticalMonthFlows chooseCriticalMonths(const TimeSeries& natural, int p) {
  CriticalMonthFlows out;
  const int n = fullYears(natural);
  if (n < 1) return out;
  const auto totals = valuesByCalendarMonth(natural, natural.values, n);
  const auto bases = valuesByCalendarMonth(natural, natural.baseflows, n);
  float largest = 0, smallest = kMaxMonthlyVolume;
  for (int i = 0; i < 12; ++i) {
    const int month = calendarMonthOf(i);
    const float v = exceedenceValue(bases[static_cast<std::size_t>(month - 1)], p);
    if (v > largest) {
      largest = v;
      out.wetMonth = month;
    }
    if (v < smallest) {
      smallest = v;
      out.dryMonth = month;
    }
  }
  if (out.wetMonth > 0) {
    const auto m = static_cast<std::size_t>(out.wetMonth - 1);
    out.qTotal75Wet = exceedenceValue(totals[m], 75);
    out.qBaseWet = exceedenceValue(bases[m], p);
  }
  if (out.dryMonth > 0) {
    const auto m = static_cast<std::size_t>(out.dryMonth - 1);
    out.qTotal75Dry = exceedenceValue(totals[m], 75);
    out.qBaseDry = exceedenceValue(bases[m], p);
  }
  return out;
}

float volumeToFlow(float volume, int calendarMonth) {
  return volume * 1000000.0f / static_cast<float>(monthDays(calendarMonth) * 24 * 3600);
}

float flowToVolume(float flow, int calendarMonth) {
  return static_cast<float>(monthDays(calendarMonth)) * flow * 24.0f * 0.0036f;
}

}  // namespace oewr::hydrology
