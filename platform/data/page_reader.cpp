#include "platform/data/page_reader.h"

#include <cstring>

namespace rt {
namespace {

constexpr unsigned char kInteriorTable = 0x05;
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
  if (pageSize_ < 512 || (pageSize_ & (pageSize_ - 1)) != 0 || header[20] > pageSize_ - 480) return false;
  usable_ = pageSize_ - header[20];
  std::error_code ec;
  const std::uintmax_t bytes = std::filesystem::file_size(file, ec);
  if (ec) return false;
  pages_ = static_cast<std::uint32_t>(bytes / pageSize_);
  return pages_ > 0;
}

bool PageReader::readPage(std::uint32_t number, std::string& page) {
  if (number == 0 || number > pages_) return false;
  page.resize(pageSize_);
  in_.clear();
  in_.seekg(static_cast<std::streamoff>(number - 1) * pageSize_);
  return static_cast<bool>(in_.read(page.data(), pageSize_));
}

// A cell's payload, with the pages it overflows into.
bool PageReader::payload(const std::string& page, std::size_t at, std::uint64_t size, std::string& out) {
  const std::uint64_t largestLocal = usable_ - 35;
  std::uint64_t local = size;
  if (size > largestLocal) {
    const std::uint64_t least = (usable_ - 12) * 32 / 255 - 23;
    const std::uint64_t k = least + (size - least) % (usable_ - 4);
    local = k <= largestLocal ? k : least;
  }
  if (at + local + (local < size ? 4 : 0) > usable_) return false;
  out.assign(page, at, local);
  if (local == size) return true;
  std::uint32_t next = bigEndian(bytesAt(page, at + local), 4);
  std::string overflow;
  std::set<std::uint32_t> seen;
  while (out.size() < size) {
    if (!seen.insert(next).second || !readPage(next, overflow)) return false;
    const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(size - out.size(), usable_ - 4));
    out.append(overflow, 4, take);
    next = bigEndian(bytesAt(overflow, 0), 4);
  }
  return true;
}

void PageReader::walk(std::uint32_t number, int depth, std::set<std::uint32_t>& seen,
                      const std::function<void(PageRow&&)>& onRow) {
  std::string page;
  if (depth > kDeepest || !seen.insert(number).second || !readPage(number, page)) return;
  const std::size_t head = number == 1 ? 100 : 0;
  const unsigned char type = page[head];
  if (type != kInteriorTable && type != kLeafTable) return;
  const std::size_t cells = bigEndian(bytesAt(page, head + 3), 2);
  const std::size_t pointers = head + (type == kLeafTable ? 8 : 12);
  if (pointers + 2 * cells > usable_) return;
  for (std::size_t i = 0; i < cells; ++i) {
    std::size_t at = bigEndian(bytesAt(page, pointers + 2 * i), 2);
    if (at < pointers + 2 * cells || at >= usable_) continue;
    if (type == kInteriorTable) {
      if (at + 4 <= usable_) walk(bigEndian(bytesAt(page, at), 4), depth + 1, seen, onRow);
      continue;
    }
    std::uint64_t size = 0, rowid = 0;
    if (!varint(page, at, usable_, size) || !varint(page, at, usable_, rowid)) continue;
    std::string record;
    PageRow row;
    row.rowid = static_cast<std::int64_t>(rowid);
    if (payload(page, at, size, record) && decodeRecord(record, row.values)) onRow(std::move(row));
  }
  if (type == kInteriorTable) walk(bigEndian(bytesAt(page, head + 8), 4), depth + 1, seen, onRow);
}

void PageReader::tableRows(std::uint32_t root, const std::function<void(PageRow&&)>& onRow) {
  std::set<std::uint32_t> seen;
  walk(root, 0, seen, onRow);
}

std::vector<PageSchemaEntry> PageReader::schema() {
  std::vector<PageSchemaEntry> out;
  tableRows(1, [&](PageRow&& row) {
    if (row.values.size() < 5) return;
    PageSchemaEntry e;
    e.type = row.values[0].bytes;
    e.name = row.values[1].bytes;
    e.table = row.values[2].bytes;
    e.root = row.values[3].kind == PageValue::Integer ? static_cast<std::uint32_t>(row.values[3].integer) : 0;
    e.sql = row.values[4].bytes;
    out.push_back(std::move(e));
  });
  return out;
}

}  // namespace rt
