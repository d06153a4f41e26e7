#include "platform/base/text_order.h"

#include <array>

namespace rt {
namespace {

// Letters in the Spanish collation order: each base letter with its accented
// forms, upper case first, Ñ/ñ after N/n.
constexpr unsigned char kSequence[] = {
    'A',  0xC4, 0xC5, 0xC6, 0xC1, 0xC0, 'a',  0xE0, 0xE1, 0xE2, 0xE4, 0xE5, 0xE6, 'B',  'b',
    'C',  0xC7, 'c',  0xE7, 'D',  'd',  'E',  0xC9, 'e',  0xE8, 0xE9, 0xEA, 0xEB, 'F',  'f',
    'G',  'g',  'H',  'h',  'I',  0xCD, 'i',  0xEC, 0xED, 0xEE, 0xEF, 'J',  'j',  'K',  'k',
    'L',  'l',  'M',  'm',  'N',  'n',  0xD1, 0xF1, 'O',  0xD6, 0xD3, 'o',  0xF2, 0xF3, 0xF4,
    0xF6, 'P',  'p',  'Q',  'q',  'R',  'r',  'S',  's',  'T',  't',  'U',  0xDC, 0xDA, 'u',
    0xF9, 0xFA, 0xFB, 0xFC, 'V',  'v',  'W',  'w',  'X',  'x',  'Y',  'y',  'Z',  'z'};

// Upper-case letters besides A-Z, a comma, then their lower-case partners.
// Æ has no partner in the list and keeps its case.
constexpr unsigned char kUpperExtra[] = {0xC6, 0xC1, 0xC7, 0xC9, 0xCD, 0xD1, 0xD3, 0xDC, 0xDA};
constexpr unsigned char kLowerExtra[] = {0xE1, 0xE7, 0xE9, 0xED, 0xF1, 0xF3, 0xFC, 0xFA};

struct Tables {
  std::array<unsigned char, 256> toUpper{};
  std::array<unsigned char, 256> toLower{};
  std::array<int, 256> weight{};
  std::string sequence;
  std::string caseMapping;

  Tables() {
    for (int c = 0; c < 256; ++c) {
      toUpper[c] = toLower[c] = static_cast<unsigned char>(c);
    }
    for (int c = 'a'; c <= 'z'; ++c) {
      toUpper[c] = static_cast<unsigned char>(c - 32);
      toLower[c - 32] = static_cast<unsigned char>(c);
    }
    // Pair the accented letters after Æ (which has none) with the lower list.
    for (std::size_t i = 0; i < std::size(kLowerExtra); ++i) {
      unsigned char up = kUpperExtra[i + 1];
      unsigned char lo = kLowerExtra[i];
      toUpper[lo] = up;
      toLower[up] = lo;
    }
    constexpr int kLetters = static_cast<int>(std::size(kSequence));
    for (int c = 0; c < 256; ++c) weight[c] = c < 'A' ? c : 'A' + kLetters + c;
    for (int i = 0; i < kLetters; ++i) weight[kSequence[i]] = 'A' + i;
    sequence.assign(std::begin(kSequence), std::end(kSequence));
    caseMapping.assign(std::begin(kUpperExtra), std::end(kUpperExtra));
    caseMapping += ',';
    caseMapping.append(std::begin(kLowerExtra), std::end(kLowerExtra));
  }
};

const Tables& tables() {
  static const Tables t;
  return t;
}

std::string_view trimTrailingSpaces(std::string_view s) {
  std::size_t n = s.size();
  while (n > 0 && s[n - 1] == ' ') --n;
  return s.substr(0, n);
}

unsigned char byte(char c) { return static_cast<unsigned char>(c); }

}  // namespace

char upperChar(char c) { return static_cast<char>(tables().toUpper[byte(c)]); }
char lowerChar(char c) { return static_cast<char>(tables().toLower[byte(c)]); }

std::string upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = upperChar(c);
  return out;
}

std::string lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = lowerChar(c);
  return out;
}

int collationWeight(char c) { return tables().weight[byte(c)]; }

int compareText(std::string_view a, std::string_view b, CaseMode mode) {
  const Tables& t = tables();
  a = trimTrailingSpaces(a);
  b = trimTrailingSpaces(b);
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    unsigned char ca = byte(a[i]);
    unsigned char cb = byte(b[i]);
    if (mode == CaseMode::Insensitive) {
      ca = t.toUpper[ca];
      cb = t.toUpper[cb];
    }
    if (ca != cb) return t.weight[ca] - t.weight[cb];
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

std::string_view collationSequence() { return tables().sequence; }
std::string_view caseMapping() { return tables().caseMapping; }

}  // namespace rt
