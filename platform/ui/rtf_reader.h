#pragma once
// Reads RTF markup (CP1252 bytes) into the rich-text model. Tolerant by design:
// unknown control words are ignored, unknown destinations skipped, unbalanced
// braces accepted, and a markup cut anywhere still yields the text before the cut.
// Text that is not RTF at all (no leading "{\rtf") is read as plain text, one
// paragraph per line, so notes typed before they were rich lose nothing.
#include <string>
#include <string_view>

#include "platform/ui/rich_text.h"

namespace rt {

RichText readRtf(std::string_view markup);

// The text alone, for search and export: CP1252, paragraphs and line breaks
// ended by CR LF (none after the last paragraph), tabs kept, numbering left out.
std::string rtfPlainText(std::string_view markup);
QString plainTextOf(const RichText& text);

}  // namespace rt
