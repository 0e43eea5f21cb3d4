#include "platform/headless/chart_recorder.h"

#include <stdexcept>

namespace headless {

void ChartRecorder::StateChanged() {
  auto& chart = static_cast<ui::Chart&>(chart_);
  drawn_ = chart.Marks(chart.Width(), chart.Height());
  ++drawings_;
}

const ChartRecorder& ChartRecorder::Of(const ui::Chart& chart) {
  auto* recorder = dynamic_cast<const ChartRecorder*>(chart.GetPeer());
  if (recorder == nullptr) throw std::logic_error("the chart has no headless recorder");
  return *recorder;
}

}  // namespace headless
