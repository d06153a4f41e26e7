#pragma once
// The main of a benchmark of windows: an off-screen application with the
// window layer and the Fusion style the window benchmarks are measured in,
// then the set-up the benchmark asks for, then the benchmarks.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>
#include <functional>

#include "platform/ui/event_loop.h"

namespace bench {

struct WindowBenchOptions {
  bool fusion = true;
  bool windowLayer = true;  // false: the benchmark installs it in its own set-up
};

inline int runWindowBenchmarks(int argc, char** argv, const std::function<void()>& setUp = {},
                               WindowBenchOptions options = {}) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  if (options.fusion) QApplication::setStyle("Fusion");
  if (options.windowLayer) rt::installWindowLayer();
  if (setUp) setUp();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

}  // namespace bench
