// Gzip and gunzip of a 100 MB value in TextBuffer next to the same work done
// with zlib's own calls, and the code-page conversions of TextBuffer next to
// ICU called directly.
#include <benchmark/benchmark.h>
#include <unicode/ucnv.h>
#include <unicode/unorm2.h>
#include <unicode/ustring.h>
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/base/cp_literal.h"
#include "textlib/text_buffer.h"

namespace {

using textlib::TextBuffer;

constexpr std::size_t kGzipSize = 100u << 20;
constexpr std::size_t kTextSize = 16u << 20;

// Spanish clinical words in CP1252, the same every run.
std::string sampleText(std::size_t size) {
  static constexpr const char* kWords[] = {"paciente",       "consulta",  "año"_cp,      "niño"_cp,
                                           "diagnóstico"_cp, "médico"_cp, "próxima"_cp,  "cita",
                                           "tensión"_cp,     "¿qué?"_cp,  "pingüino"_cp, "€"_cp,
                                           "lunes"};
  std::string out;
  out.reserve(size);
  std::uint32_t seed = 4242;
  while (out.size() < size) {
    seed = seed * 1103515245u + 12345u;
    out.append(kWords[(seed >> 16) % std::size(kWords)]);
    out.push_back((seed >> 8) % 11 == 0 ? '\n' : ' ');
  }
  out.resize(size);
  return out;
}

const std::string& gzipInput() {
  static const std::string text = sampleText(kGzipSize);
  return text;
}

const std::string& gzipped() {
  static const std::string packed = [] {
    TextBuffer b;
    b.SetValue(gzipInput());
    b.GZip();
    return b.GetValue();
  }();
  return packed;
}

const std::string& ansiText() {
  static const std::string text = sampleText(kTextSize);
  return text;
}

const std::string& utf8Text() {
  static const std::string text = [] {
    TextBuffer b;
    b.SetValue(ansiText());
    b.ToUnicode(1, 1252);
    return b.GetValue();
  }();
  return text;
}

// Output blocks for the direct calls, left uninitialised as the string
// class's are.
template <typename T>
struct Block {
  explicit Block(std::size_t n) : data_(new T[n]), size_(n) {}
  T* data() { return data_.get(); }
  std::size_t size() const { return size_; }
  std::unique_ptr<T[]> data_;
  std::size_t size_;
};

void setBytes(benchmark::State& state, std::size_t bytes) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

// ---- gzip ---------------------------------------------------------------------

void BM_GZip_TextBuffer(benchmark::State& state) {
  TextBuffer b;
  for (auto _ : state) {
    state.PauseTiming();
    b.SetValue(gzipInput());
    b.GZIPPED = 0;
    state.ResumeTiming();
    benchmark::DoNotOptimize(b.GZip());
  }
  setBytes(state, kGzipSize);
}
BENCHMARK(BM_GZip_TextBuffer)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_GZip_Zlib(benchmark::State& state) {
  const std::string& input = gzipInput();
  for (auto _ : state) {
    z_stream stream{};
    deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY);
    Block<unsigned char> out(deflateBound(&stream, input.size()));
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
    stream.avail_in = static_cast<uInt>(input.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    benchmark::DoNotOptimize(deflate(&stream, Z_FINISH));
    deflateEnd(&stream);
  }
  setBytes(state, kGzipSize);
}
BENCHMARK(BM_GZip_Zlib)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Gunzip_TextBuffer(benchmark::State& state) {
  TextBuffer b;
  for (auto _ : state) {
    state.PauseTiming();
    b.SetValue(gzipped());
    state.ResumeTiming();
    benchmark::DoNotOptimize(b.Gunzip());
  }
  setBytes(state, kGzipSize);
}
BENCHMARK(BM_Gunzip_TextBuffer)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_Gunzip_Zlib(benchmark::State& state) {
  const std::string& input = gzipped();
  for (auto _ : state) {
    z_stream stream{};
    inflateInit2(&stream, 15 + 32);
    Block<unsigned char> out(kGzipSize);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
    stream.avail_in = static_cast<uInt>(input.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    benchmark::DoNotOptimize(inflate(&stream, Z_FINISH));
    inflateEnd(&stream);
  }
  setBytes(state, kGzipSize);
}
BENCHMARK(BM_Gunzip_Zlib)->Unit(benchmark::kMillisecond)->Iterations(5);

// ---- code pages ----------------------------------------------------------------

UConverter* cp1252() {
  static UConverter* converter = [] {
    UErrorCode status = U_ZERO_ERROR;
    return ucnv_open("windows-1252", &status);
  }();
  return converter;
}

void BM_AnsiToUtf8_TextBuffer(benchmark::State& state) {
  TextBuffer b;
  for (auto _ : state) {
    state.PauseTiming();
    b.SetValue(ansiText());
    b.ENCODING = 0;
    state.ResumeTiming();
    benchmark::DoNotOptimize(b.ToUnicode(1, 1252));
  }
  setBytes(state, kTextSize);
}
BENCHMARK(BM_AnsiToUtf8_TextBuffer)->Unit(benchmark::kMillisecond);

void BM_AnsiToUtf8_Icu(benchmark::State& state) {
  const std::string& input = ansiText();
  for (auto _ : state) {
    UErrorCode status = U_ZERO_ERROR;
    Block<UChar> wide(input.size());
    const int32_t units = ucnv_toUChars(cp1252(), wide.data(), static_cast<int32_t>(wide.size()),
                                        input.data(), static_cast<int32_t>(input.size()), &status);
    Block<char> out(static_cast<std::size_t>(units) * 3);
    int32_t bytes = 0;
    u_strToUTF8(out.data(), static_cast<int32_t>(out.size()), &bytes, wide.data(), units, &status);
    benchmark::DoNotOptimize(bytes);
  }
  setBytes(state, kTextSize);
}
BENCHMARK(BM_AnsiToUtf8_Icu)->Unit(benchmark::kMillisecond);

void BM_Utf8ToUtf16_TextBuffer(benchmark::State& state) {
  TextBuffer b;
  for (auto _ : state) {
    state.PauseTiming();
    b.SetValue(utf8Text());
    b.ENCODING = 1;
    state.ResumeTiming();
    benchmark::DoNotOptimize(b.ToUnicode(2));
  }
  setBytes(state, utf8Text().size());
}
BENCHMARK(BM_Utf8ToUtf16_TextBuffer)->Unit(benchmark::kMillisecond);

void BM_Utf8ToUtf16_Icu(benchmark::State& state) {
  const std::string& input = utf8Text();
  for (auto _ : state) {
    UErrorCode status = U_ZERO_ERROR;
    Block<UChar> wide(input.size());
    int32_t units = 0;
    u_strFromUTF8WithSub(wide.data(), static_cast<int32_t>(wide.size()), &units, input.data(),
                         static_cast<int32_t>(input.size()), 0xFFFD, nullptr, &status);
    benchmark::DoNotOptimize(units);
  }
  setBytes(state, utf8Text().size());
}
BENCHMARK(BM_Utf8ToUtf16_Icu)->Unit(benchmark::kMillisecond);

// ToAnsi normalises (NFKC) before converting; the direct version does the same.
void BM_Utf8ToAnsi_TextBuffer(benchmark::State& state) {
  TextBuffer b;
  for (auto _ : state) {
    state.PauseTiming();
    b.SetValue(utf8Text());
    state.ResumeTiming();
    benchmark::DoNotOptimize(b.ToAnsi(1, 1252));
  }
  setBytes(state, utf8Text().size());
}
BENCHMARK(BM_Utf8ToAnsi_TextBuffer)->Unit(benchmark::kMillisecond);

void BM_Utf8ToAnsi_Icu(benchmark::State& state) {
  const std::string& input = utf8Text();
  UErrorCode status = U_ZERO_ERROR;
  const UNormalizer2* nfkc = unorm2_getNFKCInstance(&status);
  for (auto _ : state) {
    Block<UChar> wide(input.size());
    int32_t units = 0;
    u_strFromUTF8WithSub(wide.data(), static_cast<int32_t>(wide.size()), &units, input.data(),
                         static_cast<int32_t>(input.size()), 0xFFFD, nullptr, &status);
    Block<UChar> normal(static_cast<std::size_t>(units) * 3 / 2 + 16);
    const int32_t normalUnits = unorm2_normalize(nfkc, wide.data(), units, normal.data(),
                                                 static_cast<int32_t>(normal.size()), &status);
    Block<char> out(static_cast<std::size_t>(normalUnits));
    benchmark::DoNotOptimize(
        ucnv_fromUChars(cp1252(), out.data(), normalUnits, normal.data(), normalUnits, &status));
  }
  setBytes(state, utf8Text().size());
}
BENCHMARK(BM_Utf8ToAnsi_Icu)->Unit(benchmark::kMillisecond);

}  // namespace
