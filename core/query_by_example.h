#pragma once
// Query by example: a window with one entry per list column; the values
// typed become a condition (each column matched as the list search matches
// it, joined with AND) that the list applies as its named filter "9 - QBE".
#include <optional>
#include <string>
#include <vector>

#include "core/list_search.h"
#include "platform/ui/window_driver.h"

namespace core {

inline constexpr char kQueryFilterId[] = "9 - QBE";

// The condition of the typed values; empty when none was typed.
std::string queryCondition(const std::vector<SearchColumn>& columns,
                           const std::vector<std::string>& values);

class QueryByExample {
 public:
  explicit QueryByExample(std::vector<SearchColumn> columns) : columns_(std::move(columns)) {}
  // Runs the query window; the condition, or nothing when it was cancelled.
  std::optional<std::string> Ask();
  const std::vector<std::string>& values() const { return values_; }

 private:
  std::vector<SearchColumn> columns_;
  std::vector<std::string> values_;  // kept for the next opening
};

}  // namespace core
