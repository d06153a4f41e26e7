#include "platform/ui/testing/window_test_kit.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <QPushButton>
#include <QVBoxLayout>

#include "platform/ui/testing/pdf_probe.h"

namespace rt {
namespace {

using namespace std::chrono_literals;

TEST(WindowTestKit, TheWatchdogFailsAHangingTestInsteadOfWaitingForever) {
  EXPECT_NONFATAL_FAILURE(
      {
        testing::Watchdog dog(50ms);
        const ThreadNumber stuck = start([] {
          for (;;) suspendCurrentThread();
        });
        testing::waitUntil([stuck] { return !threadAlive(stuck); }, "the watchdog", 10s);
      },
      "watchdog");
}

// A check on what an outside tool prints must not pass because the tool is
// not there to print anything.
TEST(WindowTestKit, AMissingOutsideToolFailsTheTest) {
  EXPECT_NONFATAL_FAILURE(testing::commandOutput("varneta-no-such-tool --version 2>&1"),
                          "a tool this test needs is missing");
  EXPECT_EQ(testing::commandOutput("printf 'ok\\n'"), "ok\n");
}

// A window with one button that the test disables or hides.
class OneButton : public WindowDriver {
 public:
  int Init() override {
    auto* w = new QWidget;
    w->setWindowTitle("Boton");
    auto* b = new QPushButton("OK", w);
    b->setObjectName("?OK");
    (new QVBoxLayout(w))->addWidget(b);
    Open(w);
    return level::Benign;
  }
  int TakeAccepted() override {
    ++presses;
    return level::Benign;
  }
  int presses = 0;
};

OneButton* g_window = nullptr;

TEST(WindowTestKit, ClicksOnlyVisibleEnabledControls) {
  testing::Watchdog dog;
  OneButton window;
  const ThreadNumber n = start([&window] { window.Run(); });
  ASSERT_TRUE(testing::waitUntil([&] { return window.isOpen(); }, "the window"));
  g_window = &window;
  QWidget* button = window.control("?OK");
  button->setEnabled(false);
  EXPECT_NONFATAL_FAILURE(testing::click(*g_window, "?OK"), "disabled");
  button->setEnabled(true);
  button->hide();
  EXPECT_NONFATAL_FAILURE(testing::click(*g_window, "?OK"), "hidden");
  EXPECT_NONFATAL_FAILURE(testing::click(*g_window, "?Nada"), "no control");
  button->show();
  EXPECT_TRUE(testing::click(window, "?OK"));
  testing::waitIdle();
  EXPECT_EQ(window.presses, 1);
  window.window()->close();
  ASSERT_TRUE(testing::waitUntil([&] { return !threadAlive(n); }, "the thread to end"));
  g_window = nullptr;
}

}  // namespace
}  // namespace rt
