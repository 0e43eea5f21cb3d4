// The headless peer of a chart: it draws nothing, but keeps the picture the chart would show
// each time it changed, so that tests can read what the user would see.
#pragma once

#include <vector>

#include "platform/ui/chart.h"

namespace headless {

class ChartRecorder : public ui::Peer {
 public:
  // Made while the chart is being constructed: it is read as a chart only once it changes.
  explicit ChartRecorder(ui::Control& chart) : chart_(chart) {}
  void StateChanged() override;
  void Focus() override {}
  bool HasFocus() override { return false; }
  void ReadBack() override {}

  // The picture as last drawn (at the chart's size then), and how many times it was drawn.
  const std::vector<ui::ChartMark>& Drawn() const { return drawn_; }
  int Drawings() const { return drawings_; }

  // The recorder of a chart in the headless backend.
  static const ChartRecorder& Of(const ui::Chart& chart);

 private:
  ui::Control& chart_;
  std::vector<ui::ChartMark> drawn_;
  int drawings_ = 0;
};

}  // namespace headless
