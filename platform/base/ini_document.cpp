#include "platform/base/ini_document.h"

#include "platform/base/cp1252.h"
#include "platform/base/text_order.h"

namespace rt {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view trimBlanks(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string matchKey(std::string_view cp1252Name) { return upper(trimBlanks(cp1252Name)); }

}  // namespace

IniDocument::IniDocument(std::string_view text) {
  if (text.starts_with(kByteOrderMark)) {
    byteOrderMark_ = true;
    text.remove_prefix(kByteOrderMark.size());
  }
  if (text.empty()) return;
  const std::size_t firstBreak = text.find('\n');
  if (firstBreak != std::string_view::npos && firstBreak > 0 && text[firstBreak - 1] == '\r') {
    lineBreak_ = "\r\n";
  }
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    std::string_view lineBreak = "\n";
    if (end == std::string_view::npos) {
      end = text.size();
      lineBreak = "";
    }
    std::string_view line = text.substr(pos, end - pos);
    if (!lineBreak.empty() && !line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
      lineBreak = "\r\n";
    }
    lines_.push_back(parseLine(std::string(line)));
    lines_.back().lineBreak = std::string(lineBreak);
    pos = end + 1;
  }
}

IniDocument::Line IniDocument::parseLine(std::string raw) {
  Line line;
  line.raw = std::move(raw);
  const std::string text = utf8ToCp1252(line.raw);
  const std::string_view body = trimBlanks(text);
  if (body.empty() || body.front() == ';') return line;
  if (body.front() == '[') {
    const std::size_t close = body.find(']');
    if (close == std::string_view::npos) return line;
    line.kind = Kind::Section;
    line.name = std::string(trimBlanks(body.substr(1, close - 1)));
    line.key = upper(line.name);
    return line;
  }
  const std::size_t equals = body.find('=');
  if (equals == std::string_view::npos) return line;
  line.kind = Kind::Entry;
  line.name = std::string(trimBlanks(body.substr(0, equals)));
  line.key = upper(line.name);
  line.value = std::string(trimBlanks(body.substr(equals + 1)));
  return line;
}

std::string IniDocument::text() const {
  std::string out;
  if (byteOrderMark_) out += kByteOrderMark;
  for (const Line& line : lines_) out += line.raw + line.lineBreak;
  return out;
}

std::optional<std::pair<std::size_t, std::size_t>> IniDocument::findSection(
    std::string_view key) const {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].kind != Kind::Section || lines_[i].key != key) continue;
    std::size_t end = i + 1;
    while (end < lines_.size() && lines_[end].kind != Kind::Section) ++end;
    return std::make_pair(i, end);
  }
  return std::nullopt;
}

std::optional<std::size_t> IniDocument::findEntry(std::string_view section,
                                                  std::string_view entry) const {
  const auto range = findSection(matchKey(section));
  if (!range) return std::nullopt;
  const std::string key = matchKey(entry);
  for (std::size_t i = range->first + 1; i < range->second; ++i) {
    if (lines_[i].kind == Kind::Entry && lines_[i].key == key) return i;
  }
  return std::nullopt;
}

std::optional<std::string> IniDocument::value(std::string_view section,
                                              std::string_view entry) const {
  const auto i = findEntry(section, entry);
  if (!i) return std::nullopt;
  return lines_[*i].value;
}

std::vector<std::pair<std::string, std::string>> IniDocument::entries(
    std::string_view section) const {
  std::vector<std::pair<std::string, std::string>> out;
  const auto range = findSection(matchKey(section));
  if (!range) return out;
  std::vector<std::string> seen;
  for (std::size_t i = range->first + 1; i < range->second; ++i) {
    const Line& line = lines_[i];
    if (line.kind != Kind::Entry) continue;
    bool duplicate = false;
    for (const std::string& key : seen) duplicate = duplicate || key == line.key;
    if (duplicate) continue;
    seen.push_back(line.key);
    out.emplace_back(line.name, line.value);
  }
  return out;
}

std::vector<std::string> IniDocument::sectionNames() const {
  std::vector<std::string> names;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].kind == Kind::Section && findSection(lines_[i].key)->first == i) {
      names.push_back(lines_[i].name);
    }
  }
  return names;
}

IniDocument::Line IniDocument::makeEntry(std::string_view entry, std::string_view value) {
  return parseLine(cp1252ToUtf8(std::string(trimBlanks(entry)) + "=" + std::string(value)));
}

bool IniDocument::canHold(std::string_view section, std::string_view entry,
                          std::string_view value) {
  const auto hasBreak = [](std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
  };
  section = trimBlanks(section);
  entry = trimBlanks(entry);
  return !section.empty() && !entry.empty() && !hasBreak(section) && !hasBreak(entry) &&
         !hasBreak(value) && section.find(']') == std::string_view::npos &&
         entry.find('=') == std::string_view::npos && entry.front() != ';' && entry.front() != '[';
}

bool IniDocument::setValue(std::string_view section, std::string_view entry,
                           std::string_view value) {
  if (!canHold(section, entry, value)) return false;
  if (const auto i = findEntry(section, entry)) {
    // The name keeps the spelling the file gave it, the line its break.
    Line replaced = makeEntry(lines_[*i].name, value);
    replaced.lineBreak = std::move(lines_[*i].lineBreak);
    lines_[*i] = std::move(replaced);
    return true;
  }
  if (const auto range = findSection(matchKey(section))) {
    // After the section's last line that is not blank, so the blank lines
    // that separate it from the next section stay in place.
    std::size_t at = range->second;
    while (at > range->first + 1 && trimBlanks(lines_[at - 1].raw).empty()) --at;
    insertLine(at, makeEntry(entry, value));
    return true;
  }
  if (!lines_.empty() && !trimBlanks(lines_.back().raw).empty()) insertLine(lines_.size(), Line{});
  insertLine(lines_.size(), parseLine(cp1252ToUtf8("[" + std::string(trimBlanks(section)) + "]")));
  insertLine(lines_.size(), makeEntry(entry, value));
  return true;
}

void IniDocument::insertLine(std::size_t at, Line line) {
  line.lineBreak = lineBreak_;
  // A file that ended without a line break still does.
  if (at == lines_.size() && !lines_.empty() && lines_.back().lineBreak.empty()) {
    lines_.back().lineBreak = lineBreak_;
    line.lineBreak.clear();
  }
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
}

bool IniDocument::removeEntry(std::string_view section, std::string_view entry) {
  const auto i = findEntry(section, entry);
  if (!i) return false;
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*i));
  return true;
}

}  // namespace rt
