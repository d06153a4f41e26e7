#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "platform/base/testing/test_environment.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  rt::testing::prepareTestProcess();
  QApplication app(argc, argv);
  QApplication::setStyle("Fusion");
  return RUN_ALL_TESTS();
}
