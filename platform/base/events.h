#pragma once
// The runtime's event numbers, as the program's code and its posted events use
// them. The window layer raises them; the message-naming service names them.
namespace rt {

namespace event {
constexpr int Accepted = 0x01;  // a control's value was accepted (button pressed, entry confirmed)
constexpr int NewSelection = 0x02;  // a list's current row changed
constexpr int ScrollTop = 0x07;
constexpr int Selected = 0x101;  // a control received the focus
constexpr int AlertKey = 0x105;  // an alerted key was pressed
constexpr int CloseWindow = 0x201;
constexpr int CloseDown = 0x202;
constexpr int OpenWindow = 0x203;
constexpr int LoseFocus = 0x205;
constexpr int GainFocus = 0x206;
constexpr int Timer = 0x20B;
constexpr int DdeExecute = 0x20F;
constexpr int User = 0x400;
}  // namespace event

}  // namespace rt
