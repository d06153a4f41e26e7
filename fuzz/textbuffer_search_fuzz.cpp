// Searching, replacing and editing in TextBuffer against naive models that
// try every candidate position or edit a std::string. Input: 8 control bytes (operation, step,
// start, end, flags, count, pattern length, replacement length), then the pattern, the replacement
// and the value.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/base/text_order.h"
#include "textlib/text_buffer.h"

namespace {

using textlib::TextBuffer;

[[noreturn]] void mismatch(const char* what, long long expected, long long actual) {
  std::fprintf(stderr, "%s: model %lld, TextBuffer %lld\n", what, expected, actual);
  std::abort();
}

void check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
  }
}

struct Range {
  int first;
  int last;
};

Range normalize(int start, int end, int length) {
  return {start < 1 ? 1 : start, (end < 1 || end > length) ? length : end};
}

bool hasLetters(std::string_view s) {
  for (char c : s) {
    if (rt::upperChar(c) != rt::lowerChar(c)) return true;
  }
  return false;
}

bool equalAt(std::string_view value, int position, std::string_view text, bool fold) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    char a = value[static_cast<std::size_t>(position - 1) + i];
    char b = text[i];
    if (fold) a = rt::upperChar(a), b = rt::upperChar(b);
    if (a != b) return false;
  }
  return true;
}

bool wordByte(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

bool whole(std::string_view value, int p, int m) {
  const bool before = p > 1 && wordByte(value[static_cast<std::size_t>(p - 2)]);
  const bool after = p + m <= static_cast<int>(value.size()) &&
                     wordByte(value[static_cast<std::size_t>(p + m - 1)]);
  return !before && !after;
}

int modelInstring(std::string_view value, std::string_view text, int step, int start, int end,
                  bool noCase, bool wholeWord) {
  const int m = static_cast<int>(text.size());
  if (value.empty() || m == 0) return 0;
  const Range r = normalize(start, end, static_cast<int>(value.size()));
  if (r.last - r.first + 1 < m) return 0;
  const bool fold = noCase && hasLetters(text);
  const int lastStart = r.last - m + 1;
  auto ok = [&](int p) {
    return equalAt(value, p, text, fold) && (!wholeWord || whole(value, p, m));
  };
  if (step == 0) return ok(r.first) ? r.first : 0;
  if (step > 0) {
    for (int p = r.first; p <= lastStart; p += step) {
      if (ok(p)) return p;
    }
    return 0;
  }
  for (int p = lastStart; p >= r.first; p += step) {
    if (ok(p)) return p;
  }
  return 0;
}

int modelNth(std::string_view value, std::string_view text, int n, int start, int end,
             bool noCase) {
  const int m = static_cast<int>(text.size());
  if (m == 0 || n == 0 || value.empty()) return 0;
  const Range r = normalize(start, end, static_cast<int>(value.size()));
  if (r.last - r.first + 1 < m * std::abs(n)) return 0;
  const bool fold = noCase && hasLetters(text);
  if (n > 0) {
    int seen = 0;
    for (int p = r.first; p + m - 1 <= r.last;) {
      if (equalAt(value, p, text, fold)) {
        if (++seen == n) return p;
        p += m;
      } else {
        ++p;
      }
    }
    return 0;
  }
  int seen = 0;
  for (int p = r.last - m + 1; p >= r.first;) {
    if (equalAt(value, p, text, fold)) {
      if (++seen == -n) return p;
      p -= m;
    } else {
      --p;
    }
  }
  return 0;
}

int modelCount(std::string_view value, std::string_view text, int step, int start, int end,
               bool noCase, bool endIsLastStart, bool overlap) {
  const int m = static_cast<int>(text.size());
  const int length = static_cast<int>(value.size());
  if (length == 0 || m == 0) return 0;
  if (start < 1) start = 1;
  if (step < 1) step = 1;
  if (end < 1 || end > length) {
    end = length;
  } else if (endIsLastStart && m > 1) {
    end = std::min(length, end + m - 1);
  }
  if (end - start + 1 < m) return 0;
  const bool fold = noCase && hasLetters(text);
  int advance = m;
  if (m == 1) {
    advance = 1;
  } else if (overlap) {
    const std::size_t again = text.find(text[0], 1);
    advance = again == std::string_view::npos ? m : static_cast<int>(again);
    if (fold) {
      const std::string upper = rt::upper(text);
      const std::size_t foldedAgain = upper.find(upper[0], 1);
      advance = foldedAgain == std::string::npos ? m : static_cast<int>(foldedAgain);
    }
  }
  if (advance < step) advance = step;
  if (advance % step != 0) advance = (advance / step + 1) * step;
  int count = 0;
  for (int p = start; p + m - 1 <= end;) {
    if (equalAt(value, p, text, fold)) {
      ++count;
      p += advance;
    } else {
      p += step;
    }
  }
  return count;
}

// One replacement pass: the new value and the number of replacements.
int modelReplace(std::string& value, std::string_view oldText, std::string_view newText, int count,
                 int start, int end, bool noCase) {
  const int m = static_cast<int>(oldText.size());
  if (m == 0 || count < 0 || value.empty()) return 0;
  const Range r = normalize(start, end, static_cast<int>(value.size()));
  if (r.first + m - 1 > r.last) return 0;
  bool fold = noCase && hasLetters(oldText);
  std::string target(oldText);
  if (fold && m == 1 && newText.size() == 1) {
    const char upper = rt::upperChar(oldText[0]);
    const char lower = rt::lowerChar(upper);
    if (newText[0] == upper || newText[0] == lower) {
      target.assign(1, newText[0] == upper ? lower : upper);
      fold = false;
    }
  } else if (!fold && oldText == newText) {
    return 0;
  }
  std::string out = value.substr(0, static_cast<std::size_t>(r.first - 1));
  int done = 0;
  int p = r.first;
  while (p + m - 1 <= r.last) {
    if ((count == 0 || done < count) && equalAt(value, p, target, fold)) {
      out.append(newText);
      ++done;
      p += m;
    } else {
      out.push_back(value[static_cast<std::size_t>(p - 1)]);
      ++p;
    }
  }
  out.append(value, static_cast<std::size_t>(p - 1), std::string::npos);
  value = out;
  return done;
}

// The slice and edit operations on a std::string.
void modelReplaceSlice(std::string& v, int start, int end, const std::string& text) {
  const int n = static_cast<int>(text.size());
  if (start < 1) return;
  if (end == 0) end = n == 0 ? start : start + n - 1;
  if (end < start) return;
  const int length = static_cast<int>(v.size());
  if (end < length) {
    v.replace(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(end - start + 1), text);
    return;
  }
  v.resize(static_cast<std::size_t>(start + n - 1), ' ');
  v.replace(static_cast<std::size_t>(start - 1), text.size(), text);
}

int modelDeleteRange(std::string& v, int start, int length) {
  if (start > static_cast<int>(v.size())) return 0;
  if (start < 1) length -= 1 - start, start = 1;
  if (length < 1) return 0;
  length = std::min(length, static_cast<int>(v.size()) - start + 1);
  v.erase(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(length));
  return length;
}

void modelInsert(std::string& v, int position, const std::string& text) {
  if (text.empty()) return;
  if (position < 1) position = 1;
  if (position > static_cast<int>(v.size())) {
    v.resize(static_cast<std::size_t>(position - 1), ' ');
    v.append(text);
  } else {
    v.insert(static_cast<std::size_t>(position - 1), text);
  }
}

void modelSetSlice(std::string& v, int start, int end, const std::string& text) {
  const int n = static_cast<int>(text.size());
  if (start < 1) return;
  if (end == 0) end = n == 0 ? start : start + n - 1;
  if (end < start) return;
  if (end > static_cast<int>(v.size())) v.resize(static_cast<std::size_t>(end), ' ');
  for (int p = start; p <= end; ++p) {
    const int i = p - start;
    v[static_cast<std::size_t>(p - 1)] = i < n ? text[static_cast<std::size_t>(i)] : ' ';
  }
}

void modelInsertEvery(std::string& v, int every, const std::string& text) {
  const int length = static_cast<int>(v.size());
  if (every < 1 || every >= length || text.empty()) return;
  std::string out;
  for (int p = 0; p < length; p += every) {
    if (p > 0) out.append(text);
    out.append(v, static_cast<std::size_t>(p), static_cast<std::size_t>(every));
  }
  v = out;
}

void modelCrop(std::string& v, int start, int end) {
  const Range r = normalize(start, end, static_cast<int>(v.size()));
  if (r.last < r.first) {
    v.clear();
    return;
  }
  v = v.substr(static_cast<std::size_t>(r.first - 1),
               static_cast<std::size_t>(r.last - r.first + 1));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 8) return 0;
  const int operation = data[0] % 12;
  const int step = static_cast<std::int8_t>(data[1]) % 5;
  const int start = static_cast<std::int8_t>(data[2]) % 40;
  const int end = static_cast<std::int8_t>(data[3]) % 40;
  const bool noCase = data[4] & 1;
  const bool wholeWord = data[4] & 2;
  const bool endIsLastStart = data[4] & 4;
  const bool overlap = data[4] & 8;
  const bool useBuffer = !(data[4] & 16);
  const bool cleanBuffer = data[4] & 32;
  const int count = static_cast<std::int8_t>(data[5]) % 6;
  std::size_t patternLength = data[6] % 8;
  std::size_t replacementLength = data[7] % 12;
  const char* rest = reinterpret_cast<const char*>(data + 8);
  std::size_t left = size - 8;
  patternLength = std::min(patternLength, left);
  const std::string pattern(rest, patternLength);
  rest += patternLength, left -= patternLength;
  replacementLength = std::min(replacementLength, left);
  const std::string replacement(rest, replacementLength);
  rest += replacementLength, left -= replacementLength;
  const std::string value(rest, left);

  TextBuffer b;
  b.USEBUFFER = useBuffer ? 1 : 0;
  b.CLEANBUFFER = cleanBuffer ? 1 : 0;
  b.SetValue(value);
  check(b.GetValue() == value, "SetValue");
  switch (operation) {
    case 0: {
      const int expected = modelInstring(value, pattern, step, start, end, noCase, wholeWord);
      const int actual = b.Instring(pattern, step, start, end, noCase, wholeWord);
      if (expected != actual) mismatch("Instring", expected, actual);
      break;
    }
    case 1: {
      const int n = step == 0 ? 1 : step;
      const int expected = modelNth(value, pattern, n, start, end, noCase);
      const int actual = b.InstringNth(pattern, n, start, end, noCase);
      if (expected != actual) mismatch("InstringNth", expected, actual);
      break;
    }
    case 2: {
      const int expected =
          modelCount(value, pattern, step, start, end, noCase, endIsLastStart, overlap);
      const int actual = b.Count(pattern, step, start, end, noCase, endIsLastStart, overlap);
      if (expected != actual) mismatch("Count", expected, actual);
      break;
    }
    case 3: {
      int s = start;
      int e = end;
      const std::string found = b.FindMatch(pattern, s, e, 0, noCase);
      const Range r = normalize(start, end, static_cast<int>(value.size()));
      const int expected =
          r.first > r.last ? 0 : modelInstring(value, pattern, 1, r.first, r.last, noCase, false);
      if (expected != s) mismatch("FindMatch start", expected, s);
      if (s != 0) {
        check(e == s + static_cast<int>(pattern.size()) - 1, "FindMatch end");
        check(found == value.substr(static_cast<std::size_t>(s - 1), pattern.size()),
              "FindMatch text");
      } else {
        check(e == 0 && found.empty(), "FindMatch none");
      }
      break;
    }
    case 4: {
      std::string expectedValue = value;
      const int expected =
          modelReplace(expectedValue, pattern, replacement, count, start, end, noCase);
      const int actual = b.Replace(pattern, replacement, count, start, end, noCase, false);
      if (expected != actual) mismatch("Replace count", expected, actual);
      check(b.GetValue() == expectedValue, "Replace value");
      break;
    }
    case 6:
    case 7:
    case 8:
    case 9:
    case 10:
    case 11: {
      std::string expectedValue = value;
      const int n = static_cast<int>(replacement.size());
      int expected = 0;
      int actual = 0;
      if (operation == 6) {
        modelReplaceSlice(expectedValue, start, end, replacement);
        b.ReplaceSlice(start, end, n, n == 0 ? nullptr : replacement.data());
      } else if (operation == 7) {
        expected = modelDeleteRange(expectedValue, start, end);
        actual = b.DeleteRange(start, end);
      } else if (operation == 8) {
        modelInsert(expectedValue, start, replacement);
        b.Insert(start, replacement);
      } else if (operation == 9) {
        modelSetSlice(expectedValue, start, end, replacement);
        b.SetSlice(start, end, replacement);
      } else if (operation == 10) {
        modelInsertEvery(expectedValue, step, replacement);
        b.InsertEvery(replacement, step);
      } else {
        modelCrop(expectedValue, start, end);
        b.Crop(start, end);
      }
      if (expected != actual) mismatch("edit result", expected, actual);
      check(b.GetValue() == expectedValue, "edited value");
      break;
    }
    default: {
      // The last occurrence, found and replaced through a slice.
      std::string expectedValue = value;
      const int p = modelInstring(value, pattern, -1, start, end, noCase, false);
      if (p != 0)
        expectedValue.replace(static_cast<std::size_t>(p - 1), pattern.size(), replacement);
      const bool replaced = b.ReplaceLast(pattern, replacement, start, end, noCase);
      check(replaced == (p != 0), "ReplaceLast result");
      check(b.GetValue() == expectedValue, "ReplaceLast value");
      break;
    }
  }
  check(b.Length() <= b.Size(), "length within the allocation");
  check(useBuffer || b.Size() == b.Length(), "exact allocation without USEBUFFER");
  if (cleanBuffer && b.GetAddress() != nullptr) {
    for (int i = b.Length(); i < b.Size(); ++i) {
      check(b.GetAddress()[i] == ' ', "spare bytes blank with CLEANBUFFER");
    }
  }
  return 0;
}
