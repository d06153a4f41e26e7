// Decoding "\xHH" escapes: 100k, 200k and 400k of them; the time must grow
// with the count, not with its square.
#include <benchmark/benchmark.h>

#include <string>

#include "textlib/text_buffer.h"

namespace {

void BM_DecodeEscapes(benchmark::State& state) {
  std::string text;
  for (int i = 0; i < state.range(0); ++i) text += "a\\x4" + std::to_string(i % 10);
  for (auto _ : state) {
    textlib::TextBuffer buffer;
    buffer.SetValue(text);
    buffer.DecodeEscapes();
    benchmark::DoNotOptimize(buffer.GetValue());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_DecodeEscapes)->Arg(100000)->Arg(200000)->Arg(400000)->Unit(benchmark::kMillisecond);

}  // namespace
