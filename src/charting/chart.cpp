#include "charting/chart.h"

namespace oewr::charting {

const Color kRed{255, 0, 0}, kBlue{0, 0, 255}, kGreen{0, 128, 0}, kBlack{0, 0, 0}, kFuchsia{255, 0, 255},
    kOlive{128, 128, 0}, kNavy{0, 0, 128}, kTeal{0, 128, 128}, kMaroon{128, 0, 0}, kGray{128, 128, 128},
    kYellow{255, 255, 0}, kAqua{0, 255, 255}, kPurple{128, 0, 128}, kLime{0, 255, 0}, kSilver{192, 192, 192},
    kWhite{255, 255, 255};

Color paletteColor(int index) {
  static const Color palette[] = {kRed, kGreen, kYellow, kBlue, kFuchsia, kGray, kAqua, kMaroon, kNavy, kOlive,
                                  kPurple, kTeal, kLime, kBlack};
  constexpr int n = sizeof palette / sizeof palette[0];
  return palette[((index % n) + n) % n];
}

Series& Chart::addSeries(std::string seriesTitle, SeriesKind kind, Color color, int width) {
  Series s;
  s.title = std::move(seriesTitle);
  s.kind = kind;
  s.color = color;
  s.width = width;
  series.push_back(std::move(s));
  changed();
  return series.back();
}

void Chart::clearAll() {
  for (auto& s : series) s.clear();
  changed();
}

void Chart::removeAllSeries() {
  series.clear();
  changed();
}

}  // namespace oewr::charting
