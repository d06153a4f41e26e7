#include "platform/base/message_names.h"

#include <cstdio>
#include <string_view>

#include "platform/base/events.h"

namespace rt {
namespace {

struct EventName {
  int event;
  std::string_view name;
};

constexpr EventName kEventNames[] = {
    {event::Accepted, "EVENT:Accepted"},   {event::NewSelection, "EVENT:NewSelection"},
    {event::ScrollTop, "EVENT:ScrollTop"}, {event::Selected, "EVENT:Selected"},
    {event::AlertKey, "EVENT:AlertKey"},   {event::CloseWindow, "EVENT:CloseWindow"},
    {event::CloseDown, "EVENT:CloseDown"}, {event::OpenWindow, "EVENT:OpenWindow"},
    {event::LoseFocus, "EVENT:LoseFocus"}, {event::GainFocus, "EVENT:GainFocus"},
    {event::Timer, "EVENT:Timer"},         {event::DdeExecute, "EVENT:DDEexecute"},
    {event::User, "EVENT:User"},
};

}  // namespace

std::string nameMessage(int message) {
  for (const EventName& e : kEventNames) {
    if (kEventMessageBase + e.event == message) return std::string(e.name);
  }
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%04X", static_cast<unsigned>(message));
  return hex;
}

}  // namespace rt
