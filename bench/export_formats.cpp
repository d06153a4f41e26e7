// Writing a list of 50,000 rows of 12 columns (text, numbers, dates, times)
// to each kind of export file, in rows per second; the XLSX beside openpyxl
// writing the same table in the same run.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/bench_export_table.h"
#include "bench/bench_folder.h"
#include "platform/base/clock.h"
#include "platform/base/cp_literal.h"
#include "platform/export/export_file.h"

namespace {

namespace fs = std::filesystem;

constexpr int kRows = bench::kExportRows;
const auto& table = bench::exportTable;

fs::path folder() {
  static const fs::path f = [] { return bench::scratchFolder("export"); }();
  return f;
}

void Write(benchmark::State& state, rt::ExportKind kind, bool openDocument) {
  const rt::ExportFileTable& t = table();
  for (auto _ : state) {
    const rt::ExportFileResult result =
        rt::writeExportFile(t, kind, openDocument, folder() / "lista");
    if (!result.ok()) state.SkipWithError("the file was not written");
  }
  state.SetItemsProcessed(state.iterations() * kRows);
  state.counters["rows_per_s"] = benchmark::Counter(static_cast<double>(state.iterations() * kRows),
                                                    benchmark::Counter::kIsRate);
}

BENCHMARK_CAPTURE(Write, xlsx, rt::ExportKind::Spreadsheet, false)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(Write, ods, rt::ExportKind::Spreadsheet, true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(Write, docx, rt::ExportKind::Document, false)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(Write, txt, rt::ExportKind::Text, false)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(Write, html, rt::ExportKind::Html, false)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(Write, xml, rt::ExportKind::Xml, false)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// openpyxl writing the same table, typed the same way (numbers, dates, times,
// text), in its write-only mode; the Python start-up is timed apart and taken off.
void OpenpyxlWritesTheSameTable(benchmark::State& state) {
  const fs::path values = folder() / "values.tsv";
  {
    std::ofstream out(values);
    for (const auto& row : table().rows) {
      for (std::size_t c = 0; c < row.size(); ++c) out << (c ? "\t" : "") << row[c];
      out << "\n";
    }
  }
  const fs::path script = folder() / "write.py";
  std::ofstream(script) << R"(import sys, time, datetime
t0 = time.perf_counter()
import openpyxl
from openpyxl.cell import WriteOnlyCell
rows = [l.rstrip("\n").split("\t") for l in open(sys.argv[1], encoding="cp1252")]
base = datetime.date(1899, 12, 30)
start = time.perf_counter()
wb = openpyxl.Workbook(write_only=True)
ws = wb.create_sheet("Examinando Pacientes")
ws.append(["Codigo","Nombre","Documento","Nacimiento","Domicilio","Telefono","Cobertura","Saldo","Ultima","Hora","Motivo","Visitas"])
for r in rows:
    def day(v):
        d = int(v)
        return None if d <= 0 else base + datetime.timedelta(days=d - 36161)
    def tm(v):
        t = int(v) - 1
        return None if t < 0 else datetime.time(t // 360000, t // 6000 % 60)
    ws.append([int(r[0]), r[1], r[2], day(r[3]), r[4], r[5], r[6], float(r[7]), day(r[8]), tm(r[9]), r[10] or None, int(r[11])])
wb.save(sys.argv[2])
print(time.perf_counter() - start)
)";
  for (auto _ : state) {
    const std::string command = "/usr/bin/python3 '" + script.string() + "' '" + values.string() +
                                "' '" + (folder() / "openpyxl.xlsx").string() + "'";
    FILE* pipe = popen(command.c_str(), "r");
    double seconds = 0;
    if (pipe == nullptr || std::fscanf(pipe, "%lf", &seconds) != 1) {
      if (pipe) pclose(pipe);
      state.SkipWithError("openpyxl did not run");
      break;
    }
    pclose(pipe);
    state.SetIterationTime(seconds);
  }
  state.SetItemsProcessed(state.iterations() * kRows);
  state.counters["rows_per_s"] = benchmark::Counter(static_cast<double>(state.iterations() * kRows),
                                                    benchmark::Counter::kIsRate);
}
BENCHMARK(OpenpyxlWritesTheSameTable)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(2);

}  // namespace
