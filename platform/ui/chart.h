// A chart panel: one bar per entry, its label under it and its value over it, drawn by the
// backend's own drawing. What it draws at a size is worked out here (Marks), so every backend
// draws the same picture and a test can read it without a screen.
#pragma once

#include <string>
#include <vector>

#include "platform/ui/toolkit.h"

namespace ui {

struct ChartBar {
  std::string label;  // under the bar
  long long value = 0;
};

// One thing to draw, in the chart's client coordinates (right and bottom exclusive).
struct ChartMark {
  enum class Kind { Bar, Line, Text };
  Kind kind = Kind::Bar;
  int left = 0, top = 0, right = 0, bottom = 0;
  std::string text;  // for Text: drawn centred in the box
  uint32_t color = kBlack;
  bool operator==(const ChartMark& other) const {
    return kind == other.kind && left == other.left && top == other.top && right == other.right &&
           bottom == other.bottom && text == other.text && color == other.color;
  }
};

class Chart : public Control {
 public:
  struct CreateArgs {
    int left = 0, top = 0, width = 0, height = 0;
    Align align = Align::None;
    uint32_t color = kWhite;       // background
    uint32_t bar_color = Rgb(0x33, 0x66, 0xCC);
    std::string empty_text{};      // shown instead when no bar has a value
  };

  // Text of the chart's font: half-width characters this wide, double-byte ones twice as wide.
  static constexpr int kCharWidth = 7;
  static constexpr int kTextHeight = 13;

  Chart(Control* parent, std::string name) : Control(parent, ControlKind::Chart, std::move(name)) {}
  void Create(const CreateArgs& args);
  void SetBars(std::vector<ChartBar> bars);
  const std::vector<ChartBar>& Bars() const { return bars_; }
  uint32_t BarColor() const { return bar_color_; }
  const std::string& EmptyText() const { return empty_text_; }

  // The picture at the given client size: the base line, the bars in proportion to the largest
  // value, and as many labels and values as fit without running into each other (always the
  // first bar's label and the largest value).
  std::vector<ChartMark> Marks(int width, int height) const;

 private:
  std::vector<ChartBar> bars_;
  uint32_t bar_color_ = Rgb(0x33, 0x66, 0xCC);
  std::string empty_text_;
};

}  // namespace ui
