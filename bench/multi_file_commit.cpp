// A small transaction over two files, the plain one and an owner-password
// one: one record rewritten in each, then the commit, which goes through the
// super-journal (a journal per file, the pages of both, then the deletes).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/bench_data_files.h"
#include "bench/bench_folder.h"
#include "platform/data/database.h"
#include "platform/data/table.h"

namespace {

constexpr int kRecords = 2000;

using bench::plainFile;
using bench::secretFile;

const rt::TableDef& notes(const rt::DataFile& file) {
  auto build = [](const rt::DataFile& f) {
    return rt::TableBuilder("Notas", "NOT", "NOTAS", f, 1)
        .field<rt::ULong>("Codigo")
        .field<rt::String<60>>("Texto")
        .key("NOT01", "Codigo", rt::KeyKind::Primary, true, "Codigo", 1)
        .build();
  };
  static const rt::TableDef plain = build(plainFile());
  static const rt::TableDef secret = build(secretFile());
  return &file == &plainFile() ? plain : secret;
}

void fill(rt::Table& t) {
  const rt::TableDef& def = t.def();
  rt::beginTransaction();
  for (int i = 1; i <= kRecords; ++i) {
    t.clear();
    rt::setFieldNumber(def.fields[0], t.record(), i);
    rt::setFieldText(def.fields[1], t.record(), "Consulta de control sin novedades");
    if (t.add() != 0) std::abort();
  }
  if (rt::commitTransaction() != 0) std::abort();
}

void rewrite(rt::Table& t, int code, int round) {
  if (t.fetchPosition(code) != 0) std::abort();
  rt::setFieldText(t.def().fields[1], t.record(), "Revisado " + std::to_string(round));
  if (t.put() != 0) std::abort();
}

void BM_TwoFileTransaction(benchmark::State& state) {
  const std::filesystem::path folder = bench::scratchFolder("commit");
  if (rt::openDatabase(folder, {&plainFile(), &secretFile()}) != 0) std::abort();
  rt::Table& plain = rt::table(notes(plainFile()));
  rt::Table& secret = rt::table(notes(secretFile()));
  if (plain.open() != 0 || secret.open() != 0) std::abort();
  fill(plain);
  fill(secret);
  int round = 0;
  for (auto _ : state) {
    ++round;
    const int code = 1 + (round * 37) % kRecords;
    if (rt::beginTransaction() != 0) std::abort();
    rewrite(plain, code, round);
    rewrite(secret, code, round);
    if (rt::commitTransaction() != 0) std::abort();
  }
  plain.close();
  secret.close();
  rt::closeDatabase();
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_TwoFileTransaction)->Unit(benchmark::kMicrosecond);

}  // namespace
