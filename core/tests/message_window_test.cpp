#include "core/frame/message_window.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "core/frame/activity_log.h"
#include "core/frame/globals.h"
#include "platform/base/paths.h"
#include "platform/base/procedures.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/testing/window_test_kit.h"
#include "platform/ui/title_width.h"

namespace core {
namespace {

using rt::testing::click;
using rt::testing::runOnThread;
using rt::testing::WindowScript;

std::vector<std::string> labels(const MessageButtons& b) {
  std::vector<std::string> out;
  for (const MessageButton& button : b.buttons) out.push_back(button.label);
  return out;
}

TEST(MessageButtons, ByMaskOrByLabelsWithTheirDefault) {
  using V = std::vector<std::string>;
  EXPECT_EQ(labels(messageButtons("", 0)), V{"Aceptar"});
  EXPECT_EQ(messageButtons("  ", 0).buttons[0].value, 1);
  const MessageButtons yesNo = messageButtons("6", 4);
  EXPECT_EQ(labels(yesNo), (V{"&Si", "&No"}));
  EXPECT_EQ(yesNo.defaultIndex, 1);
  EXPECT_EQ(yesNo.buttons[1].value, 4);
  EXPECT_EQ(labels(messageButtons("255", 0)), (V{"Aceptar", "&Si", "&No", "&Abortar", "&Reitentar",
                                                 "&Ignorar", "Cancelar", "&Ayuda"}));
  EXPECT_TRUE(messageButtons("256", 0).buttons.empty()) << "none of the eight bits";
  EXPECT_EQ(messageButtons("6", 64).defaultIndex, 1) << "no match: the last";
  EXPECT_EQ(messageButtons("6", 0).defaultIndex, 0);

  const MessageButtons list = messageButtons("Guardar|Descartar|Cancelar", 2);
  EXPECT_FALSE(list.maskMode);
  EXPECT_EQ(labels(list), (V{"Guardar", "Descartar", "Cancelar"}));
  EXPECT_EQ(list.defaultIndex, 1);
  EXPECT_EQ(messageButtons("Guardar|Descartar", 9).defaultIndex, 1);
  EXPECT_EQ(labels(messageButtons("1|2|3|4|5|6|7|8|9|10", 0)),
            (V{"1", "2", "3", "4", "5", "6", "7", "8"}));
  EXPECT_EQ(labels(messageButtons("Un texto de mas de veinte letras|B", 0))[0],
            "Un texto de mas de v");
}

TEST(MessageLayout, OneShortLineIsCentredAtLeast160UnitsWide) {
  const MessageLayout l = layoutMessage({QSize(20, 10)}, false, 1);
  EXPECT_EQ(l.text, QRect(10, 3, 160, 8));
  EXPECT_EQ(l.cartel, QRect(10, 15, 160, 10));
  ASSERT_EQ(l.buttons.size(), 1u);
  EXPECT_EQ(l.buttons[0], QRect(72, 33, 50, 14));
  EXPECT_EQ(l.window, QSize(195, 52));
  EXPECT_TRUE(l.image.isNull());
}

TEST(MessageLayout, WithAnIconTheTextStarts20UnitsRightOfIt) {
  const MessageLayout l = layoutMessage({QSize(200, 10), QSize(0, 10), QSize(40, 10)}, true, 2);
  EXPECT_EQ(l.text.x(), 0 + 19 + 20);
  EXPECT_EQ(l.text.size(), QSize(200, 24));
  EXPECT_EQ(l.text.y(), 15 - 12) << "a block higher than the icon is centred in the window";
  EXPECT_EQ(l.window.width(), 200 + 20 + 39 + 15);
  EXPECT_EQ(l.buttons[1].x() - l.buttons[0].x(), 55);
  EXPECT_EQ(l.window.height(), 3 + 24 + 22 + 14 + 5);
  EXPECT_EQ(l.image, QRect(5, 23, 29, 30)) << "68 / 2 - 21 / 2, without the fraction";

  const MessageLayout rows = layoutMessage({QSize(10, 10), QSize(10, 10)}, true, 6);
  EXPECT_LE(rows.image.y() + 21, rows.buttons[0].y()) << "the icon stays above the buttons";
}

TEST(MessageLayout, FiveToEightButtonsMakeARowOfFourAndACentredSecondRow) {
  for (int n = 5; n <= 8; ++n) {
    SCOPED_TRACE(n);
    const MessageLayout l = layoutMessage({QSize(10, 10)}, false, n);
    ASSERT_EQ(static_cast<int>(l.buttons.size()), n);
    const int W = l.window.width();
    EXPECT_EQ(W, 215 + 15) << "the first row is wider than the text";
    EXPECT_EQ(l.buttons[0].x(), (W - 215) / 2);
    EXPECT_EQ(l.buttons[4].y(), l.buttons[0].y() + 19);
    const int second = (n - 4) * 50 + (n - 5) * 5;
    EXPECT_EQ(l.buttons[4].x(), (W - second) / 2);
    EXPECT_EQ(l.window.height(), l.buttons[4].bottom() + 1 + 5);
  }
}

TEST(MessageLayout, ALongCaptionWidensTheWindowAndTheButtonsStayCentred) {
  const MessageLayout l = layoutMessage({QSize(20, 10)}, false, 1, 300);
  EXPECT_EQ(l.window.width(), 300);
  EXPECT_EQ(l.buttons[0].x(), (300 - 50) / 2);
  EXPECT_EQ(layoutMessage({QSize(20, 10)}, false, 1, 100).window.width(), 195)
      << "a short caption changes nothing";
}

class MessageWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TEMP", rt::runtimeName(rt::workingFolder()).c_str(), 1);
    BuildArchivoLog();
    std::filesystem::remove(rt::resolvePath(GLO::ArchivoLog));
  }
  std::vector<std::string> logged() const {
    std::ifstream in(rt::resolvePath(GLO::ArchivoLog));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line.substr(22));
    return lines;
  }
};

struct Shown {
  std::vector<std::string> buttons;
  std::string focused;
  std::string text;
  QRect textRect, imageRect;
  bool imageVisible = false;
};

Shown look(rt::WindowDriver& w) {
  Shown s;
  for (int i = 1; i <= 8; ++i) {
    if (auto* b = w.control<QPushButton>("?BUTTON" + std::to_string(i))) {
      s.buttons.push_back(rt::fromQString(b->text()));
      if (w.window()->focusWidget() == b && b->isDefault()) s.focused = rt::fromQString(b->text());
    }
  }
  auto* text = w.control<QLabel>("?TEXT");
  s.text = rt::fromQString(text->text());
  const rt::DialogUnits units = rt::DialogUnits::of(w.window());
  s.textRect = QRect(units.unitsX(text->x()), units.unitsY(text->y()), units.unitsX(text->width()),
                     units.unitsY(text->height()));
  if (auto* image = w.control<QLabel>("?IMAGE")) {
    s.imageVisible = image->isVisible();
    s.imageRect = image->geometry();
  }
  return s;
}

TEST_F(MessageWindowTest, ButtonsAnswerTheirValueOrPositionAndEveryMessageIsLogged) {
  rt::testing::Watchdog watchdog;
  struct Case {
    std::string text, buttons;
    unsigned defaultButton;
    std::string press;
    unsigned answer;
    std::vector<std::string> shown;
    std::string focused;
  };
  const std::vector<Case> cases = {
      {"  Seguro?", "6", 4, "?BUTTON2", 4, {"&Si", "&No"}, "&No"},
      {"Cambios",
       "Guardar|Descartar|Cancelar",
       0,
       "?BUTTON2",
       2,
       {"Guardar", "Descartar", "Cancelar"},
       "Guardar"},
      {"Hola", "", 0, "?BUTTON1", 1, {"Aceptar"}, "Aceptar"},
      {"Borrar?", "70", 64, "Enter", 64, {"&Si", "&No", "Cancelar"}, "Cancelar"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Shown shown;
    WindowScript script;
    script.on("Aviso", [&](rt::WindowDriver& w) {
      shown = look(w);
      if (c.press == "Enter") {
        QTest::keyClick(w.window(), Qt::Key_Return);
      } else {
        click(w, c.press);
      }
    });
    unsigned answer = 0;
    ASSERT_TRUE(runOnThread(
        [&] { answer = Kov_Message(c.text, "Aviso", "", c.buttons, c.defaultButton); }));
    EXPECT_EQ(answer, c.answer);
    EXPECT_EQ(shown.buttons, c.shown);
    EXPECT_EQ(shown.focused, c.focused) << "the default button";
    EXPECT_EQ(script.pending(), 0);
  }
  EXPECT_EQ(logged(), (std::vector<std::string>{"Seguro?", "Cambios", "Hola", "Borrar?"}));
}

// The window manager would shorten a caption wider than the window ("Campos
// necesarios... ra darle respuesta"): the window is as wide as it needs.
TEST_F(MessageWindowTest, TheCaptionFitsTheTitleBarWhole) {
  rt::testing::Watchdog watchdog;
  const char* caption = "Campos necesarios para darle respuesta";
  int width = 0, needed = 0;
  WindowScript script;
  script.on(caption, [&](rt::WindowDriver& w) {
    width = w.window()->width();
    needed = rt::titleBarWidth(w.window());
    click(w, "?BUTTON1");
  });
  ASSERT_TRUE(runOnThread([&] { Kov_Message("Complete los campos.", caption); }));
  EXPECT_EQ(script.pending(), 0);
  EXPECT_GT(needed, 0);
  EXPECT_GE(width, needed);
}

TEST_F(MessageWindowTest, LinesAtBarsTextCentredWithoutIconAndBesideIt) {
  rt::testing::Watchdog watchdog;
  Shown plain, withIcon;
  WindowScript script;
  script.on("Uno", [&](rt::WindowDriver& w) {
    plain = look(w);
    w.window()->close();
  });
  script.on("Dos", [&](rt::WindowDriver& w) {
    withIcon = look(w);
    QTest::keyClick(w.window(), Qt::Key_Escape);
  });
  unsigned closed = 99, escaped = 99;
  ASSERT_TRUE(runOnThread([&] {
    closed = Kov_Message("Primera||Tercera", "Uno");
    escaped = Kov_Message("Hola", "Dos", kIconWarning, "6");
  }));
  EXPECT_EQ(closed, 0u) << "closed without a button";
  EXPECT_EQ(escaped, 0u);
  EXPECT_EQ(plain.text, "Primera\n\nTercera");
  EXPECT_EQ(plain.textRect.width(), 160) << "a short text is still 160 units wide";
  EXPECT_FALSE(plain.imageVisible);
  EXPECT_TRUE(withIcon.imageVisible);
  EXPECT_EQ(withIcon.textRect.x(), 39);
  EXPECT_EQ(logged(), (std::vector<std::string>{"Primera||Tercera", "Hola"}));
}

TEST_F(MessageWindowTest, EscapeIsCancelWhereOfferedAndAButtonsLetterAnswersItWithoutAlt) {
  rt::testing::Watchdog watchdog;
  struct Case {
    std::string buttons;
    Qt::Key key;
    unsigned answer;
  };
  const std::vector<Case> cases = {
      {"70", Qt::Key_Escape, 64},                          // Si, No, Cancelar
      {"Guardar|Descartar|&Cancelar", Qt::Key_Escape, 3},  // a label that reads Cancelar
      {"6", Qt::Key_Escape, 0},                            // no Cancel offered
      {"6", Qt::Key_N, 4},
      {"70", Qt::Key_S, 2},
      {"&Uno|&Dos", Qt::Key_D, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.buttons + " " + std::to_string(c.key));
    WindowScript script;
    script.on("Teclas",
              [&](rt::WindowDriver& w) { QTest::keyClick(w.window()->focusWidget(), c.key); });
    unsigned answer = 99;
    ASSERT_TRUE(runOnThread([&] { answer = Kov_Message("Seguro?", "Teclas", "", c.buttons); }));
    EXPECT_EQ(answer, c.answer);
  }
}

TEST_F(MessageWindowTest, F12CallsTheSupportWindowWhileTheMessageWaits) {
  rt::testing::Watchdog watchdog;
  GLO::AdjuntarCaptura = 0;
  int calls = 0;
  bool messageOpenMeanwhile = false;
  rt::registerProcedure("TLSoporte", [&](const rt::ProcedureArgs&) {
    ++calls;
    messageOpenMeanwhile = rt::WindowDriver::topWindow(rt::currentThreadNumber()) != nullptr;
    return rt::kCompleted;
  });
  WindowScript script;
  script.on("Soporte", [&](rt::WindowDriver& w) {
    QTest::keyClick(w.window(), Qt::Key_F12);
    click(w, "?BUTTON1");
  });
  unsigned answer = 0;
  ASSERT_TRUE(
      runOnThread([&] { answer = Kov_Message("Error grave", "Soporte", kIconError, "65"); }));
  rt::unregisterProcedure("TLSoporte");
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(messageOpenMeanwhile);
  EXPECT_EQ(GLO::AdjuntarCaptura, 1);
  EXPECT_EQ(answer, 1u) << "the message went on waiting for a button";
}

TEST_F(MessageWindowTest, IsTheHandlerOfTheProgramsMessages) {
  rt::testing::Watchdog watchdog;
  const rt::MessageHandler before = rt::setMessageHandler(nullptr);
  rt::setMessageHandler(before);
  installMessageWindow();
  std::vector<std::string> shown;
  WindowScript script;
  script.on("Pregunta", [&](rt::WindowDriver& w) {
    shown = look(w).buttons;
    click(w, "?BUTTON2");
  });
  rt::MessageRequest request;
  request.text = "Seguro?";
  request.caption = "Pregunta";
  request.icon = rt::MessageIcon::Question;
  request.buttons = rt::button::Yes | rt::button::No;
  int answer = 0;
  ASSERT_TRUE(runOnThread([&] { answer = rt::showMessage(request); }));
  rt::setMessageHandler(before);
  EXPECT_EQ(answer, rt::button::No);
  EXPECT_EQ(shown, (std::vector<std::string>{"&Si", "&No"}));
  EXPECT_EQ(logged(), std::vector<std::string>{"Seguro?"});
}

}  // namespace
}  // namespace core
