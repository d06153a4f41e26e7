#include "core/aids/proper_case_name.h"

#include "platform/base/cp1252.h"
#include "platform/base/text_order.h"

namespace core {
namespace {

// Only the first four words get these rules. "Mac" names keep the general
// form (Macdonald): whether their fourth letter is a capital cannot be told
// from the name.
constexpr int kWordsWithRules = 4;

// The word is name[start, end).
void applyWordRules(std::string& name, std::size_t start, std::size_t end) {
  const std::size_t length = end - start;
  if (length >= 3 && rt::upper(std::string_view(name).substr(start, 3)) == "MCL") {
    name[start] = 'M';
    name[start + 1] = 'c';
    name[start + 2] = 'L';
  }
  if (length >= 3 && rt::upperChar(name[start]) == 'O' && name[start + 1] == '\'') {
    name[start + 2] = rt::upperChar(name[start + 2]);
  }
}

}  // namespace

std::string ProperCaseName(std::string_view text) {
  std::string name(text);
  const std::size_t n = rt::clip(name).size();
  if (n == 0) return name;
  name[0] = rt::upperChar(name[0]);
  int words = 1;
  std::size_t wordStart = 0;
  for (std::size_t p = 1; p < n; ++p) {
    if (name[p - 1] == ' ') {
      name[p] = rt::upperChar(name[p]);
      if (words <= kWordsWithRules) {
        applyWordRules(name, wordStart, p - 1);  // the word before the space
        ++words;
        wordStart = p;
      }
    } else {
      name[p] = rt::lowerChar(name[p]);
      if (p == n - 1 && words <= kWordsWithRules) {
        applyWordRules(name, wordStart, n);
        ++words;
        wordStart = p;
      }
    }
  }
  return name;
}

}  // namespace core
