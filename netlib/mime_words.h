#pragma once
// Header text outside ASCII as RFC 2047 encoded words of UTF-8. A word is at
// most 75 characters and holds whole characters; longer texts become several
// words joined by a folding line break (CR LF and a blank), which readers
// drop when they join the words again.
#include <cstddef>
#include <string>
#include <string_view>

namespace netlib {

enum class MimeWordKind { kBase64 = 1, kQuoted = 2 };

// `taken` is how much of the first line the text's field already uses
// ("Subject: " is 9), so that the first line stays within 76 characters too.
std::string foldedMimeWords(std::string_view utf8, MimeWordKind kind, std::size_t taken = 0);

}  // namespace netlib
