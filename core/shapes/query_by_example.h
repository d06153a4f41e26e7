#pragma once
// Query by example: a window with one entry per list column; the values
// typed become a condition (each column matched as the list search matches
// it, joined with AND) that the list applies as its named filter "9 - QBE".
// Queries are saved by a name of the user's and loaded back, in the program
// INI under the list's query name.
#include <optional>
#include <string>
#include <vector>

#include "core/shapes/list_search.h"
#include "platform/ui/window_driver.h"

namespace core {

inline constexpr char kQueryFilterId[] = "9 - QBE";

// The condition of the typed values; empty when none was typed.
std::string queryCondition(const std::vector<SearchColumn>& columns,
                           const std::vector<std::string>& values);

class QueryByExample {
 public:
  explicit QueryByExample(std::vector<SearchColumn> columns, std::string name = {})
      : columns_(std::move(columns)), name_(std::move(name)) {}
  // Runs the query window; the condition, or nothing when it was cancelled.
  std::optional<std::string> Ask();
  const std::vector<std::string>& values() const { return values_; }

  // The saved queries of this list, by name, and the values of one (empty
  // when there is no such query).
  std::vector<std::string> savedQueries() const;
  std::vector<std::string> savedQuery(std::string_view queryName) const;
  // Saves the values under the name (replacing a query of that name); false
  // when the name is blank or the settings file cannot be written.
  bool saveQuery(std::string_view queryName, const std::vector<std::string>& values) const;

 private:
  std::vector<SearchColumn> columns_;
  std::string name_;
  std::vector<std::string> values_;  // kept for the next opening
};

}  // namespace core
