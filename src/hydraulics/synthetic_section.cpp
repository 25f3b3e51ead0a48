#include "hydraulics/synthetic_section.h"

#include <algorithm>
#include <cmath>

#include "common/checked_int.h"
#include "common/errors.h"
#include "common/text_format.h"
#include "hydraulics/channel_parameters.h"
#include "hydraulics/parameter_rules.h"

namespace oewr::hydraulics {
namespace {

constexpr int kPointCountLimit = 400;  // coarsen the spacing until below this

int32_t nearest(float x) { return roundToInt(static_cast<double>(x)); }

// The number of points over a length at a spacing, nearest(length / spacing).
// A channel so wide for its macro roughness that the counts of bed and bank
// points could not be added up is refused by name.
int32_t pointCount(float length, float spacing, const SectionLayout& l) {
  const float x = length / spacing;
  if (!(std::fabs(static_cast<double>(x)) < 5e8))
    throw ModelError(formatText("The synthetic section cannot be laid out: Max. Width (m) %g with Macro Roughness (m) "
                                "%g needs %g points",
                                l.width, l.macroRoughness, static_cast<double>(x)));
  return nearest(x);
}

float spacing(float length, int32_t count) { return length / static_cast<float>(count); }

}  // namespace

double nextRandom(HydraulicsState& state) {
  state.randomSeed = state.randomSeed * 134775813u + 1u;
  return static_cast<double>(state.randomSeed) / 4294967296.0;
}

bool buildLayout(const ModelState& state, Ui& ui, SectionLayout& layout) {
  const SiteParameters& p = state.site.siteParameters;
  const float k = p.macroRoughness;
  if (k == 0.0f) {
    ui.showMessage(kHydraulicsCaption, "Probelm with macro-roughness estimate");
    return false;
  }
  // Parameters that cannot be a channel build no section: a width, depth or
  // macro roughness to divide by; for the trapezoid a bed that leaves banks
  // (the parabola does not use the fraction).
  for (int position : {8, 9, 10, 11}) {
    if (position == 10 && state.hydraulics.xsShape != 0) continue;
    if (auto problem = parameterProblem(position, p.at(position))) {
      ui.showMessage(kHydraulicsCaption, *problem + ": the hydraulic model is not run");
      return false;
    }
  }

  SectionLayout l;
  l.width = p.maxWidth;
  l.depth = p.maxDepth;
  l.macroRoughness = k;
  l.shape = state.hydraulics.xsShape;
  l.bedWidthFraction = p.bedWidthFraction;
  const float W = l.width;
  const float D = l.depth;
  const float kq = 0.25f * k;

  if (l.shape == 0 && l.bedWidthFraction != 0.0f) {
    l.bedWidth = l.bedWidthFraction * W;
    l.bankSlope = D / ((W - l.bedWidth) / 2.0f);
  } else if (l.shape == 0) {
    l.bedWidth = 0.4f * W;
    l.bankSlope = D / (W / 2.0f);
  } else {
    l.bedWidth = 0.4f * W;
    l.parabola = 4.0f / (W * W);
  }
  const float b = l.bedWidth;
  l.bankRun = (W - b) * 0.5f;

  int32_t nBed = pointCount(b, kq, l);
  int32_t nBank = checkedMul(2, pointCount(W - b, k, l));
  float f = 1.0f;
  if (checkedAdd(nBed, nBank) >= kPointCountLimit) {
    for (int pass = 0; pass < 10; ++pass) {
      f = f + 0.1f;
      nBed = pointCount(b, f * kq, l);
      nBank = checkedMul(2, pointCount(W - b, f * k, l));
      if (checkedAdd(nBed, nBank) < kPointCountLimit) break;
    }
  }
  l.bankSpacing = spacing(W - b, nBank);
  l.bedSpacing = spacing(b, nBed);

  if (p.geoZone > 4.5f) {
    // Zones E and F: bed forms at least one and a half macro roughness apart.
    while (1.5f * k > l.bedSpacing) {
      f = f + 0.1f;
      nBed = pointCount(b, f * kq, l);
      l.bedSpacing = spacing(b, nBed);
    }
    nBank = checkedMul(2, pointCount(W - b, f * k, l));
    l.bankSpacing = spacing(W - b, nBank);
  }
  l.spacingFactor = f;
  layout = l;
  return true;
}

void placeSectionPoints(const SectionLayout& layout, HydraulicSection& s) {
  const float W = layout.width;
  const float L = layout.bankRun;
  const float bedEnd = L + layout.bedWidth;
  s.x[0] = 0.0f;
  s.y[0] = 0.0f;
  s.npt = 1;
  for (int i = 1; i <= kMaxGeneratedPoint; ++i) {
    const float previous = s.x[i - 1];
    if (previous >= W) break;
    const float step = (L < previous && previous <= bedEnd) ? layout.bedSpacing : layout.bankSpacing;
    s.x[i] = previous + step;
    s.npt = s.npt + 1;
    s.y[i] = -9.0f;
  }
  if (s.npt > kMaxWorkingPoint) throw ModelError("npt too big 351");
}

void shapeSectionProfile(const SectionLayout& layout, HydraulicSection& s) {
  const float W = layout.width;
  const float D = layout.depth;
  const float L = layout.bankRun;
  const float bedEnd = L + layout.bedWidth;
  const float slope = layout.bankSlope;
  s.y[0] = D;
  s.y[s.npt - 1] = D;
  for (int i = 1; i <= s.npt - 2; ++i) {
    const float x = s.x[i];
    float h = 0;
    if (layout.shape == 1) {
      h = D * (4.0f * x / W - layout.parabola * (x * x));
    } else if (layout.bedWidthFraction < 0.05f) {
      h = x < L ? slope * x : slope * (W - x);
    } else if (x < L) {
      h = slope * x;
    } else if (x < bedEnd) {
      h = D;
    } else {
      h = slope * (W - x);
    }
    s.y[i] = D - h;
  }
}

void addBedForms(HydraulicsState& state, const SectionLayout& layout, HydraulicSection& s) {
  const int32_t npt = s.npt;
  if (npt < 3) return;  // no interior point to roughen
  const float k = layout.macroRoughness;
  const float kq = 0.25f * k;
  const float D = layout.depth;
  const float bank = layout.bankSpacing;
  const float bed = layout.bedSpacing;
  const int32_t nB = kq > 0.0f ? checkedMul(2, nearest(bank / bed)) : 2;
  const float fineLimit = bank - (bank - bed) * 0.5f;

  float previousOffset = 0.0f;
  int32_t i = 1;
  while (i < npt - 1) {
    const float dx = s.x[i + 1] - s.x[i];
    int32_t m = dx < fineLimit ? nB : 2;
    // A bed spacing more than twice the bank spacing gives nB = 0: every bed
    // form still spans at least one point, so the walk always advances.
    if (m < 1) m = 1;
    int32_t e = checkedAdd(i, m);
    if (e > npt - 2) {
      if (i > npt - 3) break;
      e = npt - 2;
    }
    const int32_t m0 = m;
    float dx2 = s.x[e] - s.x[e - 1];
    // A bed form never spans a change between bank and bed spacing.
    if (dx - dx2 > 0.1f) {
      do {
        --e;
        --m;
        dx2 = s.x[e] - s.x[e - 1];
      } while (dx - dx2 > 0.1f);
    } else if (dx2 - dx > 0.1f) {
      do {
        --e;
        --m;
        dx2 = s.x[e] - s.x[e - 1];
      } while (dx2 - dx > 0.1f);
    }
    const float r = static_cast<float>(nextRandom(state) - 0.5);
    float offset = k * r * static_cast<float>(m) / static_cast<float>(m0);
    s.y[e] = s.y[e] + offset;
    if (s.y[e] > D) {
      // Mirrored below the bank top by the same amount.
      offset = -offset;
      s.y[e] = s.y[e] + 2.0f * offset;
    }
    // Linear transition from the previous bed form over the m - 1 points
    // before e; a bed form shortened at the end of a short section never
    // reaches back before point 1.
    for (int32_t t = 1; t <= m - 1; ++t) {
      const int32_t idx = e - m + t;
      if (idx < 1) continue;
      const float frac = static_cast<float>(t) / static_cast<float>(m);
      s.y[idx] = s.y[idx] + (previousOffset + (offset - previousOffset) * frac);
    }
    previousOffset = offset;
    i = e;
  }
}

void addBedTexture(HydraulicsState& state, const SectionLayout& layout, HydraulicSection& s) {
  const float kq = 0.25f * layout.macroRoughness;
  if (!(kq > 0.0f)) return;
  for (int32_t i = 2; i <= s.npt - 3; ++i) {
    if (s.x[i] - s.x[i - 1] + 0.0001f < layout.bankSpacing) {
      const float r = static_cast<float>(nextRandom(state) - 0.5);
      s.y[i] = s.y[i] + kq * r;
    }
  }
}

void rescaleSection(const SectionLayout& layout, HydraulicSection& s) {
  const float D = layout.depth;
  float minY = 9999.0f;
  for (int32_t i = 1; i <= s.npt - 1; ++i) minY = std::min(minY, s.y[i]);
  for (int32_t i = 1; i <= s.npt - 2; ++i) s.y[i] = (s.y[i] - minY) * D / (D - minY);
}

void buildSection(ModelState& state, const SectionLayout& layout, HydraulicSection& section,
                  charting::Chart* sectionChart) {
  placeSectionPoints(layout, section);
  shapeSectionProfile(layout, section);
  addBedForms(state.hydraulics, layout, section);
  addBedTexture(state.hydraulics, layout, section);
  rescaleSection(layout, section);

  state.hydraulics.modelXsCount = section.npt;
  for (int32_t i = 0; i < section.npt; ++i) {
    state.hydraulics.modelXsDistance[i] = section.x[i];
    state.hydraulics.modelXsElevation[i] = section.y[i];
  }
  if (sectionChart != nullptr && !sectionChart->series.empty()) {
    charting::Series& line = sectionChart->series.front();
    line.clear();
    for (int32_t i = 0; i < section.npt; ++i)
      line.add(static_cast<double>(section.x[i]), static_cast<double>(section.y[i]));
    sectionChart->changed();
  }
}

}  // namespace oewr::hydraulics

