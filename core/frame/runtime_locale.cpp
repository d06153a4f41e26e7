#include "core/frame/runtime_locale.h"

#include <string>

#include "platform/base/debug_sink.h"
#include "platform/base/locale_settings.h"
#include "platform/base/locale_texts.h"
#include "platform/base/runtime_errors.h"
#include "platform/base/text_order.h"

namespace core {
namespace {

// The codes that carry a text run up to the expression errors.
constexpr int kLastErrorCode = rt::error::VariableNotFound;

std::string joined(int count, std::string_view (*item)(int)) {
  std::string list;
  for (int i = 1; i <= count; ++i) {
    if (i > 1) list += ',';
    list += item(i);
  }
  return list;
}

std::string_view buttonAt(int i) {
  return rt::buttonCaption(static_cast<rt::StandardButton>(i - 1));
}

}  // namespace

// The Spanish tables are compiled into the runtime and in force before any
// table opens; the start passes them through the runtime's locale operation
// once more, in the runtime's order, and notes any setting it refuses.
bool applyRuntimeLocale() {
  const std::pair<std::string, std::string> settings[] = {
      {"CLACHARSET", "WINDOWS"},
      {"CLACOLSEQ", std::string(rt::collationSequence())},
      {"CLACASE", std::string(rt::caseMapping())},
      {"CLAMONTH", joined(12, rt::monthName)},
      {"CLAMON", joined(12, rt::monthShortName)},
      {"CLAAMPM", "WINDOWS"},
      {"CLABUTTON", joined(8, buttonAt)},
  };
  bool all = true;
  auto apply = [&all](const std::string& name, const std::string& value) {
    if (rt::setLocaleSetting(name, value)) return;
    all = false;
    rt::debugOutput("Ajuste regional rechazado: " + name);
  };
  for (const auto& [name, value] : settings) apply(name, value);
  for (int code = 1; code <= kLastErrorCode; ++code) {
    const std::string text = rt::errorText(code);
    if (!text.empty()) apply("CLAMSG" + std::to_string(code), text);
  }
  return all;
}

}  // namespace core
