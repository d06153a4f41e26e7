#include "platform/base/text_match.h"

#include "platform/base/cp1252.h"

namespace rt {

bool wildcardMatch(std::string_view text, std::string_view pattern, CaseMode mode) {
  text = clip(text);
  pattern = clip(pattern);
  const bool fold = mode == CaseMode::Insensitive;
  auto same = [fold](char a, char b) { return fold ? upperChar(a) == upperChar(b) : a == b; };
  // Greedy scan that backtracks only to the last "*": linear for the usual
  // patterns, never exponential.
  std::size_t t = 0, p = 0;
  std::size_t starAt = std::string_view::npos, resumeAt = 0;
  while (t < text.size()) {
    if (p < pattern.size() &&
        (pattern[p] == '?' || (pattern[p] != '*' && same(pattern[p], text[t])))) {
      ++t, ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starAt = p++;
      resumeAt = t;
    } else if (starAt != std::string_view::npos) {
      p = starAt + 1;
      t = ++resumeAt;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool matchByMode(std::string_view text, std::string_view pattern, int mode) {
  const CaseMode caseMode =
      (mode & kMatchNoCase) != 0 ? CaseMode::Insensitive : CaseMode::Sensitive;
  switch (mode & ~kMatchNoCase) {
    case kMatchWhole:
      return compareText(text, pattern, caseMode) == 0;
    case kMatchWild:
      return wildcardMatch(text, pattern, caseMode);
    default:
      return false;  // other kinds of match are not offered
  }
}

}  // namespace rt
