#pragma once
// A fresh practice folder for a test: a new empty data folder in the working
// folder, with the practice's database open in it (and every table, when
// asked). Call it under ASSERT_NO_FATAL_FAILURE; the test closes what it
// opened.
#include <gtest/gtest.h>

#include <filesystem>
#include <string_view>

#include "core/tables/data_files.h"
#include "core/tables/table_registration.h"
#include "platform/base/testing/test_environment.h"

namespace core::testing {

enum class Tables { Closed, AllOpen };

inline void openFreshPractice(std::string_view prefix, std::filesystem::path& folder,
                              Tables tables = Tables::Closed) {
  folder = rt::testing::freshFolder(prefix);
  ASSERT_EQ(openPracticeDatabase(folder), 0) << folder;
  if (tables == Tables::AllOpen) {
    ASSERT_EQ(openAllTables(), 0);
  }
}

}  // namespace core::testing
