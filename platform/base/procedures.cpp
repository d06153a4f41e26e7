#include "platform/base/procedures.h"

#include <map>

#include "platform/base/debug_sink.h"
#include "platform/base/logical_threads.h"
#include "platform/base/text_order.h"

namespace rt {
namespace {

std::map<std::string, Procedure>& registry() {
  static std::map<std::string, Procedure> procedures;
  return procedures;
}

}  // namespace

void registerProcedure(std::string_view name, Procedure procedure) {
  registry()[upper(name)] = std::move(procedure);
}

void unregisterProcedure(std::string_view name) { registry().erase(upper(name)); }

bool isProcedureRegistered(std::string_view name) { return registry().count(upper(name)) != 0; }

int callProcedure(std::string_view name, const ProcedureArgs& args) {
  auto it = registry().find(upper(name));
  if (it == registry().end()) {
    // Answering "cancelled" keeps an unbuilt callee harmless; the line makes
    // a misspelt name visible.
    debugOutput("callProcedure: no procedure is registered as \"" + std::string(name) + "\"");
    return kCancelled;
  }
  // Copy: the procedure may re-register itself or others while it runs.
  Procedure procedure = it->second;
  ProcedureScope scope(name);
  return procedure(args);
}

}  // namespace rt
