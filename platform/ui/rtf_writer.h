#pragma once
// Writes the rich-text model as compact RTF markup (CP1252 bytes, \'hh escapes).
// Each run of uniform formatting is written contiguously on one line; lines end
// only after a paragraph mark. A macro reference such as ***PACNOMBRE*** is always
// written as one run in the formatting of its first character, so substitution
// can find it in the markup itself.
#include <string>

#include "platform/ui/rich_text.h"

namespace rt {

// The font written for runs that name none.
inline constexpr const char* kDefaultRichTextFont = "Arial";

std::string writeRtf(const RichText& text);

}  // namespace rt
