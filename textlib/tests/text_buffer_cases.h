#pragma once
// Table-driven cases for TextBuffer operations: each case starts from a value,
// runs one operation and checks the value afterwards and the operation's
// result (as text).
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "textlib/text_buffer.h"

namespace textlib::testing {

struct BufferCase {
  std::string name;
  std::string value;
  std::function<std::string(TextBuffer&)> operation;  // returns the result as text
  std::string expectedValue;
  std::string expectedResult;
};

inline void PrintTo(const BufferCase& c, std::ostream* os) { *os << c.name; }

inline std::string caseName(const ::testing::TestParamInfo<BufferCase>& info) {
  return info.param.name;
}

inline void runCase(const BufferCase& c) {
  TextBuffer buffer;
  buffer.SetValue(c.value);
  const std::string result = c.operation(buffer);
  EXPECT_EQ(buffer.GetValue(), c.expectedValue) << c.name;
  EXPECT_EQ(result, c.expectedResult) << c.name;
}

inline std::string num(long long n) { return std::to_string(n); }

}  // namespace textlib::testing
