#pragma once
// The words the date reader knows: month names in several languages and the
// English weekday names. English words pass through ValueParser::Translate.
#include <string_view>

#include "textlib/value_parser.h"

namespace textlib {

// The month (1..12) a lower-case word names, else 0. A word that is not in
// the table is judged by its first letter alone: "f" February, "s"
// September, "o" October, "n" November.
int monthOfWord(ValueParser& parser, std::string_view word);

// The weekday (0 Sunday .. 6 Saturday) a lower-case word names, else -1.
int weekdayOfWord(ValueParser& parser, std::string_view word);

// True when the lower-case word is the English word as Translate gives it.
bool isWord(ValueParser& parser, std::string_view word, std::string_view english);

}  // namespace textlib
