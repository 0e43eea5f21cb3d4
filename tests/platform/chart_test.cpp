// The chart panel's picture: bars in proportion, days and counts readable, nothing drawn over
// another text or outside the chart, and what the headless peer records of it.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/headless/chart_recorder.h"
#include "platform/headless/headless.h"
#include "platform/ui/chart.h"

namespace {

using ui::ChartBar;
using ui::ChartMark;

std::vector<ChartMark> Of(const std::vector<ChartMark>& marks, ChartMark::Kind kind) {
  std::vector<ChartMark> found;
  std::copy_if(marks.begin(), marks.end(), std::back_inserter(found), [kind](const ChartMark& m) { return m.kind == kind; });
  return found;
}

bool HasText(const std::vector<ChartMark>& marks, const std::string& text) {
  return std::any_of(marks.begin(), marks.end(),
                     [&](const ChartMark& m) { return m.kind == ChartMark::Kind::Text && m.text == text; });
}

TEST(Chart, PicturesStayReadableAtEverySize) {
  headless::HeadlessBackend backend;
  ui::Form form("Form");
  ui::Chart chart(&form, "Chart1");
  chart.Create({.width = 600, .height = 150, .empty_text = "なし"});

  std::vector<ChartBar> month;
  for (int day = 1; day <= 31; ++day) month.push_back({std::to_string(day), 0});
  month[0].value = 15;
  month[6].value = 300;
  month[7].value = 15;  // right beside the largest: its count fits below the largest's
  month[14].value = 15;
  month[21].value = 5;
  month[22].value = 250;  // a tall neighbour: the short bar's wide count would run into it
  month[23].value = 1000;
  std::vector<ChartBar> years;
  for (int day = 0; day < 2500; ++day) years.push_back({std::to_string(day % 28 + 1), 1 + day % 97});

  struct Case {
    const char* what;
    std::vector<ChartBar> bars;
    int width, height;
    std::vector<std::string> readable;  // texts that must be drawn
    int drawn_bars;
  } cases[] = {
      {"a month", month, 600, 150, {"15", "300", "5", "1000", "1", "31"}, 7},
      {"a narrow month", month, 200, 120, {"1000", "1"}, 7},
      {"seven years of days", years, 600, 150, {"97", "1"}, 2500},
      {"nothing launched", {{"1", 0}, {"2", 0}}, 600, 150, {"なし"}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    chart.SetBars(c.bars);
    chart.SetSize(c.width, c.height);
    const std::vector<ChartMark>& marks = headless::ChartRecorder::Of(chart).Drawn();
    EXPECT_EQ(marks, chart.Marks(c.width, c.height));
    for (const std::string& text : c.readable) EXPECT_TRUE(HasText(marks, text)) << text;
    const std::vector<ChartMark> bars = Of(marks, ChartMark::Kind::Bar);
    EXPECT_EQ(static_cast<int>(bars.size()), c.drawn_bars);
    for (const ChartMark& mark : marks) {
      EXPECT_GE(mark.left, 0);
      EXPECT_LE(mark.right, c.width);
      EXPECT_GE(mark.top, 0);
      EXPECT_LE(mark.bottom, c.height);
    }
    // No count is drawn over a bar.
    for (const ChartMark& text : Of(marks, ChartMark::Kind::Text)) {
      for (const ChartMark& bar : bars) {
        const bool overlap = text.left < bar.right && bar.left < text.right && text.top < bar.bottom && bar.top < text.bottom;
        EXPECT_FALSE(overlap) << text.text << " over a bar at " << bar.left;
      }
    }
    const std::vector<ChartMark> texts = Of(marks, ChartMark::Kind::Text);
    for (std::size_t i = 0; i < texts.size(); ++i) {
      for (std::size_t j = i + 1; j < texts.size(); ++j) {
        const bool overlap = texts[i].left < texts[j].right && texts[j].left < texts[i].right &&
                             texts[i].top < texts[j].bottom && texts[j].top < texts[i].bottom;
        EXPECT_FALSE(overlap) << texts[i].text << " and " << texts[j].text;
      }
    }
  }
  // In proportion: in the month, 15 and 300 are 3 and 60 hundredths of 1000.
  chart.SetBars(month);
  chart.SetSize(600, 150);
  const std::vector<ChartMark> bars = Of(chart.Marks(600, 150), ChartMark::Kind::Bar);
  ASSERT_EQ(bars.size(), 7u);
  const int bars_base = bars[0].bottom;
  // Every count of the month is readable at this width, the one beside the largest too.
  const std::vector<ChartMark> month_texts = Of(chart.Marks(600, 150), ChartMark::Kind::Text);
  EXPECT_EQ(std::count_if(month_texts.begin(), month_texts.end(), [bars_base](const ChartMark& m) {
              return m.text == "15" && m.bottom <= bars_base;  // over the bars, not a day under them
            }),
            3);
  const double full = bars[6].bottom - bars[6].top;
  EXPECT_NEAR((bars[1].bottom - bars[1].top) / full, 0.3, 0.02);
  EXPECT_NEAR((bars[0].bottom - bars[0].top) / full, 0.015, 0.01);
  EXPECT_LT(bars[1].right, bars[2].left);
}

}  // namespace
