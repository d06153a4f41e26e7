// MD5 and Base64 of TextBuffer on 256 MB, each next to OpenSSL doing the same
// work (EVP MD5, EVP_EncodeBlock, EVP_DecodeBlock). Base64 is measured
// without line breaks, as OpenSSL's block functions write none.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <cstdint>
#include <string>
#include <vector>

#include "textlib/text_buffer.h"

namespace {

using textlib::TextBuffer;

constexpr std::size_t kSize = 256u << 20;

const std::string& sampleBytes() {
  static const std::string bytes = [] {
    std::string out(kSize, '\0');
    std::uint32_t seed = 2463534242u;
    for (char& c : out) {
      seed ^= seed << 13, seed ^= seed >> 17, seed ^= seed << 5;
      c = static_cast<char>(seed);
    }
    return out;
  }();
  return bytes;
}

const std::string& sampleBase64() {
  static const std::string text = [] {
    std::string out((kSize + 2) / 3 * 4 + 1, '\0');
    const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                  reinterpret_cast<const unsigned char*>(sampleBytes().data()),
                                  static_cast<int>(kSize));
    out.resize(static_cast<std::size_t>(n));
    return out;
  }();
  return text;
}

void setBytes(benchmark::State& state) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(kSize));
}

void BM_Md5_TextBuffer(benchmark::State& state) {
  TextBuffer b;
  b.SetValue(sampleBytes());
  for (auto _ : state) benchmark::DoNotOptimize(b.MD5(0));
  setBytes(state);
}
BENCHMARK(BM_Md5_TextBuffer)->Unit(benchmark::kMillisecond);

void BM_Md5_OpenSSL(benchmark::State& state) {
  const std::string& bytes = sampleBytes();
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  for (auto _ : state) {
    EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_md5(), nullptr);
    benchmark::DoNotOptimize(digest);
  }
  setBytes(state);
}
BENCHMARK(BM_Md5_OpenSSL)->Unit(benchmark::kMillisecond);

void BM_Base64Encode_TextBuffer(benchmark::State& state) {
  TextBuffer b;
  b.SetValue(sampleBytes());
  b.BASE64NOWRAP = 1;
  std::vector<char> out(kSize / 3 * 4 + 8);
  for (auto _ : state) {
    int length = 0;
    b.Base64Encode(out.data(), static_cast<int>(out.size()), length);
    benchmark::DoNotOptimize(length);
  }
  setBytes(state);
}
BENCHMARK(BM_Base64Encode_TextBuffer)->Unit(benchmark::kMillisecond);

void BM_Base64Encode_OpenSSL(benchmark::State& state) {
  const std::string& bytes = sampleBytes();
  std::vector<unsigned char> out(kSize / 3 * 4 + 8);
  for (auto _ : state) {
    benchmark::DoNotOptimize(EVP_EncodeBlock(out.data(),
                                             reinterpret_cast<const unsigned char*>(bytes.data()),
                                             static_cast<int>(bytes.size())));
  }
  setBytes(state);
}
BENCHMARK(BM_Base64Encode_OpenSSL)->Unit(benchmark::kMillisecond);

void BM_Base64Decode_TextBuffer(benchmark::State& state) {
  TextBuffer b;
  b.SetValue(sampleBase64());
  std::vector<char> out(kSize + 8);
  for (auto _ : state) {
    int length = 0;
    b.Base64Decode(out.data(), static_cast<int>(out.size()), length);
    benchmark::DoNotOptimize(length);
  }
  setBytes(state);
}
BENCHMARK(BM_Base64Decode_TextBuffer)->Unit(benchmark::kMillisecond);

void BM_Base64Decode_OpenSSL(benchmark::State& state) {
  const std::string& text = sampleBase64();
  std::vector<unsigned char> out(kSize + 8);
  for (auto _ : state) {
    benchmark::DoNotOptimize(EVP_DecodeBlock(out.data(),
                                             reinterpret_cast<const unsigned char*>(text.data()),
                                             static_cast<int>(text.size())));
  }
  setBytes(state);
}
BENCHMARK(BM_Base64Decode_OpenSSL)->Unit(benchmark::kMillisecond);

}  // namespace
