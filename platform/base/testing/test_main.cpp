#include <gtest/gtest.h>

#include "platform/base/testing/test_environment.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  rt::testing::prepareTestProcess();
  return RUN_ALL_TESTS();
}
