#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "platform/base/testing/test_environment.h"
#include "platform/ui/event_loop.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  rt::testing::prepareTestProcess();
  QApplication app(argc, argv);
  QApplication::setStyle("Fusion");
  rt::installWindowLayer();
  return RUN_ALL_TESTS();
}
