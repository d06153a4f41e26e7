// The owner-password file against the plain file, through the table layer:
// adding 20,000 records in one transaction, reading them all back from a
// freshly opened file (every page through the VFS), and small transactions
// that each rewrite a record (journal and pages written at every commit); and
// the sealing of one 4 KiB page on its own.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/bench_data_files.h"
#include "bench/bench_folder.h"
#include "platform/data/crypt_cipher.h"
#include "platform/data/database.h"
#include "platform/data/table.h"

namespace {

constexpr int kRecords = 20000;

using bench::plainFile;
using bench::secretFile;

const rt::TableDef& notes(bool encrypted) {
  auto build = [](const rt::DataFile& file) {
    return rt::TableBuilder("Notas", "NOT", "NOTAS", file, 1)
        .field<rt::ULong>("Codigo")
        .field<rt::String<40>>("Nombre")
        .field<rt::String<60>>("Texto")
        .key("NOT01", "Codigo", rt::KeyKind::Primary, true, "Codigo", 1)
        .key("NOT02", "Nombre", rt::KeyKind::Duplicates, true, "Nombre")
        .build();
  };
  static const rt::TableDef plain = build(plainFile());
  static const rt::TableDef secret = build(secretFile());
  return encrypted ? secret : plain;
}

std::filesystem::path freshFolder() {
  static int n = 0;
  return bench::scratchFolder("crypt-" + std::to_string(++n));
}

void open(const std::filesystem::path& folder) {
  if (rt::openDatabase(folder, {&plainFile(), &secretFile()}) != 0) std::abort();
}

void fill(rt::Table& t, const rt::TableDef& def) {
  rt::beginTransaction();
  for (int i = 1; i <= kRecords; ++i) {
    t.clear();
    rt::setFieldNumber(def.fields[0], t.record(), i);
    rt::setFieldText(def.fields[1], t.record(), "Paciente " + std::to_string(i * 7919 % kRecords));
    rt::setFieldText(def.fields[2], t.record(), "Consulta de control sin novedades");
    if (t.add() != 0) std::abort();
  }
  if (rt::commitTransaction() != 0) std::abort();
}

// The table, open in a freshly opened folder, holding kRecords records.
rt::Table& filledTable(const std::filesystem::path& folder, const rt::TableDef& def) {
  open(folder);
  rt::Table& t = rt::table(def);
  if (t.open() != 0) std::abort();
  fill(t, def);
  return t;
}

void BM_AddRecordsInOneTransaction(benchmark::State& state) {
  const rt::TableDef& def = notes(state.range(0) != 0);
  for (auto _ : state) {
    state.PauseTiming();
    const std::filesystem::path folder = freshFolder();
    open(folder);
    rt::Table& t = rt::table(def);
    if (t.open() != 0) std::abort();
    state.ResumeTiming();
    fill(t, def);
    state.PauseTiming();
    t.close();
    rt::closeDatabase();
    std::filesystem::remove_all(folder);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_AddRecordsInOneTransaction)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ReadAllFromAFreshOpen(benchmark::State& state) {
  const rt::TableDef& def = notes(state.range(0) != 0);
  const std::filesystem::path folder = freshFolder();
  rt::Table& t = filledTable(folder, def);
  t.close();
  rt::closeDatabase();
  for (auto _ : state) {
    open(folder);
    if (t.open() != 0) std::abort();
    t.setToStart(1);  // the name key
    int rows = 0;
    while (t.next() == 0) ++rows;
    if (rows != kRecords) state.SkipWithError("rows missing");
    t.close();
    rt::closeDatabase();
  }
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_ReadAllFromAFreshOpen)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_SmallTransactions(benchmark::State& state) {
  const rt::TableDef& def = notes(state.range(0) != 0);
  const std::filesystem::path folder = freshFolder();
  rt::Table& t = filledTable(folder, def);
  int i = 0;
  for (auto _ : state) {
    if (t.fetchPosition(1 + (i++ * 37) % kRecords) != 0) std::abort();
    rt::setFieldText(def.fields[2], t.record(), "Revisado " + std::to_string(i));
    if (t.put() != 0) std::abort();
  }
  t.close();
  rt::closeDatabase();
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_SmallTransactions)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_SealAndOpenAPage(benchmark::State& state) {
  rt::crypt::CipherKeys keys;
  rt::crypt::randomBytes(keys.encryption);
  rt::crypt::randomBytes(keys.authentication);
  rt::crypt::PageCipher cipher(keys);
  std::string plain(4096, 'x'), sealed(4096, '\0');
  auto* in = reinterpret_cast<unsigned char*>(plain.data());
  auto* out = reinterpret_cast<unsigned char*>(sealed.data());
  for (auto _ : state) {
    if (!cipher.seal(in, out, 4096, 7) || !cipher.open(out, 4096, 7)) std::abort();
  }
  state.SetBytesProcessed(state.iterations() * 4096);
}
BENCHMARK(BM_SealAndOpenAPage);

}  // namespace
