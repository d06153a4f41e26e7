// The pace of a listing: the consultation report of 10,000 consultations
// written as a PDF, its wall time against the CPU time it used, and the
// longest the event loop was kept from other windows while records were read
// (a zero timer notes the gaps between its turns; the first gap, the run's
// opening, and the longest of the last few, the PDF being written, are not
// reading).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_folder.h"
#include "bench/bench_main.h"
#include "bench/consultation_practice.h"
#include "core/frame/globals.h"
#include "core/frame/program_startup.h"
#include "core/shapes/report_destination.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/clinical_tables.h"
#include "core/tables/data_files.h"
#include "core/tables/table_managers.h"
#include "core/tables/table_registration.h"
#include "platform/base/logical_threads.h"
#include "platform/base/paths.h"
#include "platform/base/procedures.h"
#include "platform/data/database.h"
#include "platform/ui/event_loop.h"
#include "practice/consultation_report.h"

namespace {

using Clock = std::chrono::steady_clock;
using bench::kConsultations;

double processSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

void prepare() {
  static bool done = false;
  if (done) return;
  done = true;
  bench::openConsultationPractice(bench::scratchFolder("pace"));
}

void BM_ConsultationListingPace(benchmark::State& state) {
  prepare();
  for (auto _ : state) {
    GLO::ModoListado = "P";
    bool ended = false;
    std::vector<double> gaps;
    Clock::time_point last = Clock::now();
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
      const Clock::time_point now = Clock::now();
      gaps.push_back(std::chrono::duration<double, std::milli>(now - last).count());
      last = now;
    });
    const bool probing = state.range(0) == 1;
    if (probing) probe.start(0);
    const double cpuBefore = processSeconds();
    const Clock::time_point start = Clock::now();
    rt::start([&ended] {
      practice::runReporteConsultas("", "");
      ended = true;
    });
    while (!ended) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    probe.stop();
    // The PDF is written at the end: the longest of the last gaps.
    const std::size_t tail = gaps.size() > 8 ? gaps.size() - 8 : 0;
    const auto writing =
        std::max_element(gaps.begin() + static_cast<std::ptrdiff_t>(tail), gaps.end());
    if (writing != gaps.end()) gaps.erase(writing, gaps.end());
    const double longestGap = gaps.size() > 1 ? *std::max_element(gaps.begin() + 1, gaps.end()) : 0;
    state.SetIterationTime(wall);
    if (probing) {
      state.counters["longest_gap_ms"] = longestGap;
    } else {
      state.counters["cpu_s"] = processSeconds() - cpuBefore;
      state.counters["wall_per_cpu"] = wall / (processSeconds() - cpuBefore);
    }
  }
}
BENCHMARK(BM_ConsultationListingPace)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  return bench::runWindowBenchmarks(argc, argv,
                                    [] {
                                      core::registerTableManagers();
                                      core::installThreadRoutines();
                                    },
                                    {.fusion = false, .windowLayer = false});
}
