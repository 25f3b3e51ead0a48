// The flood window as a person uses it: typing a depth, reading the peak and
// the tables.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QLineEdit>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <algorithm>

#include "floods/flood_fixture.h"
#include "floods/flood_window.h"
#include "render/chart_render.h"
#include "view_testing.h"

using namespace oewr;
using namespace oewr::floods;
using oewr::testing::field;
using oewr::testing::whileShown;

namespace {

struct FloodWindow {
  oewr::testing::FloodHost host;
  std::unique_ptr<ModelState> state = oewr::testing::makeFloodState();
  std::unique_ptr<TForm6> form;
  gui::QtUi qtUi;
  FloodWindow() {
    render::ensureGuiApplication();
    gui::QtUi::registerModelViews();
    host.attach(*state);
    form = std::make_unique<TForm6>(*state, *host.tx, host.ui, host.saveDialog);
  }
};

double largest(const charting::Series& s) {
  double most = 0;
  for (const auto& p : s.points) most = std::max(most, p.y);
  return most;
}

}  // namespace

TEST(FloodsView, ATypedDepthSetsThePeakAtOnceAndThePeakCannotBeTyped) {
  FloodWindow w;
  whileShown(w.qtUi, *w.form, [&](QDialog* d) {
    auto* depth = field<QSpinBox>(d, "Depth (cm)");
    auto* peak = field<QLineEdit>(d, "Peak Discharge (m3/s)");
    ASSERT_NE(depth, nullptr);
    ASSERT_NE(peak, nullptr);

    // The peak comes from the rating only.
    EXPECT_TRUE(peak->isReadOnly());
    const QString before = peak->text();
    peak->setFocus();
    QTest::keyClicks(peak, "999");
    EXPECT_EQ(peak->text(), before);

    // 100 cm typed, the box keeping the focus: the peak, the lines and the
    // hydrograph follow every keystroke. The test channel carries
    // 20 d^(5/3) m3/s, so 20 m3/s at 1 m.
    depth->setFocus();
    depth->selectAll();
    QTest::keyClicks(depth, "100");
    ASSERT_TRUE(depth->hasFocus());
    EXPECT_EQ(w.form->SpinEdit4.value, 100);
    EXPECT_EQ(peak->text().toStdString(), "    20.000");
    const auto& discharge = w.form->Chart2.series[1].points;  // blue on the rating
    ASSERT_EQ(discharge.size(), 3u);
    EXPECT_NEAR(discharge[1].x, 20.0, 0.001);
    EXPECT_NEAR(discharge[1].y, 1.0, 0.0001);
    EXPECT_NEAR(largest(w.form->Chart3.series[0]), 20.0, 0.001);  // the hydrograph peaks at the peak
    for (auto* view : oewr::testing::chartViews(d))
      EXPECT_EQ(view->drawnRevision(), view->chart()->revision) << view->chart()->title;
  });
}

TEST(FloodsView, TablesShowEveryHeadingAndValueWhole) {
  FloodWindow w;
  whileShown(w.qtUi, *w.form, [&](QDialog* d) {
    const auto tables = d->findChildren<QTableWidget*>();
    ASSERT_EQ(tables.size(), 2);
    const std::vector<std::vector<QString>> headings = {
        {"Category No:", "Pk. Discharge", "Duration (hours)", "Volume (MCM)", "No. of events", "Frequency"},
        {"Frequency", "Total Vol. (MCM)", "Total Vol. (% Natural MAR)"}};
    for (int t = 0; t < 2; ++t) {
      QTableWidget* table = tables[t];
      const auto& expected = headings[static_cast<std::size_t>(t)];
      ASSERT_EQ(table->columnCount(), static_cast<int>(expected.size()));
      const QFontMetrics metrics(table->horizontalHeader()->font());
      for (int c = 0; c < table->columnCount(); ++c) {
        ASSERT_NE(table->horizontalHeaderItem(c), nullptr);
        EXPECT_EQ(table->horizontalHeaderItem(c)->text(), expected[static_cast<std::size_t>(c)]);
        EXPECT_GE(table->horizontalHeader()->sectionSize(c), metrics.horizontalAdvance(expected[static_cast<std::size_t>(c)]))
            << expected[static_cast<std::size_t>(c)].toStdString();
      }
      // Every column and row lies inside the table as shown.
      EXPECT_LE(table->horizontalHeader()->length(), table->viewport()->width());
      EXPECT_LE(table->verticalHeader()->length(), table->viewport()->height());
    }
    // The five categories, one a row.
    EXPECT_EQ(tables[0]->rowCount(), 5);
    EXPECT_EQ(tables[0]->item(4, 0)->text(), "5");
    EXPECT_EQ(tables[1]->item(0, 0)->text(), "Annual");
    oewr::testing::expectWholeAxisTitles(d);
  });
}
