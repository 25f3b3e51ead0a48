#pragma once
// The chart model of the windows: charts with titles, axes, legends and
// series of (x, y) points. It draws nothing; the Qt views render it and can
// save it as a picture.
#include <cstdint>
#include <string>
#include <vector>

namespace oewr::charting {

enum class SeriesKind { Line, FastLine, Bar, Area };

struct Color {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Color&) const = default;
};

// Colours the windows use for their series, in order of use.
extern const Color kRed, kBlue, kGreen, kBlack, kFuchsia, kOlive, kNavy, kTeal, kMaroon, kGray, kYellow, kAqua,
    kPurple, kLime, kSilver, kWhite;
Color paletteColor(int index);  // a distinct colour for series number `index`

struct Point {
  double x = 0;
  double y = 0;
  std::string label;  // category label (bars), empty otherwise
};

struct Series {
  std::string title;
  SeriesKind kind = SeriesKind::Line;
  Color color;
  int width = 1;
  bool visible = true;
  bool showMarks = false;        // value marks on bars
  int barWidthPercent = 70;      // bars: width as % of the slot
  int stackGroup = -1;           // area series of one group stack to 100 %
  bool onRightAxis = false;      // drawn against the chart's right axis
  int areaFloor = -1;            // an area filled down to the points of this series number (a band), not to 0
  std::vector<Point> points;

  void clear() { points.clear(); }
  void add(double x, double y, std::string label = {}) { points.push_back({x, y, std::move(label)}); }
};

struct Axis {
  std::string title;
  std::string valueFormat;  // "#,##0.##" style, empty for automatic
  bool dateTime = false;    // x values are date-time values (days since 30 Dec 1899)
  std::string dateFormat;   // "mm.yy"
  bool automatic = true;    // range from the data
  double minimum = 0;
  double maximum = 0;
  bool logarithmic = false;
  bool visible = true;

  void setRange(double lo, double hi) {
    automatic = false;
    minimum = lo;
    maximum = hi;
  }
};

enum class LegendPosition { Top, Right, Bottom, Hidden };

struct Chart {
  std::string name;   // "Chart1"
  std::string title;  // shown above the plot; empty for none
  Axis bottomAxis;
  Axis leftAxis;
  Axis rightAxis;     // used only when a series asks for it
  LegendPosition legend = LegendPosition::Top;
  std::vector<Series> series;
  int revision = 0;   // raised by every change a view should redraw for

  // The reference holds only until the next series is added.
  Series& addSeries(std::string title, SeriesKind kind, Color color, int width = 1);
  void clearAll();   // empties every series, keeps them
  void removeAllSeries();
  void changed() { ++revision; }
};

}  // namespace oewr::charting
