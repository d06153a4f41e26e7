// The month and weekday words of the date reader, held as CP1252 bytes
// ("março"_cp, "märz"_cp) so they compare with the text being read.
#include "textlib/value_parser_words.h"

#include <string>
#include <string_view>

#include "platform/base/cp_literal.h"
#include "platform/base/text_order.h"

namespace textlib {

namespace {

struct NumberedWord {
  std::string_view word;
  int number;
};

// Passed through Translate.
constexpr NumberedWord kEnglishMonths[] = {
    {"jan", 1},  {"january", 1},  {"feb", 2},    {"february", 2},  {"mar", 3},  {"march", 3},
    {"apr", 4},  {"april", 4},    {"may", 5},    {"jun", 6},       {"june", 6}, {"jul", 7},
    {"july", 7}, {"aug", 8},      {"august", 8}, {"sep", 9},       {"sept", 9}, {"september", 9},
    {"oct", 10}, {"october", 10}, {"nov", 11},   {"november", 11}, {"dec", 12}, {"december", 12},
};

// Spanish, Portuguese, German, Dutch, Afrikaans and Scandinavian.
constexpr NumberedWord kOtherMonths[] = {
    {"janeiro", 1},   {"enero", 1},      {"ene", 1},        {"januar", 1},    {"januari", 1},
    {"januarie", 1},  {"fevereiro", 2},  {"febrero", 2},    {"februar", 2},   {"februari", 2},
    {"februarie", 2}, {"março"_cp, 3},   {"marzo", 3},      {"mars", 3},      {"märz"_cp, 3},
    {"marts", 3},     {"maart", 3},      {"abril", 4},      {"abr", 4},       {"mayo", 5},
    {"maio", 5},      {"maj", 5},        {"kann", 5},       {"mei", 5},       {"junio", 6},
    {"junho", 6},     {"junie", 6},      {"juni", 6},       {"julio", 7},     {"julho", 7},
    {"juli", 7},      {"julie", 7},      {"agosto", 8},     {"ago", 8},       {"augustus", 8},
    {"setembro", 9},  {"septiembre", 9}, {"okt", 10},       {"octubre", 10},  {"outubro", 10},
    {"oktober", 10},  {"novembro", 11},  {"noviembre", 11}, {"dezembro", 12}, {"diciembre", 12},
    {"dic", 12},      {"desember", 12},  {"dezember", 12},
};

// Numbered 0 Sunday .. 6 Saturday; passed through Translate.
constexpr NumberedWord kWeekdays[] = {
    {"sun", 0},      {"sunday", 0}, {"mon", 1},       {"monday", 1}, {"tue", 2},
    {"tuesday", 2},  {"wed", 3},    {"wednesday", 3}, {"thu", 4},    {"thur", 4},
    {"thursday", 4}, {"fri", 5},    {"friday", 5},    {"sat", 6},    {"saturday", 6},
};

}  // namespace

bool isWord(ValueParser& parser, std::string_view word, std::string_view english) {
  return word == rt::lower(parser.Translate(english));
}

int monthOfWord(ValueParser& parser, std::string_view word) {
  if (word.empty()) return 0;
  for (const NumberedWord& english : kEnglishMonths) {
    if (isWord(parser, word, english.word)) return english.number;
  }
  for (const NumberedWord& other : kOtherMonths) {
    if (word == other.word) return other.number;
  }
  switch (word[0]) {
    case 'f':
      return 2;
    case 's':
      return 9;
    case 'o':
      return 10;
    case 'n':
      return 11;
    default:
      return 0;
  }
}

int weekdayOfWord(ValueParser& parser, std::string_view word) {
  for (const NumberedWord& english : kWeekdays) {
    if (isWord(parser, word, english.word)) return english.number;
  }
  return -1;
}

}  // namespace textlib
