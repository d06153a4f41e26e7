#include "core/frame/net_trace.h"

#include <string>

#include "core/frame/command_line.h"
#include "core/frame/startup_hooks.h"
#include "platform/base/debug_sink.h"
#include "platform/base/procedures.h"

namespace core {
namespace {

constexpr std::string_view kPrefix = "[Rednet Template] ";
// The development platform the network classes report, and its template family.
constexpr std::string_view kPlatformName = "Varneta";
constexpr std::string_view kPlatformVersion = "11000";
constexpr std::string_view kTemplateFamily = "Varneta";

void trace(std::string_view text) { NetDebugTrace(std::string(kPrefix) + std::string(text)); }

void traceBanner() {
  trace("Rednet Template version 11.05");
  trace("Rednet Template using " + std::string(kPlatformName) + " " +
        std::string(kPlatformVersion));
}

}  // namespace

void NetDebugTrace(std::string_view line) { rt::debugOutput(line); }

void NetCloseCallBackWindow() { rt::callProcedure(hook::NetCloseCallBackWindow); }

bool netTraceWanted() {
  if (hasSwitch("/netnolog")) return false;
  for (std::string_view s : {"/rednetlog", "/rednetlogerrors", "/neterrors", "/netall"}) {
    if (hasSwitch(s)) return true;
  }
  return false;
}

void writeStartTrace() {
  if (!netTraceWanted()) return;
  traceBanner();
  trace("Rednet Object version 11.05");
  trace(std::string(kTemplateFamily) + " Template Chain");
}

void writeEndTrace() {
  if (!netTraceWanted()) return;
  traceBanner();
  trace("Closing Down Rednet (Object) version 11.05");
}

}  // namespace core
