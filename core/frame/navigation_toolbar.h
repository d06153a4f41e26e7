#pragma once
// The control numbers of the frame's navigation toolbar, as the frame relays
// them to the active window's thread.
namespace core::navigation {

inline constexpr int Insert = 3001;
inline constexpr int Change = 3002;
inline constexpr int Delete = 3003;
inline constexpr int Select = 3004;
inline constexpr int Last = 3005;
inline constexpr int First = 3006;
inline constexpr int NextPage = 3007;
inline constexpr int PreviousPage = 3008;
inline constexpr int Next = 3009;
inline constexpr int Previous = 3010;
inline constexpr int Locate = 3011;

}  // namespace core::navigation
