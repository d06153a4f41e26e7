#pragma once
// Case mapping and collation of runtime text (CP1252 bytes) with the Spanish
// tables of the program's locale. Compiled in, independent of the C library's
// locale, so keys, filters, list locators and sorts all order text alike.
#include <string>
#include <string_view>

namespace rt {

char upperChar(char c);
char lowerChar(char c);
// Same length as the input.
std::string upper(std::string_view text);
std::string lower(std::string_view text);

// One weight per character: characters below 'A' keep their code order, the
// letters of the collation sequence follow in its order, every other
// character follows them in code order.
int collationWeight(char c);

enum class CaseMode { Sensitive, Insensitive };

// <0, 0, >0 like strcmp; trailing spaces never count. Insensitive compares
// the upper-cased texts.
int compareText(std::string_view a, std::string_view b, CaseMode mode = CaseMode::Sensitive);

// The collation sequence and case lists as the runtime's locale settings
// spell them (CP1252).
std::string_view collationSequence();
std::string_view caseMapping();

}  // namespace rt
