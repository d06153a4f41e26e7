#pragma once
// Wildcard matching of runtime text: "*" stands for any run of characters and
// "?" for any one character. Trailing spaces of both texts never count.
#include <string_view>

#include "platform/base/text_order.h"

namespace rt {

bool wildcardMatch(std::string_view text, std::string_view pattern,
                   CaseMode mode = CaseMode::Sensitive);

}  // namespace rt
