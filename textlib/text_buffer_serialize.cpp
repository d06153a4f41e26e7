// TextBuffer: records and queues of records as delimited text, one line per
// record, with a separator and quote bytes per nesting level.
#include <algorithm>
#include <string>
#include <vector>

#include "platform/base/runtime_errors.h"
#include "textlib/text_buffer.h"
#include "textlib/text_buffer_internal.h"

namespace textlib {

namespace {

// One separator per nesting level: the text split at the letter "I".
std::vector<std::string> levelSeparators(std::string_view separators) {
  std::vector<std::string> out;
  if (separators.empty()) return {","};
  std::size_t from = 0;
  for (;;) {
    const std::size_t at = separators.find('I', from);
    out.emplace_back(separators.substr(from, at == separators.npos ? separators.npos : at - from));
    if (at == separators.npos) break;
    from = at + 1;
  }
  return out;
}

// The entry of a level: the level-th, or the last for deeper levels.
template <typename List>
auto atLevel(const List& list, int level) {
  return list[std::min(static_cast<std::size_t>(level), list.size()) - 1];
}

}  // namespace

int TextBuffer::SerializeGroup(const RecordImage& group, std::string_view separators,
                               std::string_view quoteStart, std::string_view quoteEnd, int level,
                               int clearFirst, int alwaysQuote) {
  if (level < 1) level = 1;
  std::string separator = atLevel(levelSeparators(separators), level);
  if (separator.empty()) separator = ",";
  bool quoting = !quoteStart.empty();
  char open = '"';
  char close = '"';
  if (quoting) {
    open = atLevel(quoteStart, level);
    close = quoteEnd.empty() ? open : atLevel(quoteEnd, level);
  } else {
    quoting = (alwaysQuote & 1) != 0;
  }
  if (clearFirst == 1) SetEmpty();
  int count = 0;
  bool first = true;
  auto separate = [&] {
    if (!first) Append(separator);
    first = false;
  };
  for (const RecordField& field : group) {
    ++count;
    if (field.isRecord) {
      separate();
      count += SerializeGroup(field.fields, separators, quoteStart, quoteEnd, level + 1, 0,
                              alwaysQuote) -
               1;
      continue;
    }
    for (const std::string& value : field.values) {
      separate();
      const std::string_view text = detail::clipView(value);
      const bool quoted = quoting && ((alwaysQuote & 1) || text.find(separator) != text.npos);
      if (quoted) AppendRaw_(&open, 1);
      AppendRaw_(text.data(), static_cast<int>(text.size()));
      if (quoted) AppendRaw_(&close, 1);
    }
  }
  return count + 1;
}

void TextBuffer::SerializeQueue(const std::vector<RecordImage>& queue, std::string_view lineEnding,
                                std::string_view separators, std::string_view quoteStart,
                                std::string_view quoteEnd, int level, int clearFirst,
                                int alwaysQuote) {
  if (lineEnding.empty()) lineEnding = "\r\n";
  if (clearFirst == 1) SetEmpty();
  bool first = true;
  for (const RecordImage& record : queue) {
    if (!first) AppendRaw_(lineEnding.data(), static_cast<int>(lineEnding.size()));
    first = false;
    SerializeGroup(record, separators, quoteStart, quoteEnd, level, 0, alwaysQuote);
  }
}

void TextBuffer::TraceQueue(const std::vector<RecordImage>& queue) {
  // Tracing never changes what the caller's next error check sees.
  const int code = rt::errorCode();
  const std::string driverCode = rt::fileErrorCode();
  const std::string driverMessage = rt::fileError();
  TextBuffer trace;
  trace.DebugOut("Records in Queue: " + std::to_string(queue.size()));
  trace.SerializeQueue(queue, {}, {}, {}, {}, 1, 1, 0);
  trace.DebugOut();
  if (code == rt::error::DriverError) {
    rt::setFileError(driverCode, driverMessage);
  } else {
    rt::setError(code);
  }
}

}  // namespace textlib
