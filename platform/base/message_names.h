#pragma once
// The runtime's message-naming service: the name of a message number as a
// debugger shows it. The window events of events.h are numbered from
// kEventMessageBase on ("EVENT:Accepted" is kEventMessageBase + 1).
#include <string>

namespace rt {

constexpr int kEventMessageBase = 0xA000;

// "EVENT:Accepted" for kEventMessageBase + event::Accepted, and so on for
// every event of events.h; any other number as four or more hexadecimal
// digits ("0x0401").
std::string nameMessage(int message);

}  // namespace rt
