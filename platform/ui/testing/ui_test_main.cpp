#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/base/testing/test_environment.h"
#include "platform/ui/event_loop.h"
#include "platform/ui/testing/window_test_kit.h"

namespace {

// Window tests run on one screen of the size the program is made for,
// 1366x768, whatever the display platform's default is.
std::filesystem::path chooseTestScreen() {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  if (std::string(std::getenv("QT_QPA_PLATFORM")) != "offscreen") return {};
  const std::filesystem::path config =
      std::filesystem::temp_directory_path() /
      ("varneta-test-screen-" + std::to_string(getpid()) + ".json");
  std::ofstream(config) << R"({"screens": [{"name": "test", "x": 0, "y": 0,)"
                        << R"( "width": 1366, "height": 768, "logicalDpi": 96,)"
                        << R"( "logicalBaseDpi": 96, "dpr": 1}]})";
  setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config.string()).c_str(), 1);
  return config;
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  const std::filesystem::path screen = chooseTestScreen();
  rt::testing::prepareTestProcess();
  QApplication app(argc, argv);
  if (!screen.empty()) std::filesystem::remove(screen);  // read by now
  QApplication::setStyle("Fusion");
  rt::installWindowLayer();
  rt::testing::checkMnemonicsOfEveryWindow();
  return RUN_ALL_TESTS();
}
