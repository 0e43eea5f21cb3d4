// When the launch check tries to attach again while the server cannot be reached: at every tick
// while the server's host refuses at once (the server is stopped), but only every 30 s once an
// attempt had to wait for the connect timeout (a host that does not answer at all), so that the
// check window is not kept waiting tick after tick.
#pragma once

namespace monitor {

class AttachPacing {
 public:
  static constexpr double kSlowAttemptSeconds = 1.0;
  static constexpr double kSpacingSeconds = 30.0;

  // Times are seconds of a steady clock.
  bool Due(double now) const { return now >= next_; }
  void Attempted(double started, double ended, bool attached) {
    next_ = attached || ended - started < kSlowAttemptSeconds ? 0.0 : ended + kSpacingSeconds;
  }

 private:
  double next_ = 0.0;
};

}  // namespace monitor
