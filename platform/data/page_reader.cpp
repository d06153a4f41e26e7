#include "platform/data/page_reader.h"

#include <algorithm>
#include <cstring>

namespace rt {
namespace {

constexpr unsigned char kInteriorIndex = 0x02;
constexpr unsigned char kInteriorTable = 0x05;
constexpr unsigned char kLeafIndex = 0x0A;
constexpr unsigned char kLeafTable = 0x0D;
constexpr int kDeepest = 40;  // deeper than any real b-tree: a loop of pages

std::uint32_t bigEndian(const unsigned char* p, int bytes) {
  std::uint32_t v = 0;
  for (int i = 0; i < bytes; ++i) v = v << 8 | p[i];
  return v;
}

const unsigned char* bytesAt(const std::string& s, std::size_t at) {
  return reinterpret_cast<const unsigned char*>(s.data()) + at;
}

// An SQLite varint at `at` (at most 9 bytes); false when it runs past `end`.
bool varint(const std::string& s, std::size_t& at, std::size_t end, std::uint64_t& value) {
  value = 0;
  for (int i = 0; i < 9; ++i) {
    if (at >= end) return false;
    const unsigned char b = s[at++];
    if (i == 8) {
      value = value << 8 | b;
      return true;
    }
    value = value << 7 | (b & 0x7F);
    if (!(b & 0x80)) return true;
  }
  return true;
}

std::int64_t signedBigEndian(const unsigned char* p, int bytes) {
  std::uint64_t v = (p[0] & 0x80) ? ~std::uint64_t{0} : 0;
  for (int i = 0; i < bytes; ++i) v = v << 8 | p[i];
  return static_cast<std::int64_t>(v);
}

// The values of a record; false when its header does not fit its bytes.
bool decodeRecord(const std::string& record, std::vector<PageValue>& values) {
  std::size_t at = 0;
  std::uint64_t headerSize = 0;
  if (!varint(record, at, record.size(), headerSize) || headerSize > record.size()) return false;
  std::size_t body = headerSize;
  while (at < headerSize) {
    std::uint64_t type = 0;
    if (!varint(record, at, headerSize, type)) return false;
    PageValue v;
    std::size_t length = 0;
    if (type >= 12) {
      length = (type - 12) / 2;
      v.kind = type % 2 ? PageValue::Text : PageValue::Blob;
    } else {
      static constexpr int kLengths[10] = {0, 1, 2, 3, 4, 6, 8, 8, 0, 0};
      if (type == 10 || type == 11) return false;
      length = kLengths[type];
      v.kind = type == 0 ? PageValue::Null : type == 7 ? PageValue::Real : PageValue::Integer;
    }
    if (body + length > record.size()) return false;
    const unsigned char* p = bytesAt(record, body);
    if (v.kind == PageValue::Integer) {
      v.integer = type == 8 ? 0 : type == 9 ? 1 : signedBigEndian(p, static_cast<int>(length));
    } else if (v.kind == PageValue::Real) {
      const std::uint64_t bits = static_cast<std::uint64_t>(signedBigEndian(p, 8));
      std::memcpy(&v.real, &bits, sizeof v.real);
    } else if (v.kind != PageValue::Null) {
      v.bytes.assign(record, body, length);
    }
    body += length;
    values.push_back(std::move(v));
  }
  return true;
}

}  // namespace

bool PageReader::open(const std::filesystem::path& file) {
  in_.open(file, std::ios::binary);
  unsigned char header[100] = {};
  if (!in_.read(reinterpret_cast<char*>(header), sizeof header)) return false;
  if (std::memcmp(header, "SQLite format 3", 16) != 0) return false;
  const std::uint32_t size = bigEndian(header + 16, 2);
  pageSize_ = size == 1 ? 65536 : size;
  if (pageSize_ < 512 || (pageSize_ & (pageSize_ - 1)) != 0 || header[20] > pageSize_ - 480)
    return false;
  usable_ = pageSize_ - header[20];
  std::error_code ec;
  const std::uintmax_t bytes = std::filesystem::file_size(file, ec);
  if (ec) return false;
  pages_ = static_cast<std::uint32_t>(bytes / pageSize_);
  if (pages_ == 0) return false;
  // The page SQLite keeps for its locks holds nothing.
  used_.insert(static_cast<std::uint32_t>(0x40000000u / pageSize_ + 1));
  markFreeList(bigEndian(header + 32, 4), bigEndian(header + 36, 4));
  return true;
}

// Free pages keep the rows they held before: they are never read as rows.
void PageReader::markFreeList(std::uint32_t trunk, std::uint32_t count) {
  std::string page;
  while (trunk != 0 && used_.insert(trunk).second && readPage(trunk, page)) {
    const std::uint32_t leaves = bigEndian(bytesAt(page, 4), 4);
    if (leaves > (usable_ - 8) / 4 || leaves >= count) break;
    for (std::uint32_t i = 0; i < leaves; ++i) used_.insert(bigEndian(bytesAt(page, 8 + 4 * i), 4));
    count -= leaves + 1;
    trunk = bigEndian(bytesAt(page, 0), 4);
  }
}

bool PageReader::readPage(std::uint32_t number, std::string& page) {
  if (number == 0 || number > pages_) return false;
  page.resize(pageSize_);
  in_.clear();
  in_.seekg(static_cast<std::streamoff>(number - 1) * pageSize_);
  return static_cast<bool>(in_.read(page.data(), pageSize_));
}

// A cell's payload, with the pages it overflows into; `end` is the offset
// past the cell's part on its own page.
bool PageReader::payload(const std::string& page, std::size_t at, std::uint64_t size,
                         std::string& out, std::size_t& end, std::vector<std::uint32_t>& overflow) {
  const std::uint64_t largestLocal = usable_ - 35;
  std::uint64_t local = size;
  if (size > largestLocal) {
    const std::uint64_t least = (usable_ - 12) * 32 / 255 - 23;
    const std::uint64_t k = least + (size - least) % (usable_ - 4);
    local = k <= largestLocal ? k : least;
  }
  end = at + local + (local < size ? 4 : 0);
  if (end > usable_) return false;
  out.assign(page, at, local);
  if (local == size) return true;
  std::uint32_t next = bigEndian(bytesAt(page, at + local), 4);
  std::string chain;
  while (out.size() < size) {
    if (std::find(overflow.begin(), overflow.end(), next) != overflow.end() ||
        !readPage(next, chain))
      return false;
    overflow.push_back(next);
    const std::size_t take =
        static_cast<std::size_t>(std::min<std::uint64_t>(size - out.size(), usable_ - 4));
    out.append(chain, 4, take);
    next = bigEndian(bytesAt(chain, 0), 4);
  }
  return true;
}

bool PageReader::cell(const std::string& page, std::size_t at, PageRow& row, std::size_t& end,
                      std::vector<std::uint32_t>& overflow) {
  std::uint64_t size = 0, rowid = 0;
  if (!varint(page, at, usable_, size) || !varint(page, at, usable_, rowid) ||
      size > std::uint64_t{pages_} * usable_) {
    return false;
  }
  std::string record;
  row.rowid = static_cast<std::int64_t>(rowid);
  row.values.clear();
  return payload(page, at, size, record, end, overflow) && decodeRecord(record, row.values);
}

// By the cell pointers while each points past the pointers read so far, at
// a cell of its own that is well formed; when none does, by a scan of the
// page for well-formed cells, each one skipped whole once found.
std::vector<PageRow> PageReader::rowsByCells(const std::string& page, std::size_t head,
                                             const RowTest& fits) {
  std::vector<PageRow> rows;
  std::vector<std::uint32_t> overflow;
  auto take = [&](std::size_t at, std::size_t& end) {
    PageRow row;
    overflow.clear();
    if (!cell(page, at, row, end, overflow) || (fits && !fits(row))) return false;
    used_.insert(overflow.begin(), overflow.end());
    rows.push_back(std::move(row));
    return true;
  };
  const std::size_t pointers = head + 8;
  std::set<std::size_t> cells;
  for (std::size_t i = 0; pointers + 2 * (i + 1) <= usable_; ++i) {
    const std::size_t at = bigEndian(bytesAt(page, pointers + 2 * i), 2);
    std::size_t end = 0;
    if (at < pointers + 2 * (i + 1) || !cells.insert(at).second || !take(at, end)) break;
  }
  if (!rows.empty()) return rows;
  for (std::size_t at = pointers; at < usable_;) {
    std::size_t end = 0;
    at = take(at, end) ? end : at + 1;
  }
  return rows;
}

bool PageReader::leafRows(const std::string& page, std::size_t head, const RowTest& fits,
                          std::vector<PageRow>& rows) {
  const unsigned char type = page[head];
  if (type == kInteriorTable || type == kInteriorIndex || type == kLeafIndex) return false;
  const std::size_t cells = bigEndian(bytesAt(page, head + 3), 2);
  const std::size_t pointers = head + 8;
  const bool sound = type == kLeafTable && pointers + 2 * cells <= usable_;
  if (!sound) {
    rows = rowsByCells(page, head, fits);
    return true;
  }
  std::vector<std::uint32_t> overflow;
  for (std::size_t i = 0; i < cells; ++i) {
    const std::size_t at = bigEndian(bytesAt(page, pointers + 2 * i), 2);
    PageRow row;
    std::size_t end = 0;
    overflow.clear();
    if (at >= pointers + 2 * cells && cell(page, at, row, end, overflow)) {
      used_.insert(overflow.begin(), overflow.end());
      rows.push_back(std::move(row));
    } else {
      ++unreadable_;
    }
  }
  return true;
}

void PageReader::walk(std::uint32_t number, int depth, const std::function<void(PageRow&&)>& onRow,
                      const RowTest& fits) {
  std::string page;
  if (depth > kDeepest || used_.count(number) || !readPage(number, page)) return;
  used_.insert(number);
  const std::size_t head = number == 1 ? 100 : 0;
  if (page[head] == kInteriorTable) {
    const std::size_t cells = bigEndian(bytesAt(page, head + 3), 2);
    const std::size_t pointers = head + 12;
    // Below a damaged interior page the leaves are read as pages no tree
    // reaches.
    if (pointers + 2 * cells > usable_) return;
    for (std::size_t i = 0; i < cells; ++i) {
      const std::size_t at = bigEndian(bytesAt(page, pointers + 2 * i), 2);
      if (at >= pointers + 2 * cells && at + 4 <= usable_)
        walk(bigEndian(bytesAt(page, at), 4), depth + 1, onRow, fits);
    }
    walk(bigEndian(bytesAt(page, head + 8), 4), depth + 1, onRow, fits);
    return;
  }
  std::vector<PageRow> rows;
  if (!leafRows(page, head, fits, rows)) return;
  for (PageRow& row : rows) onRow(std::move(row));
}

void PageReader::tableRows(std::uint32_t root, const std::function<void(PageRow&&)>& onRow,
                           const RowTest& fits) {
  walk(root, 0, onRow, fits);
}

void PageReader::orphanRows(const PageRows& onPage, const RowTest& fits) {
  std::string page;
  for (std::uint32_t number = 1; number <= pages_; ++number) {
    if (used_.count(number) || !readPage(number, page)) continue;
    used_.insert(number);
    std::vector<PageRow> rows;
    if (leafRows(page, number == 1 ? 100 : 0, fits, rows) && !rows.empty()) onPage(std::move(rows));
  }
}

std::vector<PageSchemaEntry> PageReader::schema() {
  std::vector<PageSchemaEntry> out;
  tableRows(1, [&](PageRow&& row) {
    if (row.values.size() < 5) return;
    PageSchemaEntry e;
    e.type = row.values[0].bytes;
    e.name = row.values[1].bytes;
    e.table = row.values[2].bytes;
    e.root = row.values[3].kind == PageValue::Integer
                 ? static_cast<std::uint32_t>(row.values[3].integer)
                 : 0;
    e.sql = row.values[4].bytes;
    out.push_back(std::move(e));
  });
  return out;
}

}  // namespace rt
