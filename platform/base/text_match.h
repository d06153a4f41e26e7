#pragma once
// Wildcard matching of runtime text: "*" stands for any run of characters and
// "?" for any one character. Trailing spaces of both texts never count.
#include <string_view>

#include "platform/base/text_order.h"

namespace rt {

bool wildcardMatch(std::string_view text, std::string_view pattern,
                   CaseMode mode = CaseMode::Sensitive);

// The expression language's MATCH by its mode: 0 compares the whole texts, 1
// reads "*" and "?" as wildcards; adding 16 ignores case. Any other mode
// matches nothing.
inline constexpr int kMatchWhole = 0, kMatchWild = 1, kMatchNoCase = 16;
bool matchByMode(std::string_view text, std::string_view pattern, int mode);

}  // namespace rt
