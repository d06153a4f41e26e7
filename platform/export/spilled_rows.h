#pragma once
// Rows of an export kept in a file of the account's private temp folder
// while the file is written, so a list of any length is held a row at a time:
// appended in the order they are read, read back in that order or in an
// order given later (a sort), as often as a writer needs. The file goes with
// the object.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/private_temp.h"
#include "platform/export/export_file.h"

namespace rt {

class SpilledRows : public ExportRowFeed {
 public:
  SpilledRows();
  ~SpilledRows() override;
  SpilledRows(const SpilledRows&) = delete;
  SpilledRows& operator=(const SpilledRows&) = delete;

  // The reason the rows cannot be kept (CP1252); empty while all is well.
  const std::string& error() const { return error_; }
  // Adds a row after the others; false (and error() says why) when it could
  // not be written.
  bool append(const std::vector<std::string>& row);
  // Reads these rows in this order from now on: the positions (from 0) of
  // the rows as appended; an empty order reads them all as appended.
  void setOrder(std::vector<std::size_t> order) { order_ = std::move(order); }

  std::size_t size() const override { return offsets_.size(); }
  std::string failure() const override { return error_; }
  void rewind() override;
  const std::vector<std::string>* next() override;

 private:
  bool readRow();
  WorkFolder folder_;
  std::FILE* file_ = nullptr;
  std::vector<std::uint64_t> offsets_;
  std::vector<std::size_t> order_;
  std::uint64_t end_ = 0;  // the file's length
  std::size_t next_ = 0;
  // What the file did last: a write leaves it at its end, a read in the
  // rows' own order where the next row begins.
  enum class Last { Nothing, Write, Read } last_ = Last::Nothing;
  std::vector<std::string> row_;
  std::string error_;
};

}  // namespace rt
