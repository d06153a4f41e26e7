// TextBuffer: the Lines queue: splitting the value into lines with quoting
// rules, joining them back, reading, changing, filtering, searching and
// sorting lines.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "platform/base/text_order.h"
#include "textlib/text_buffer.h"
#include "textlib/text_buffer_internal.h"

namespace textlib {

namespace {

using QuotePairs = std::vector<std::pair<std::string, std::string>>;

bool standsAt(std::string_view value, std::size_t at, std::string_view text) {
  return !text.empty() && value.size() - at >= text.size() &&
         value.compare(at, text.size(), text) == 0;
}

// The quote pairs of a split: one pair, or with a list separator the
// alternatives of both lists (a missing closing text is the opening one).
QuotePairs quotePairs(std::string_view quoteStart, std::string_view quoteEnd,
                      std::string_view listSeparator, bool singlePair) {
  const std::string_view open = detail::clipView(quoteStart);
  const std::string_view close = detail::clipView(quoteEnd);
  QuotePairs pairs;
  if (!listSeparator.empty() && !singlePair && open.find(listSeparator[0]) != open.npos) {
    auto cut = [&](std::string_view text) {
      std::vector<std::string> parts;
      std::size_t from = 0;
      for (;;) {
        const std::size_t at = text.find(listSeparator[0], from);
        parts.emplace_back(text.substr(from, at == text.npos ? text.npos : at - from));
        if (at == text.npos) break;
        from = at + 1;
      }
      return parts;
    };
    const std::vector<std::string> opens = cut(open);
    const std::vector<std::string> closes = close.empty() ? std::vector<std::string>{} : cut(close);
    for (std::size_t i = 0; i < opens.size(); ++i) {
      if (opens[i].empty()) continue;
      pairs.emplace_back(opens[i], i < closes.size() && !closes[i].empty() ? closes[i] : opens[i]);
    }
  } else if (!open.empty()) {
    pairs.emplace_back(open, close.empty() ? open : close);
  }
  return pairs;
}

// A block given as length and address; nothing for a null or empty block.
std::string_view bytesView(int length, const void* address) {
  if (address == nullptr || length < 1) return {};
  return {static_cast<const char*>(address), static_cast<std::size_t>(length)};
}

TextLine makeLine(std::string_view text) {
  TextLine line;
  if (!text.empty()) {
    line.LINE.assign(text);
    line.EMPTY = 0;
  }
  return line;
}

std::string_view lineText(const TextLine& line) {
  return line.EMPTY ? std::string_view() : std::string_view(line.LINE);
}

bool isBlankLine(const TextLine& line) { return line.EMPTY || detail::clipView(line.LINE).empty(); }

int compareLines(const TextLine& a, const TextLine& b, int order) {
  const std::string_view x = lineText(a);
  const std::string_view y = lineText(b);
  switch (order) {
    case TextBuffer::kSortNoCase:
      return rt::compareText(rt::upper(x), rt::upper(y));
    case TextBuffer::kSortByLength: {
      const std::size_t lx = detail::clipView(x).size();
      const std::size_t ly = detail::clipView(y).size();
      if (lx != ly) return lx < ly ? -1 : 1;
      return rt::compareText(x, y);
    }
    default:
      return rt::compareText(x, y);
  }
}

}  // namespace

// ---- Splitting ----------------------------------------------------------------

void TextBuffer::Split(std::string_view separator, std::string_view quoteStart,
                       std::string_view quoteEnd, bool removeQuotes, bool clip, bool left,
                       std::string_view quoteListSeparator, bool singleQuotePair, bool nested) {
  if (!LINES) LINES = std::make_unique<LineQueue>();
  FreeLines();
  const std::string_view value = view();
  if (value.empty() || separator.empty()) return;
  const QuotePairs pairs = quotePairs(quoteStart, quoteEnd, quoteListSeparator, singleQuotePair);
  const bool simple =
      pairs.empty() || (separator.size() == 1 && pairs.size() == 1 && pairs[0].first.size() == 1 &&
                        value.find(pairs[0].first[0]) == value.npos);
  int lastPair = -1;
  auto addPiece = [&](std::size_t from, std::size_t to) {
    std::string_view piece = value.substr(from, to - from);
    TextLine line;
    std::uint8_t quoted = 0;
    if (removeQuotes && lastPair >= 0) {
      const auto& [open, close] = pairs[static_cast<std::size_t>(lastPair)];
      if (piece.starts_with(open)) {
        piece.remove_prefix(open.size());
        quoted |= 1;
      }
      if (piece.ends_with(close)) {
        piece.remove_suffix(close.size());
        quoted |= 2;
      }
    }
    std::string text(piece);
    if (!text.empty() && !(clip && detail::clipView(text).empty())) {
      std::size_t lead = left ? text.find_first_not_of(' ') : 0;
      if (lead == std::string::npos) lead = 0;  // all blanks: nothing to move
      if (clip) {
        text = std::string(detail::clipView(text)).substr(lead);
      } else if (lead > 0) {
        text = text.substr(lead) + std::string(lead, ' ');
      }
      line = makeLine(text);
    }
    line.QUOTED = quoted;
    LINES->push_back(std::move(line));
  };

  std::size_t pieceStart = 0;
  if (simple) {
    for (;;) {
      const std::size_t at = value.find(separator, pieceStart);
      if (at == value.npos) break;
      addPiece(pieceStart, at);
      pieceStart = at + separator.size();
      ENDOFLASTLINE = static_cast<int>(pieceStart) + 1;
      if (pieceStart >= value.size()) break;
    }
    addPiece(std::min(pieceStart, value.size()), value.size());
    return;
  }
  int open = -1;
  int depth = 0;
  std::size_t at = 0;
  while (at < value.size()) {
    if (open < 0) {
      if (standsAt(value, at, separator)) {
        addPiece(pieceStart, at);
        at += separator.size();
        pieceStart = at;
        ENDOFLASTLINE = static_cast<int>(at) + 1;
        continue;
      }
      bool opened = false;
      for (std::size_t i = 0; i < pairs.size(); ++i) {
        if (pairs[i].first[0] == value[at] && standsAt(value, at, pairs[i].first)) {
          open = lastPair = static_cast<int>(i);
          depth = 1;
          at += pairs[i].first.size();
          opened = true;
          break;
        }
      }
      if (!opened) ++at;
      continue;
    }
    const auto& [openText, closeText] = pairs[static_cast<std::size_t>(open)];
    if (nested && openText != closeText && standsAt(value, at, openText)) {
      ++depth;
      at += openText.size();
    } else if (standsAt(value, at, closeText)) {
      if (!nested || --depth == 0) open = -1;
      at += closeText.size();
    } else {
      ++at;
    }
  }
  addPiece(std::min(pieceStart, value.size()), value.size());
}

void TextBuffer::SplitEvery(int length) {
  if (!LINES) LINES = std::make_unique<LineQueue>();
  FreeLines();
  if (DATAEND_ == 0 || length < 1) return;
  const std::string_view value = view();
  LINES->reserve(value.size() / static_cast<std::size_t>(length) + 1);
  for (std::size_t at = 0; at < value.size(); at += static_cast<std::size_t>(length)) {
    LINES->push_back(makeLine(value.substr(at, static_cast<std::size_t>(length))));
  }
}

void TextBuffer::SplitBetween(std::string_view startDelimiter, std::string_view endDelimiter,
                              bool noCase, bool exclusive) {
  if (!LINES) LINES = std::make_unique<LineQueue>();
  FreeLines();
  int from = 1;
  while (from <= DATAEND_) {
    int start = from;
    int end = DATAEND_;
    FindBetween(startDelimiter, endDelimiter, start, end, noCase, exclusive);
    if (start == 0) break;
    if (end < start) {
      LINES->push_back(TextLine());
    } else {
      LINES->push_back(makeLine(view().substr(static_cast<std::size_t>(start - 1),
                                              static_cast<std::size_t>(end - start + 1))));
    }
    const int next = end + 1 + (exclusive ? static_cast<int>(endDelimiter.size()) : 0);
    // A find that ends before it starts must still move on.
    from = std::max(next, start + 1);
  }
}

void TextBuffer::SplitByMatch(std::string_view expression, bool noCase) {
  if (!LINES) LINES = std::make_unique<LineQueue>();
  FreeLines();
  int from = 1;
  while (from <= DATAEND_) {
    int start = from;
    int end = DATAEND_;
    FindMatch_(expression, start, end, 2, noCase);
    if (start == 0) {
      LINES->push_back(makeLine(view().substr(static_cast<std::size_t>(from - 1))));
      break;
    }
    LINES->push_back(makeLine(
        view().substr(static_cast<std::size_t>(from - 1), static_cast<std::size_t>(start - from))));
    // An empty match moves on by one byte.
    from = std::max(end + 1, start + 1);
    if (from > DATAEND_) LINES->push_back(TextLine());
  }
}

// ---- Joining and reading ------------------------------------------------------

void TextBuffer::Join(std::string_view separator, std::string_view quoteStart,
                      std::string_view quoteEnd, int quoteMode) {
  SetEmpty();
  if (!LINES || LINES->empty()) return;
  const std::uint8_t savedUseBuffer = USEBUFFER;
  USEBUFFER = 1;
  const bool quoting = !quoteStart.empty();
  const char open = quoting ? quoteStart[0] : '\0';
  const char close = !quoteEnd.empty() ? quoteEnd[0] : open;
  bool first = true;
  for (const TextLine& line : *LINES) {
    if (!first) AppendRaw_(separator.data(), static_cast<int>(separator.size()));
    first = false;
    const bool asked = quoting && (quoteMode == 1 || (quoteMode == 2 && line.QUOTED != 0));
    if (line.EMPTY) {
      if (asked) {
        const char both[2] = {open, close};
        AppendRaw_(both, 2);
      }
      continue;
    }
    const std::string_view text = line.LINE;
    const bool quoted = asked || (quoting && quoteMode != 1 && !separator.empty() &&
                                  text.find(separator) != text.npos);
    if (quoted && text.front() != open) AppendRaw_(&open, 1);
    AppendRaw_(text.data(), static_cast<int>(text.size()));
    if (quoted && text.back() != close) AppendRaw_(&close, 1);
  }
  USEBUFFER = savedUseBuffer;
  if (!USEBUFFER) SetLength(DATAEND_, true);
}

std::string TextBuffer::GetLines(std::string_view separator, int start, int end) const {
  if (!LINES) return {};
  const int count = Records();
  if (start < 1) start = 1;
  if (end < 1 || end > count) end = count;
  std::string out;
  for (int n = start; n <= end; ++n) {
    const std::string_view text = lineText((*LINES)[static_cast<std::size_t>(n - 1)]);
    if (separator.empty()) {
      out.append(text);
    } else {
      out.append(text);
      if (n < end) out.append(separator);
    }
  }
  return out;
}

std::string TextBuffer::GetLine(int lineNumber) const {
  if (!LINES || lineNumber < 1 || lineNumber > Records()) return {};
  return std::string(lineText((*LINES)[static_cast<std::size_t>(lineNumber - 1)]));
}

// ---- Single lines ---------------------------------------------------------------

void TextBuffer::AddLine(int position, int length, const void* address) {
  AddLine(position, bytesView(length, address));
}

void TextBuffer::AddLine(int position, std::string_view text) {
  if (!LINES) LINES = std::make_unique<LineQueue>();
  const int count = Records();
  if (position < 1) position = 1;
  if (position > count) position = count + 1;
  LINES->insert(LINES->begin() + (position - 1), makeLine(text));
}

void TextBuffer::AddLine(std::string_view text) { AddLine(Records() + 1, text); }

void TextBuffer::AddLineBytes(int length, const void* address) {
  AddLine(Records() + 1, length, address);
}

void TextBuffer::SetLine(int lineNumber, int length, const void* address) {
  SetLine(lineNumber, bytesView(length, address));
}

void TextBuffer::SetLine(int lineNumber, std::string_view text) {
  if (!LINES || lineNumber < 1 || lineNumber > Records()) {
    AddLine(lineNumber, text);
    return;
  }
  (*LINES)[static_cast<std::size_t>(lineNumber - 1)] = makeLine(text);
}

void TextBuffer::SetLine(int lineNumber, const TextBuffer& other) {
  SetLine(lineNumber, std::string(other.view()));
}

void TextBuffer::SetLine(int lineNumber) { SetLine(lineNumber, std::string(view())); }

int TextBuffer::DeleteLine(int lineNumber) {
  if (!LINES || lineNumber < 1 || lineNumber > Records()) return 1;
  LINES->erase(LINES->begin() + (lineNumber - 1));
  return 0;
}

int TextBuffer::RemoveEmptyLines() { return RemoveLines({}); }

int TextBuffer::RemoveLines(std::string_view alphabet) {
  if (!LINES) return 0;
  const std::size_t before = LINES->size();
  std::erase_if(*LINES, [&](const TextLine& line) {
    if (isBlankLine(line)) return true;
    if (alphabet.empty()) return false;
    for (char c : line.LINE) {
      if (c != ' ' && alphabet.find(c) == alphabet.npos) return false;
    }
    return true;
  });
  return static_cast<int>(before - LINES->size());
}

void TextBuffer::FilterLines(std::string_view include, std::string_view exclude, bool noCase,
                             bool clip) {
  if (!LINES) return;
  if (clip) include = detail::clipView(include), exclude = detail::clipView(exclude);
  const std::string in = noCase ? rt::upper(include) : std::string(include);
  const std::string out = noCase ? rt::upper(exclude) : std::string(exclude);
  std::erase_if(*LINES, [&](const TextLine& line) {
    const std::string text = noCase ? rt::upper(lineText(line)) : std::string(lineText(line));
    if (!in.empty() && text.find(in) == std::string::npos) return true;
    return !out.empty() && text.find(out) != std::string::npos;
  });
}

int TextBuffer::InLine(std::string_view text, int step, int start, int end, bool noCase, bool exact,
                       int where, bool clip) const {
  if (!LINES || LINES->empty()) return 0;
  const int count = Records();
  if (end < 1 || end > count) end = count;
  if (start < 1) start = 1;
  if (step == 0) step = 1;
  if (start > end && step > 0) return 0;
  if (clip) text = detail::clipView(text);
  std::string wanted(text);
  const bool fold = noCase && detail::hasLetters(wanted);
  if (fold) wanted = rt::upper(wanted);
  auto matches = [&](const TextLine& line) {
    std::string_view body = lineText(line);
    if (clip) body = detail::clipView(body);
    if (wanted.empty()) return body.empty();
    if (body.size() < wanted.size()) return false;
    const std::string folded = fold ? rt::upper(body) : std::string();
    const std::string_view subject = fold ? std::string_view(folded) : body;
    if (subject.size() == wanted.size()) return subject == wanted;
    if (exact) return false;
    if (where == 1) return subject.starts_with(wanted);
    if (where == 2) return subject.ends_with(wanted);
    return subject.find(wanted) != std::string_view::npos;
  };
  for (int n = start; step > 0 ? n <= end : n >= end; n += step) {
    if (n < 1 || n > count) break;
    if (matches((*LINES)[static_cast<std::size_t>(n - 1)])) return n;
  }
  return 0;
}

// ---- Sorting --------------------------------------------------------------------

void TextBuffer::SortLines(int order) {
  if (!LINES || (order != kSortNoCase && order != kSortCollated && order != kSortByLength)) return;
  std::stable_sort(LINES->begin(), LINES->end(), [order](const TextLine& a, const TextLine& b) {
    return compareLines(a, b, order) < 0;
  });
}

void TextBuffer::SortItems(std::string_view separator, std::string_view quoteStart,
                           std::string_view quoteEnd, int order, bool clip, bool left) {
  Split(separator, quoteStart, quoteEnd, true, clip, left);
  SortLines(order);
  Join(separator, quoteStart, quoteEnd, 2);
  FreeLines();
}

}  // namespace textlib
