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

// An operation without a result, for the `operation` of a case.
template <class Operation>
std::function<std::string(TextBuffer&)> changing(Operation operation) {
  return [operation](TextBuffer& b) {
    operation(b);
    return std::string();
  };
}

// A case whose operation only reads: the value stays as it was.
inline BufferCase reading(std::string name, std::string value,
                          std::function<std::string(const TextBuffer&)> operation,
                          std::string expected) {
  std::string unchanged = value;
  return BufferCase{std::move(name), std::move(value),
                    [operation](TextBuffer& b) { return operation(b); }, std::move(unchanged),
                    std::move(expected)};
}

// The same for an operation with a numeric or true/false result.
inline BufferCase readingNumber(std::string name, std::string value,
                                std::function<long long(const TextBuffer&)> operation,
                                long long expected) {
  return reading(
      std::move(name), std::move(value),
      [operation](const TextBuffer& b) { return num(operation(b)); }, num(expected));
}

}  // namespace textlib::testing
