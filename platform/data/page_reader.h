#pragma once
// Rows of a plain data file read straight from its table b-tree pages,
// without SQLite's schema: what a repair still finds when the schema
// itself is damaged. The schema table is read the same way (type, name,
// table, root page, statement). A page that cannot be read is skipped with
// what hangs below it; nothing is written.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace rt {

struct PageValue {
  enum Kind { Null, Integer, Real, Text, Blob };
  Kind kind = Null;
  std::int64_t integer = 0;
  double real = 0;
  std::string bytes;  // text (UTF-8) or blob
};

struct PageRow {
  std::int64_t rowid = 0;
  std::vector<PageValue> values;
};

struct PageSchemaEntry {
  std::string type, name, table, sql;
  std::uint32_t root = 0;
};

class PageReader {
 public:
  // False when the file is not a readable SQLite file (its header).
  bool open(const std::filesystem::path& file);

  std::vector<PageSchemaEntry> schema();
  // Every row of the table b-tree whose root is `root`, in page order.
  void tableRows(std::uint32_t root, const std::function<void(PageRow&&)>& onRow);

 private:
  bool readPage(std::uint32_t number, std::string& page);
  void walk(std::uint32_t number, int depth, std::set<std::uint32_t>& seen,
            const std::function<void(PageRow&&)>& onRow);
  bool payload(const std::string& page, std::size_t at, std::uint64_t size, std::string& out);

  std::ifstream in_;
  std::uint32_t pageSize_ = 0;
  std::uint32_t usable_ = 0;
  std::uint32_t pages_ = 0;
};

}  // namespace rt
