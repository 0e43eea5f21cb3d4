#include "platform/ui/chart.h"

#include <algorithm>

namespace ui {

namespace {
constexpr int kMargin = 8;
constexpr int kLabelGap = 4;  // between two labels side by side, and between a text and a bar

int TextWidth(const std::string& text) { return static_cast<int>(text.size()) * Chart::kCharWidth; }

// Every how many bars a label fits, for labels at most `widest` wide on bars `slot` apart.
int LabelStep(int widest, double slot) {
  if (slot <= 0) return 1;
  int step = 1;
  while (step * slot < widest + kLabelGap) ++step;
  return step;
}
}  // namespace

void Chart::Create(const CreateArgs& args) {
  CreateWith([&] {
    SetAlign(args.align);
    SetBounds(args.left, args.top, args.width, args.height);
    SetColor(args.color);
    bar_color_ = args.bar_color;
    empty_text_ = args.empty_text;
  });
}

void Chart::SetBars(std::vector<ChartBar> bars) {
  bars_ = std::move(bars);
  Changed();
}

std::vector<ChartMark> Chart::Marks(int width, int height) const {
  std::vector<ChartMark> marks;
  const int left = kMargin, right = width - kMargin;
  const int top = kMargin + kTextHeight + kLabelGap;          // room for the values
  const int base = height - kMargin - kTextHeight - kLabelGap;  // room for the labels
  if (right <= left || base <= top) return marks;
  long long largest = 0;
  for (const ChartBar& bar : bars_) largest = std::max(largest, bar.value);
  if (bars_.empty() || largest <= 0) {
    if (!empty_text_.empty()) marks.push_back({ChartMark::Kind::Text, 0, 0, width, height, empty_text_, kBlack});
    return marks;
  }
  marks.push_back({ChartMark::Kind::Line, left, base, right, base + 1, "", kBlack});

  const int count = static_cast<int>(bars_.size());
  const double slot = static_cast<double>(right - left) / count;
  const int gap = slot >= 4 ? std::max(1, static_cast<int>(slot / 5)) : 0;
  int widest_label = 0, widest_value = 0;
  for (const ChartBar& bar : bars_) {
    widest_label = std::max(widest_label, TextWidth(bar.label));
    widest_value = std::max(widest_value, TextWidth(std::to_string(bar.value)));
  }
  const int label_step = LabelStep(widest_label, slot);
  const int value_step = LabelStep(widest_value, slot);
  bool largest_labelled = false;
  for (int i = 0; i < count; ++i) {
    const ChartBar& bar = bars_[i];
    const int slot_left = left + static_cast<int>(i * slot);
    const int slot_right = std::max(slot_left + 1, left + static_cast<int>((i + 1) * slot));
    const int centre = (slot_left + slot_right) / 2;
    const int bar_left = slot_left + gap / 2;
    const int bar_right = std::max(bar_left + 1, slot_right - (gap - gap / 2));
    const int bar_top = base - static_cast<int>(static_cast<double>(base - top) * bar.value / largest);
    if (bar.value > 0) {
      marks.push_back({ChartMark::Kind::Bar, bar_left, std::min(bar_top, base - 1), bar_right, base, "", bar_color_});
    }
    // Texts are centred on their bar, kept inside the chart.
    auto text_box = [&](const std::string& text, int text_top) {
      const int text_width = TextWidth(text);
      int text_left = std::clamp(centre - text_width / 2, 0, std::max(0, width - text_width));
      return ChartMark{ChartMark::Kind::Text, text_left, text_top, text_left + text_width,
                       text_top + kTextHeight, text, kBlack};
    };
    if (i % label_step == 0) marks.push_back(text_box(bar.label, base + kLabelGap));
    const bool is_largest = bar.value == largest && !largest_labelled;
    if (bar.value > 0 && (i % value_step == 0 || is_largest)) {
      marks.push_back(text_box(std::to_string(bar.value), bar_top - kLabelGap - kTextHeight));
      if (is_largest) largest_labelled = true;
    }
  }
  return marks;
}

}  // namespace ui
