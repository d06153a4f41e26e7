#pragma once
// The text of an INI file under the Windows profile rules: "[section]" lines
// and "entry=value" lines; section and entry names ignore case and the blanks
// around them; the first of several equal names counts; every other line
// (comments, blank lines) is kept as it stands. Changes touch only the line
// they concern: a value is replaced in place, a new entry goes after the last
// line of its section, a new section at the end of the file.
//
// The text is UTF-8 (as on disk); names and values cross the interface as
// runtime text (CP1252).
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace rt {

class IniDocument {
 public:
  IniDocument() = default;
  explicit IniDocument(std::string_view utf8Text);

  // The whole file again, lines not touched byte for byte as read.
  std::string text() const;

  std::optional<std::string> value(std::string_view section, std::string_view entry) const;
  // The section's entries in file order (names as written); empty when missing.
  std::vector<std::pair<std::string, std::string>> entries(std::string_view section) const;
  // Section names in file order, each once.
  std::vector<std::string> sectionNames() const;

  // False, changing nothing, for names or values the file cannot hold: a line
  // break or NUL anywhere, an empty name, "]" in a section name, "=" in an entry
  // name or an entry name that would read as a comment or a section.
  bool setValue(std::string_view section, std::string_view entry, std::string_view value);
  // False when there was no such entry.
  bool removeEntry(std::string_view section, std::string_view entry);

 private:
  enum class Kind { Other, Section, Entry };
  struct Line {
    std::string raw;        // UTF-8, without its line break
    std::string lineBreak;  // as read: "\n", "\r\n", or none at the end
    Kind kind = Kind::Other;
    std::string key;    // upper-cased CP1252 name of a section or entry, for matching
    std::string name;   // CP1252 name as written
    std::string value;  // CP1252 value of an entry
  };

  static Line parseLine(std::string raw);
  // [begin, end) of the first section named so: the header line and the lines
  // up to the next header. nullopt when missing.
  std::optional<std::pair<std::size_t, std::size_t>> findSection(std::string_view key) const;
  std::optional<std::size_t> findEntry(std::string_view section, std::string_view entry) const;
  static bool canHold(std::string_view section, std::string_view entry, std::string_view value);
  static Line makeEntry(std::string_view entry, std::string_view value);
  // New lines take the file's line break (that of its first line).
  void insertLine(std::size_t at, Line line);

  std::vector<Line> lines_;
  std::string lineBreak_ = "\n";
  bool byteOrderMark_ = false;
};

}  // namespace rt
