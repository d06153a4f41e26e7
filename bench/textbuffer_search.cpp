// Instring, Count and Replace of TextBuffer on a 64 MB value, each next to the
// same work done with std::string_view::find and a plain replace loop.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "textlib/text_buffer.h"

namespace {

using textlib::TextBuffer;

constexpr std::size_t kValueSize = 64u << 20;

// Words of lower-case letters separated by blanks, the same every run.
const std::string& sampleText() {
  static const std::string text = [] {
    static constexpr std::string_view kWords[] = {"the",   "patient", "record", "of",   "visit",
                                                  "notes", "and",     "with",   "dose", "there"};
    std::string out;
    out.reserve(kValueSize);
    std::uint32_t seed = 12345;
    while (out.size() < kValueSize) {
      seed = seed * 1103515245u + 12345u;
      out.append(kWords[(seed >> 16) % std::size(kWords)]);
      out.push_back(' ');
    }
    out.resize(kValueSize);
    return out;
  }();
  return text;
}

// Patterns reach the searches as run-time texts, as they do in the program,
// so neither side compares against a length known at compile time.
[[gnu::noinline]] std::string runTimeText(std::string_view text) { return std::string(text); }
const std::string kAbsent = runTimeText("needle");  // never in the text: a full scan
const std::string kCommon = runTimeText("the");     // about one word in five

void BM_Instring_TextBuffer(benchmark::State& state) {
  TextBuffer b;
  b.SetValue(sampleText());
  for (auto _ : state) benchmark::DoNotOptimize(b.Instring(kAbsent));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kValueSize));
}
BENCHMARK(BM_Instring_TextBuffer)->Unit(benchmark::kMillisecond);

void BM_Instring_TextBufferNoCase(benchmark::State& state) {
  TextBuffer b;
  b.SetValue(sampleText());
  for (auto _ : state) benchmark::DoNotOptimize(b.Instring("NEEDLE", 1, 1, 0, true));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kValueSize));
}
BENCHMARK(BM_Instring_TextBufferNoCase)->Unit(benchmark::kMillisecond);

void BM_Instring_StringViewFind(benchmark::State& state) {
  const std::string_view text = sampleText();
  const std::string_view absent = kAbsent;
  for (auto _ : state) benchmark::DoNotOptimize(text.find(absent));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kValueSize));
}
BENCHMARK(BM_Instring_StringViewFind)->Unit(benchmark::kMillisecond);

void BM_Count_TextBuffer(benchmark::State& state) {
  TextBuffer b;
  b.SetValue(sampleText());
  for (auto _ : state) benchmark::DoNotOptimize(b.Count(kCommon));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kValueSize));
}
BENCHMARK(BM_Count_TextBuffer)->Unit(benchmark::kMillisecond);

void BM_Count_StringViewFind(benchmark::State& state) {
  const std::string_view text = sampleText();
  const std::string_view common = kCommon;
  for (auto _ : state) {
    int count = 0;
    for (std::size_t p = text.find(common); p != std::string_view::npos;
         p = text.find(common, p + common.size())) {
      ++count;
    }
    benchmark::DoNotOptimize(count);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kValueSize));
}
BENCHMARK(BM_Count_StringViewFind)->Unit(benchmark::kMillisecond);

// The plain loop: find each occurrence and build the result by appending.
std::string replaceLoop(std::string_view text, std::string_view from, std::string_view to) {
  std::string out;
  out.reserve(text.size());
  std::size_t done = 0;
  for (std::size_t p = text.find(from); p != std::string_view::npos; p = text.find(from, done)) {
    out.append(text, done, p - done);
    out.append(to);
    done = p + from.size();
  }
  out.append(text, done);
  return out;
}

// Replacement texts of the same length, shorter and longer than "the".
constexpr std::string_view kReplacements[] = {"THE", "a", "these"};

void BM_Replace_TextBuffer(benchmark::State& state) {
  const std::string_view to = kReplacements[state.range(0)];
  TextBuffer b;
  for (auto _ : state) {
    state.PauseTiming();
    b.SetValue(sampleText());
    state.ResumeTiming();
    benchmark::DoNotOptimize(b.Replace(kCommon, to));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kValueSize));
}
BENCHMARK(BM_Replace_TextBuffer)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

void BM_Replace_PlainLoop(benchmark::State& state) {
  const std::string_view to = kReplacements[state.range(0)];
  const std::string_view text = sampleText();
  for (auto _ : state) {
    std::string result = replaceLoop(text, kCommon, to);
    benchmark::DoNotOptimize(result.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kValueSize));
}
BENCHMARK(BM_Replace_PlainLoop)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

}  // namespace
