#include "hydrology/flow_statistics.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "common/errors.h"
#include "common/text_format.h"

namespace oewr::hydrology {

const std::array<float, kDurationPointCount> kDurationPoints = {0.1f, 1,  5,  10, 15, 20, 25, 30, 35, 40,   50,
                                                                60,   65, 70, 75, 80, 85, 90, 95, 99, 99.9f};

int fdcPosition(int n, float p) {
  int position = static_cast<int>(static_cast<float>(n) * p / 100.0f + 0.5f) - 1;
  if (position > n - 1) position = n - 1;
  if (position < 0) position = 0;
  return position;
}

namespace {

// Reads a descending sort of n values at the 21 duration points.
void fillFdcRow(std::vector<float> values, FdcRow& fdc) {
  const int n = static_cast<int>(values.size());
  if (n < 1) {
    fdc.fill(0.0f);
    return;
  }
  std::sort(values.begin(), values.end(), std::greater<float>());
  for (int k = 0; k < kDurationPointCount; ++k)
    fdc[k] = values[static_cast<std::size_t>(fdcPosition(n, kDurationPoints[static_cast<std::size_t>(k)]))];
}

std::string monthYearText(const TimeSeries& s, int index) {
  int year = 0, month = 0;
  dateOfValue(s, index, year, month);
  return std::string(kMonthNames[static_cast<std::size_t>(month - 1)]) + " " + std::to_string(year);
}

}  // namespace

void monthsort(const YearMonthTable& table, int month, int32_t count, FdcRow& fdc) {
  const int n = count > 0 ? count / 12 : 0;
  std::vector<float> values;
  values.reserve(static_cast<std::size_t>(n));
  for (int year = 0; year < n; ++year) values.push_back(table[year][month]);
  fillFdcRow(std::move(values), fdc);
}

std::optional<std::string> refusalReason(const TimeSeries& s, const std::string& label) {
  const int32_t n = s.header.count;
  if (n < 0)
    return formatText("%s: the record gives %d as its number of values; the series is left out of the analysis", label,
                      n);
  if (n > kMaxAnalysedMonths)
    return formatText(
        "%s: %d monthly values are more than the hydrology window holds (%d months, %d years); the series is left "
        "out of the analysis",
        label, n, kMaxAnalysedMonths, kMaxAnalysedYears);
  if (n > 0 && (s.header.startMonth < 1 || s.header.startMonth > 12))
    return formatText("%s: the record starts in month %d, which is not a month from 1 to 12; the series is left out "
                      "of the analysis",
                      label, static_cast<int>(s.header.startMonth));
  return std::nullopt;
}

std::optional<std::string> runLimitReason(const TimeSeries& s, const std::string& label,
                                          const std::string& consequence) {
  const int32_t n = s.header.count;
  if (n > 0 && (s.header.startMonth < 1 || s.header.startMonth > 12)) return std::nullopt;  // refusalReason's
  if (n / 12 > kMaxRunYears)
    return formatText("%s: the record holds %d years of monthly flows (%d months from %s), more than the %d years "
                      "the model takes (its ecological, flood and final tables hold %d years); %s. Import a shorter "
                      "period, at most %d hydrological years, and run again",
                      label, n / 12, n, monthYearText(s, 0), kMaxRunYears, kMaxRunYears, consequence, kMaxRunYears);
  for (int i = 0; i < n && i < kSeriesCapacity; ++i) {
    const float v = s.values[i];
    if (v < kMaxMonthlyVolume) continue;
    if (!std::isfinite(v))
      return formatText("%s: the value of %s is not a number; %s. Import the series again and run again", label,
                        monthYearText(s, i), consequence);
    return formatText("%s: the record holds %.0f million m3 in %s, not below the %.0f million m3 a month the model "
                      "takes (no river carries as much); %s. Check the unit of the record (flows in m3 stored as "
                      "million m3 are 1000000 times too large), import it again with its unit and run again",
                      label, v, monthYearText(s, i), kMaxMonthlyVolume, consequence);
  }
  return std::nullopt;
}

void read_tsdata(TimeSeries& s) {
  if (auto why = refusalReason(s, s.name.empty() ? std::string("Flow series") : s.name)) throw ModelError(*why);
  const int32_t n = s.header.count;
  const int startIndex = n > 0 ? s.header.startMonth - 1 : 0;

  YearMonthTable table;
  std::vector<float> duration(static_cast<std::size_t>(n));
  BoundedArray<float, 0, 11> monthSum, monthSumSq;
  float yearTotal = 0, annualSum = 0, annualSumSq = 0;
  int month = startIndex;
  int year = 0;
  for (int i = 0; i < n; ++i) {
    const float v = s.values[i];
    yearTotal += v;
    monthSum[month] += v;
    monthSumSq[month] += v * v;
    table[year][month] = v;
    duration[static_cast<std::size_t>(i)] = v;
    month = month == 11 ? 0 : month + 1;
    if (month == startIndex) {
      annualSum += yearTotal;
      annualSumSq += yearTotal * yearTotal;
      yearTotal = 0;
      ++year;
    }
  }

  const float years = static_cast<float>(n) / 12.0f;
  s.mar = years > 0 ? annualSum / years : 0.0f;
  const float annualTerm = years > 0 ? annualSumSq - annualSum * annualSum / years : 0.0f;
  // Fewer than two years (or rounding that leaves the term at or below 0)
  // give no spread.
  s.annualSd = (years - 1.0f > 0 && annualTerm > 0) ? std::sqrt(annualTerm / (years - 1.0f)) : 0.0f;
  s.annualCv = s.mar > 0 ? s.annualSd / s.mar : 0.0f;

  std::sort(duration.begin(), duration.end());
  s.q75 = n > 0 ? duration[static_cast<std::size_t>(n / 4)] : 0.0f;
  int firstAboveZero = 0;
  while (firstAboveZero < n && !(duration[static_cast<std::size_t>(firstAboveZero)] > 0)) ++firstAboveZero;
  s.pctZero = n > 0 ? static_cast<float>(100 * firstAboveZero) / static_cast<float>(n) : 0.0f;

  for (int m = 0; m < 12; ++m) {
    if (years > 0) {
      s.monthMean[m] = monthSum[m] / years;
      const float term = monthSumSq[m] - monthSum[m] * monthSum[m] / years;
      s.monthSd[m] = (term > 0 && years - 1.0f > 0) ? std::sqrt(term / (years - 1.0f)) : 0.0f;
    } else {
      s.monthMean[m] = 0;
      s.monthSd[m] = 0;
    }
    s.monthCv[m] = s.monthMean[m] > 0 ? s.monthSd[m] / s.monthMean[m] : 0.0f;
  }

  for (int m = 0; m < 12; ++m) monthsort(table, m, n, s.monthFdc[m]);
}

std::vector<std::string> seriesWarnings(const TimeSeries& s, const std::string& label) {
  std::vector<std::string> out;
  const int32_t n = s.header.count;
  if (n < 12) {
    out.push_back(formatText("%s: the series is too short (%d monthly values, fewer than 12): its annual statistics "
                             "and baseflow index are 0",
                             label, n));
  } else if (n % 12 != 0) {
    out.push_back(formatText("%s: the last %d months of the record do not make a full year: they count in the "
                             "monthly means, while the annual totals, duration tables and plots use the %d full years",
                             label, n % 12, n / 12));
  }
  int negatives = 0, first = -1;
  for (int i = 0; i < n && i < kSeriesCapacity; ++i)
    if (s.values[i] < 0) {
      if (first < 0) first = i;
      ++negatives;
    }
  if (negatives > 0)
    out.push_back(formatText("%s: %d monthly %s below zero (the first, %.3f, in %s); negative months count as zero "
                             "flows in the duration statistics and carry no baseflow",
                             label, negatives, negatives == 1 ? "value is" : "values are", s.values[first],
                             monthYearText(s, first)));
  return out;
}

int fullYears(const TimeSeries& s) { return s.header.count > 0 ? s.header.count / 12 : 0; }

void dateOfValue(const TimeSeries& s, int index, int& year, int& month) {
  const int months = s.header.startMonth - 1 + index;
  year = s.header.startYear + months / 12;
  month = months % 12 + 1;
}

std::array<std::vector<float>, 12> valuesByCalendarMonth(const TimeSeries& s, const SeriesValues& data, int years) {
  std::array<std::vector<float>, 12> out;
  if (years < 1) return out;
  if (s.header.startMonth < 1 || s.header.startMonth > 12)
    throw ModelError(formatText("Flow series '%s' starts in month %d", s.name, static_cast<int>(s.header.startMonth)));
  const int start = s.header.startMonth - 1;
  for (int i = 0; i < 12 * years; ++i) out[static_cast<std::size_t>((start + i) % 12)].push_back(data[i]);
  return out;
}

void naturalBaseflowFdc(TimeSeries& natural) {
  const int n = fullYears(natural);
  if (n < 1) return;
  auto byMonth = valuesByCalendarMonth(natural, natural.baseflows, n);
  for (int m = 0; m < 12; ++m) fillFdcRow(byMonth[static_cast<std::size_t>(m)], natural.monthBaseFdc[m]);
}

std::vector<std::string> display_qdata(const TimeSeries& s, bool natural, const SiteParameters& site) {
  std::vector<std::string> lines;
  lines.push_back(natural ? "Natural Flows:" : "Present Day Flows:");
  lines.push_back("   Area     MAR   Ann.SD    Q75   Ann.");
  lines.push_back("  (km^2)       (m^3 * 10^6)        CV ");
  lines.push_back(formatText("%8.2f%8.2f%8.2f%8.2f%6.2f", site.catchmentArea, s.mar, s.annualSd, s.q75, s.annualCv));
  lines.push_back("  ");
  lines.push_back(formatText("%% Zero flows = %5.1f", s.pctZero));
  lines.push_back(formatText("Baseflow Parameters: A = %5.3f, B = %5.3f", site.baseflowA, site.baseflowB));
  lines.push_back(formatText("BFI = %4.2f : Hydro Index = %5.1f", s.bfi, s.hydroIndex));
  lines.push_back("  ");
  lines.push_back("MONTH   MEAN      SD     CV");
  lines.push_back("        (m^3 * 10^6)           ");
  for (int i = 0; i < 12; ++i) {
    const int m = (i + 9) % 12;
    lines.push_back(formatText("%4.4s%8.2f%8.2f%8.2f", kMonthNames[static_cast<std::size_t>(m)], s.monthMean[m],
                               s.monthSd[m], s.monthCv[m]));
  }
  return lines;
}

}  // namespace oewr::hydrology
