#pragma once
// The longest the window thread went without answering while a benchmark
// ran: a precise timer on it notes the largest gap between two of its ticks.
// A wait that freezes every window shows here as a gap of its length.
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>

namespace bench {

class WindowGapMeter {
 public:
  WindowGapMeter() {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
  }

  void start() {
    largestMs_ = 0;
    lastMs_ = 0;
    clock_.start();
    timer_.start();
  }

  // The largest gap seen since start(), the time up to now included.
  double stop() {
    tick();
    timer_.stop();
    return largestMs_;
  }

 private:
  void tick() {
    const double now = static_cast<double>(clock_.nsecsElapsed()) / 1e6;
    largestMs_ = std::max(largestMs_, now - lastMs_);
    lastMs_ = now;
  }

  QTimer timer_;
  QElapsedTimer clock_;
  double lastMs_ = 0;
  double largestMs_ = 0;
};

}  // namespace bench
