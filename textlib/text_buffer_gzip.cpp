// TextBuffer: gzip compression and decompression through zlib, and Unicode
// normalisation through ICU. Both libraries are linked; the loading step keeps
// the "not available" results reachable (optional_libraries.h).
#include <unicode/unorm2.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "textlib/optional_libraries.h"
#include "textlib/text_buffer.h"

namespace textlib {

namespace {

// The names under which a failed load is reported.
constexpr const char* kCompressionLibraryName = "libz";
constexpr const char* kNormalizerLibraryName = "libicuuc";

// Process-wide state of one optional library: whether it may be loaded (the
// test seam) and whether it has been.
struct LibraryState {
  std::atomic<bool> available{true};
  std::atomic<bool> loaded{false};
};

LibraryState& stateOf(OptionalLibrary library) {
  static LibraryState compression;
  static LibraryState normalizer;
  return library == OptionalLibrary::Compression ? compression : normalizer;
}

// Result codes of the operations, beside zlib's own.
constexpr int kNotAvailable = -99;
constexpr int kNoMemoryForCompression = -98;

}  // namespace

void SetLibraryAvailable(OptionalLibrary library, bool available) {
  stateOf(library).available = available;
  stateOf(library).loaded = false;
}

namespace {

// Loads one library: 0 loaded or already loaded, 1 not loadable.
int loadLibrary(TextBuffer& buffer, OptionalLibrary library, const char* label, const char* name,
                std::uint8_t& flag) {
  LibraryState& state = stateOf(library);
  if (state.loaded) return 0;
  if (!state.available) {
    buffer.RecordError(label, std::string("Failed to load ") + name, true);
    flag = 0;
    return 1;
  }
  state.loaded = true;
  flag = 1;
  return 0;
}

}  // namespace

int TextBuffer::LoadLibs() {
  return loadLibrary(*this, OptionalLibrary::Compression, "LoadLibs", kCompressionLibraryName,
                     GZIPDLLLOADED_);
}

int TextBuffer::LoadNormalize() {
  return loadLibrary(*this, OptionalLibrary::Normalizer, "LoadNormalize", kNormalizerLibraryName,
                     NORMALIZEDLLLOADED_);
}

// ---- Gzip -----------------------------------------------------------------------

namespace {

// A zlib stream's output, written straight into one block that becomes the
// value's storage at the end. A full block grows (doubling) instead of being
// copied out chunk by chunk.
class StreamOutput {
 public:
  StreamOutput(char* block, uInt size) : block_(block), size_(size) {}
  ~StreamOutput() { std::free(block_); }
  StreamOutput(const StreamOutput&) = delete;
  StreamOutput& operator=(const StreamOutput&) = delete;

  // Bytes that go before the stream's output (the block is at least as large).
  void keep(const char* data, int count) {
    std::memcpy(block_, data, static_cast<std::size_t>(count));
    used_ = static_cast<uInt>(count);
  }
  void prepare(z_stream& stream) const {
    stream.next_out = reinterpret_cast<Bytef*>(block_) + used_;
    stream.avail_out = size_ - used_;
  }
  void collect(const z_stream& stream) { used_ = size_ - stream.avail_out; }
  bool full() const { return used_ == size_; }
  bool grow() {
    const uInt bigger = static_cast<uInt>(std::min<long long>(2LL * size_, INT_MAX));
    if (bigger <= size_) return false;
    void* moved = std::realloc(block_, bigger);
    if (moved == nullptr) return false;
    block_ = static_cast<char*>(moved);
    size_ = bigger;
    return true;
  }
  void finish(TextBuffer& value) {
    value.SetValuePointer_(block_, static_cast<int>(size_), static_cast<int>(used_), false);
    block_ = nullptr;
  }

 private:
  char* block_;
  uInt size_;
  uInt used_ = 0;
};

}  // namespace

int TextBuffer::GZip(int level) {
  if (GZIPPED || DATAEND_ == 0) return 0;
  if (LoadLibs() != 0) return kNotAvailable;
  const long long outputSize = static_cast<long long>(DATAEND_) + 20;
  char* block = outputSize > INT_MAX
                    ? nullptr
                    : static_cast<char*>(std::malloc(static_cast<std::size_t>(outputSize)));
  if (block == nullptr) {
    RecordError("GZip",
                "Failed to get enough ram for gzip output - trying to get " +
                    std::to_string(outputSize) + " bytes",
                true);
    return kNoMemoryForCompression;
  }
  TextBuffer input;  // holds the old value until the new one is complete
  input.TakeValueFrom_(*this);
  StreamOutput output(block, static_cast<uInt>(outputSize));
  z_stream stream{};
  stream.next_in = reinterpret_cast<Bytef*>(input.GetAddress());
  stream.avail_in = static_cast<uInt>(input.Length());
  // 15 window bits plus 16: a gzip wrapper; memory level 9, default strategy.
  int status = deflateInit2_(&stream, level, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY,
                             ZLIB_VERSION, static_cast<int>(sizeof(z_stream)));
  if (status != Z_OK) {
    TakeValueFrom_(input);
    return status;
  }
  for (;;) {
    output.prepare(stream);
    status = deflate(&stream, Z_FINISH);
    output.collect(stream);
    if (status != Z_OK || !output.full()) break;
    if (!output.grow()) {
      status = kNoMemoryForCompression;
      break;
    }
  }
  deflateEnd(&stream);
  if (status != Z_STREAM_END) {
    TakeValueFrom_(input);
    return status;
  }
  output.finish(*this);
  GZIPPED = 1;
  return 0;
}

int TextBuffer::Gunzip(int keepCount) {
  if (keepCount < 0) keepCount = 0;
  if (DATAEND_ == 0 || keepCount >= DATAEND_) return 0;
  if (LoadLibs() != 0) {
    RecordError("Gunzip", "TextBuffer unable to Gunzip because of DLL Error", true);
    return kNotAvailable;
  }
  char* block = nullptr;
  long long outputSize = 0;
  for (int factor = 4; factor >= 1 && block == nullptr; --factor) {
    outputSize = static_cast<long long>(DATAEND_) * factor;
    if (outputSize <= INT_MAX) {
      block = static_cast<char*>(std::malloc(static_cast<std::size_t>(outputSize)));
    }
  }
  if (block == nullptr) {
    RecordError(
        "Gunzip",
        "TextBuffer failed to get memory trying to get " + std::to_string(DATAEND_) + " bytes",
        true);
    return Z_MEM_ERROR;
  }
  TextBuffer input;  // holds the old value until the new one is complete
  input.TakeValueFrom_(*this);
  StreamOutput output(block, static_cast<uInt>(outputSize));
  output.keep(input.GetAddress(), keepCount);
  z_stream stream{};
  stream.next_in = reinterpret_cast<Bytef*>(input.GetAddress() + keepCount);
  stream.avail_in = static_cast<uInt>(input.Length() - keepCount);
  // 15 window bits plus 32: a gzip or zlib header, detected automatically.
  int status = inflateInit2_(&stream, 15 + 32, ZLIB_VERSION, static_cast<int>(sizeof(z_stream)));
  if (status != Z_OK) {
    TakeValueFrom_(input);
    return status;
  }
  for (;;) {
    output.prepare(stream);
    status = inflate(&stream, Z_SYNC_FLUSH);
    output.collect(stream);
    // A full block may hide more output even when the input is used up, so
    // it grows and inflate is asked again before the end counts.
    if (status == Z_OK && output.full()) {
      if (!output.grow()) {
        status = Z_MEM_ERROR;
        break;
      }
    } else if (status != Z_OK || stream.avail_in == 0) {
      break;
    }
  }
  inflateEnd(&stream);
  // Z_OK with the input used up: a stream whose end is missing, accepted as
  // far as it goes; Z_BUF_ERROR there: inflate had nothing more to give.
  const bool ended =
      status == Z_STREAM_END || status == Z_OK || (status == Z_BUF_ERROR && stream.avail_in == 0);
  if (!ended) {
    TakeValueFrom_(input);
    return status;
  }
  output.finish(*this);
  GZIPPED = 0;
  return 0;
}

// ---- Unicode normalisation -------------------------------------------------------

namespace {

const UNormalizer2* normalizerFor(int form) {
  UErrorCode status = U_ZERO_ERROR;
  const UNormalizer2* normalizer = nullptr;
  switch (form) {
    case 1:
      normalizer = unorm2_getNFCInstance(&status);
      break;
    case 2:
      normalizer = unorm2_getNFDInstance(&status);
      break;
    case 5:
      normalizer = unorm2_getNFKCInstance(&status);
      break;
    case 6:
      normalizer = unorm2_getNFKDInstance(&status);
      break;
    default:
      return nullptr;
  }
  return U_FAILURE(status) ? nullptr : normalizer;
}

}  // namespace

int TextBuffer::Normalize(int form, bool keepEncoding) {
  constexpr int kFailed = 1;
  constexpr int kTries = 10;
  if ((keepEncoding && ENCODING == 0) || DATAEND_ == 0) return 0;
  if (LoadNormalize() != 0) return kNotAvailable;
  const int encodingBefore = ENCODING;
  ToUnicode(2, kUsAsciiCodePage);
  if (ENCODING != 2) return kFailed;
  const int units = DATAEND_ / 2;
  if (units == 0) return 0;
  const UNormalizer2* normalizer = normalizerFor(form);
  if (normalizer == nullptr) return kFailed;
  const auto* source = reinterpret_cast<const UChar*>(VALUE.address);
  // Most text keeps its length; a decomposition may grow it.
  long long estimate = static_cast<long long>(units) + units / 2 + 16;
  UChar* block = nullptr;
  int produced = 0;
  bool done = false;
  for (int attempt = 0; attempt < kTries && !done; ++attempt) {
    std::free(block);
    block = estimate * 2 > INT_MAX
                ? nullptr
                : static_cast<UChar*>(std::malloc(static_cast<std::size_t>(estimate) * 2));
    if (block == nullptr) return kFailed;
    UErrorCode status = U_ZERO_ERROR;
    produced =
        unorm2_normalize(normalizer, source, units, block, static_cast<int32_t>(estimate), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
      estimate = produced;
    } else if (U_FAILURE(status)) {
      break;
    } else {
      done = true;
    }
  }
  if (!done) {
    std::free(block);
    return kFailed;
  }
  if (produced == 0) {
    std::free(block);
    return 0;
  }
  if (USEBUFFER) {
    const int size = static_cast<int>(estimate) * 2;
    std::free(VALUE.address);
    setBuffer(reinterpret_cast<char*>(block), size);
    DATAEND_ = produced * 2;
    if (CLEANBUFFER) std::memset(VALUE.address + DATAEND_, ' ', size - DATAEND_);
  } else {
    SetValue(produced * 2, block);
    std::free(block);
  }
  if (keepEncoding && encodingBefore == 1) ToUnicode(1);
  return 0;
}

}  // namespace textlib
