#pragma once
// Rows of a plain data file read straight from its table b-tree pages,
// without SQLite's schema: what a repair still finds when the schema, a
// page header or the tree itself is damaged, or the file is cut short. The
// schema table is read the same way (type, name, table, root page,
// statement). Nothing is written.
//
// A leaf page whose header is damaged is read by its cells: by its cell
// pointers while they point at well-formed cells, else by a scan of the page
// for them; a cell is well formed when its record decodes and the caller's
// test accepts the row (it fits a table's layout). Pages that no walked tree
// reaches and that are not on the free list (the leaves below a lost
// interior page or root, the pages of a broken tree) are read in a last
// pass, page by page.
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

// Whether a row read from a damaged page is one (fits a table's layout).
using RowTest = std::function<bool(const PageRow&)>;

class PageReader {
 public:
  // False when the file is not a readable SQLite file (its header).
  bool open(const std::filesystem::path& file);

  std::vector<PageSchemaEntry> schema();
  // Every row of the table b-tree whose root is `root`, in page order. The
  // rows of a leaf read by its cells are those `fits` accepts.
  void tableRows(std::uint32_t root, const std::function<void(PageRow&&)>& onRow,
                 const RowTest& fits = {});

  // The rows of every page that no walk so far reached and that is not on
  // the free list, page by page: all the rows of a leaf with a sound header,
  // those `fits` accepts of a page read by its cells.
  using PageRows = std::function<void(std::vector<PageRow>&& rows)>;
  void orphanRows(const PageRows& onPage, const RowTest& fits);

  // Cells found whose record could not be read whole (a damaged record, an
  // overflow page missing).
  std::int64_t unreadableCells() const { return unreadable_; }

 private:
  bool readPage(std::uint32_t number, std::string& page);
  void walk(std::uint32_t number, int depth, const std::function<void(PageRow&&)>& onRow,
            const RowTest& fits);
  // The rows of a page that may be a table leaf; false when it is not one.
  bool leafRows(const std::string& page, std::size_t head, const RowTest& fits,
                std::vector<PageRow>& rows);
  std::vector<PageRow> rowsByCells(const std::string& page, std::size_t head, const RowTest& fits);
  // The well-formed table leaf cell at `at`: its row and the offset past it.
  bool cell(const std::string& page, std::size_t at, PageRow& row, std::size_t& end,
            std::vector<std::uint32_t>& overflow);
  bool payload(const std::string& page, std::size_t at, std::uint64_t size, std::string& out,
               std::size_t& end, std::vector<std::uint32_t>& overflow);
  void markFreeList(std::uint32_t trunk, std::uint32_t count);

  std::ifstream in_;
  std::uint32_t pageSize_ = 0;
  std::uint32_t usable_ = 0;
  std::uint32_t pages_ = 0;
  std::set<std::uint32_t> used_;  // pages a walk reached, the free list's
  std::int64_t unreadable_ = 0;
};

}  // namespace rt
