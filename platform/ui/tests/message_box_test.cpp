#include "platform/ui/message_box.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "platform/base/debug_sink.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/testing/window_test_kit.h"

namespace rt {
namespace {

using testing::click;
using testing::runOnThread;
using testing::WindowScript;

MessageRequest message(std::string text, std::string caption, MessageIcon icon, int buttons,
                       std::string labels = {}) {
  MessageRequest r;
  r.text = std::move(text);
  r.caption = std::move(caption);
  r.icon = icon;
  r.buttons = buttons;
  r.labels = std::move(labels);
  return r;
}

struct Case {
  MessageRequest request;
  const char* press;  // a button to click, or nullptr to close the window
  int answer;
};

TEST(MessageBox, AnswersWithTheButtonPressedOnTheCallersThread) {
  testing::Watchdog watchdog;
  const std::vector<Case> cases = {
      {message("Uno|Dos", "Aviso", MessageIcon::Question, button::Yes | button::No), "?Button2",
       button::No},
      {message("Elija", "Aviso", MessageIcon::None, 0, "Uno|Dos|Tres"), "?Button3", 3},
      {message("Cerrar", "Aviso", MessageIcon::Warning, button::Yes | button::No | button::Cancel),
       nullptr, button::Cancel},
      {message("Solo", "Aviso", MessageIcon::Information, button::Ok), nullptr, button::Ok},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.request.text);
    std::vector<std::string> captions;
    QString text;
    WindowScript script;
    script.on("Aviso", [&](WindowDriver& w) {
      text = qobject_cast<QLabel*>(w.control("?Text"))->text();
      for (auto* b : w.window()->findChildren<QPushButton*>()) {
        captions.push_back(fromQString(b->text()));
      }
      if (c.press != nullptr) {
        click(w, c.press);
      } else {
        w.window()->close();
      }
    });
    int answer = 0;
    ASSERT_TRUE(runOnThread([&] { answer = showMessage(c.request); }));
    EXPECT_EQ(answer, c.answer);
    EXPECT_EQ(script.pending(), 0);
    EXPECT_EQ(text, toQString(c.request.text).replace('|', '\n'));
    EXPECT_FALSE(captions.empty());
  }
}

TEST(MessageBox, TheDefaultButtonIsPreselectedAndClosingWithoutCancelIsRefused) {
  testing::Watchdog watchdog;
  MessageRequest request =
      message("Seguro?", "Pregunta", MessageIcon::Question, button::Yes | button::No);
  request.defaultButton = button::No;
  bool secondIsDefault = false;
  bool stillOpenAfterClose = false;
  WindowScript script;
  script.on("Pregunta", [&](WindowDriver& w) {
    secondIsDefault = w.control<QPushButton>("?Button2")->isDefault();
    w.window()->close();  // Yes and No only: the window stays
    stillOpenAfterClose = true;
    click(w, "?Button1");
  });
  int answer = 0;
  ASSERT_TRUE(runOnThread([&] { answer = showMessage(request); }));
  EXPECT_TRUE(secondIsDefault);
  EXPECT_TRUE(stillOpenAfterClose);
  EXPECT_EQ(answer, button::Yes);
}

TEST(MessageBox, EnterPressesTheFocusedButtonAndEscapeClosesLikeCancel) {
  testing::Watchdog watchdog;
  struct KeyCase {
    Qt::Key key;
    int answer;
  };
  for (const KeyCase& k :
       {KeyCase{Qt::Key_Return, button::Retry}, KeyCase{Qt::Key_Escape, button::Cancel}}) {
    MessageRequest request =
        message("Reintentar?", "Teclas", MessageIcon::Warning, button::Retry | button::Cancel);
    request.defaultButton = button::Retry;
    WindowScript script;
    script.on("Teclas",
              [&](WindowDriver& w) { QTest::keyClick(w.window()->focusWidget(), k.key); });
    int answer = 0;
    ASSERT_TRUE(runOnThread([&] { answer = showMessage(request); }));
    EXPECT_EQ(answer, k.answer);
  }
}

TEST(MessageBox, OutsideALogicalThreadTheDefaultAnswersAndTheTextIsNoted) {
  DebugCapture capture;
  MessageRequest request =
      message("Sin hilo", "Aviso", MessageIcon::Error, button::Ok | button::Cancel);
  request.defaultButton = button::Cancel;
  EXPECT_EQ(showMessage(request), button::Cancel);
  ASSERT_EQ(capture.lines().size(), 1u);
  EXPECT_NE(capture.lines()[0].find("Sin hilo"), std::string::npos);
}

TEST(MessageBox, ScriptedAnswersReplaceTheWindow) {
  testing::ScriptedMessages answers({button::No});
  EXPECT_EQ(showMessage(message("a", "b", MessageIcon::Question, button::Yes | button::No)),
            button::No);
  EXPECT_EQ(showMessage(message("c", "d", MessageIcon::Question, button::Yes | button::No)),
            button::Yes);
  ASSERT_EQ(answers.asked().size(), 2u);
  EXPECT_EQ(answers.asked()[1].text, "c");
}

}  // namespace
}  // namespace rt
