#include "platform/base/debug_sink.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "platform/base/cp1252.h"

namespace rt {
namespace {

std::mutex g_mutex;
DebugCapture* g_capture = nullptr;

struct Sink {
  std::FILE* file = nullptr;
  bool ownsFile = false;

  Sink() {
    const char* target = std::getenv("VARNETA_DEBUG");
    if (target == nullptr || *target == '\0') return;
    if (std::string_view(target) == "stderr") {
      file = stderr;
    } else {
      file = std::fopen(target, "a");
      ownsFile = file != nullptr;
    }
  }
  ~Sink() {
    if (ownsFile) std::fclose(file);
  }
};

Sink& sink() {
  static Sink s;
  return s;
}

}  // namespace

void debugOutput(std::string_view line) {
  std::string_view text = line;
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
  std::lock_guard lock(g_mutex);
  if (g_capture != nullptr) g_capture->lines_.emplace_back(text);
  if (std::FILE* f = sink().file) {
    const std::string utf8 = cp1252ToUtf8(text);
    std::fwrite(utf8.data(), 1, utf8.size(), f);
    std::fputc('\n', f);
    std::fflush(f);
  }
}

DebugCapture::DebugCapture() {
  std::lock_guard lock(g_mutex);
  outer_ = g_capture;
  g_capture = this;
}

DebugCapture::~DebugCapture() {
  std::lock_guard lock(g_mutex);
  g_capture = outer_;
}

std::vector<std::string> DebugCapture::lines() const {
  std::lock_guard lock(g_mutex);
  return lines_;
}

void DebugCapture::clear() {
  std::lock_guard lock(g_mutex);
  lines_.clear();
}

}  // namespace rt
