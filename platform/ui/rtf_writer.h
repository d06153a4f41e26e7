#pragma once
// Writes the rich-text model as compact RTF markup (CP1252 bytes, \'hh escapes).
// Each run of uniform formatting is written contiguously on one line; lines end
// only after a paragraph mark. A macro reference such as ***PACNOMBRE*** is always
// written as one run in the formatting of its first character, so substitution
// can find it in the markup itself.
#include <string>
#include <string_view>

#include "platform/ui/rich_text.h"

namespace rt {

// The font written for runs that name none.
inline constexpr const char* kDefaultRichTextFont = "Arial";

std::string writeRtf(const RichText& text);

// Markup from anywhere (another word processor, an older version of this
// writer) read and written again as this writer puts it: a reference that was
// split across runs comes out whole, every control word delimited. An empty
// markup stays empty.
std::string rewrittenRtf(std::string_view markup);

}  // namespace rt
