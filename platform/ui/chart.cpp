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
  int widest_label = 0;
  for (const ChartBar& bar : bars_) widest_label = std::max(widest_label, TextWidth(bar.label));
  const int label_step = LabelStep(widest_label, slot);

  auto slot_left = [&](int i) { return left + static_cast<int>(i * slot); };
  auto slot_right = [&](int i) { return std::max(slot_left(i) + 1, left + static_cast<int>((i + 1) * slot)); };
  auto bar_top = [&](int i) {
    return base - static_cast<int>(static_cast<double>(base - top) * bars_[i].value / largest);
  };
  // A text centred over (or under) bar i, kept inside the chart.
  auto text_box = [&](int i, const std::string& text, int text_top) {
    const int text_width = TextWidth(text);
    const int centre = (slot_left(i) + slot_right(i)) / 2;
    const int text_left = std::clamp(centre - text_width / 2, 0, std::max(0, width - text_width));
    return ChartMark{ChartMark::Kind::Text, text_left, text_top, text_left + text_width, text_top + kTextHeight,
                     text, kBlack};
  };
  auto value_box = [&](int i) {
    return text_box(i, std::to_string(bars_[i].value), bar_top(i) - kLabelGap - kTextHeight);
  };

  // Values go over their bars wherever they keep clear of the ones already placed and of the
  // neighbouring bars: the largest first, then the others from left to right.
  const int largest_index = static_cast<int>(
      std::find_if(bars_.begin(), bars_.end(), [largest](const ChartBar& bar) { return bar.value == largest; }) -
      bars_.begin());
  std::vector<ChartMark> values{value_box(largest_index)};
  // Clear of the values placed and of the other bars it reaches over.
  auto clear = [&](int i, const ChartMark& box) {
    for (const ChartMark& other : values) {
      if (box.left < other.right + kLabelGap && other.left < box.right + kLabelGap && box.top < other.bottom &&
          other.top < box.bottom) {
        return false;
      }
    }
    for (int j = std::max(0, i - 1 - static_cast<int>(box.right - box.left) / std::max(1, static_cast<int>(slot)));
         j < count && slot_left(j) < box.right; ++j) {
      if (j != i && slot_right(j) > box.left && bars_[j].value > 0 && bar_top(j) < box.bottom) return false;
    }
    return true;
  };
  for (int i = 0; i < count; ++i) {
    if (bars_[i].value <= 0 || i == largest_index) continue;
    const ChartMark value = value_box(i);
    if (clear(i, value)) values.push_back(value);
  }

  for (int i = 0; i < count; ++i) {
    if (bars_[i].value > 0) {
      const int bar_left = slot_left(i) + gap / 2;
      const int bar_right = std::max(bar_left + 1, slot_right(i) - (gap - gap / 2));
      marks.push_back({ChartMark::Kind::Bar, bar_left, std::min(bar_top(i), base - 1), bar_right, base, "",
                       bar_color_});
    }
    if (i % label_step == 0) marks.push_back(text_box(i, bars_[i].label, base + kLabelGap));
  }
  marks.insert(marks.end(), values.begin(), values.end());
  return marks;
}

}  // namespace ui
