#include "platform/base/command_line.h"

#include "platform/base/cp1252.h"
#include "platform/base/text_order.h"

namespace rt {
namespace {

std::vector<std::string>& items() {
  static std::vector<std::string> list;
  return list;
}

}  // namespace

void setCommandLine(int argc, const char* const* argv) {
  std::vector<std::string> list;
  for (int i = 0; i < argc; ++i) list.push_back(utf8ToCp1252(argv[i]));
  setCommandLine(std::move(list));
}

void setCommandLine(std::vector<std::string> list) { items() = std::move(list); }

std::string commandName() { return items().empty() ? std::string() : items().front(); }

bool hasSwitch(std::string_view name) {
  const std::string wanted = upper(name);
  for (std::size_t i = 1; i < items().size(); ++i) {
    if (upper(items()[i]) == wanted) return true;
  }
  return false;
}

}  // namespace rt
