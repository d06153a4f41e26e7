#include "core/aids/main_services.h"

#include <sys/stat.h>

#include "platform/base/cp1252.h"
#include "platform/base/debug_sink.h"
#include "platform/base/outside_actions.h"
#include "platform/base/paths.h"

namespace core {
namespace {

constexpr std::size_t kTraceWidth = 497;  // 499 with the line break
constexpr std::size_t kShellTargetWidth = 255;
constexpr std::size_t kPathWidth = 259;

std::string_view cut(std::string_view text, std::size_t width) {
  return rt::clip(text.substr(0, width));
}

}  // namespace

void DebugTrace(std::string_view text) { rt::debugOutput(cut(text, kTraceWidth)); }

void ShellOpen(long /*windowHandle*/, std::string_view target) {
  rt::shellOpen(cut(target, kShellTargetWidth));
}

unsigned char MakeDirectory(std::string_view path) {
  const std::string_view name = cut(path, kPathWidth);
  if (name.empty()) return 1;
  return ::mkdir(rt::resolvePath(name).c_str(), 0777) == 0 ? 0 : 1;
}

}  // namespace core
