// The rich-text control inside a window run by the window driver: the window
// hands every event to the control first, so each tool acts once per accepted
// event, whether the user clicked its control or the program posted the event.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBlock>
#include <QVBoxLayout>

#include "platform/base/logical_threads.h"
#include "platform/base/procedures.h"
#include "platform/ui/rtf_control.h"
#include "platform/ui/rtf_windows.h"
#include "platform/ui/testing/window_test_kit.h"

namespace rt {
namespace {

using testing::click;
using testing::waitIdle;
using testing::waitUntil;

class NoteWindow : public WindowDriver {
 public:
  int Init() override {
    auto* w = new QWidget;
    w->setWindowTitle("Nota");
    auto* layout = new QVBoxLayout(w);
    editor = new QTextEdit(w);
    editor->setObjectName("?Texto");
    layout->addWidget(editor);
    auto* bold = new QCheckBox("Negrita", w);
    bold->setObjectName("?Negrita");
    auto* paste = new QPushButton("Pegar", w);
    paste->setObjectName("?Pegar");
    auto* tabs = new QPushButton("Tabular", w);
    tabs->setObjectName("?Tabular");
    layout->addWidget(tabs);
    rich.setOption(static_cast<int>(RtfTool::TabStops), tabs);
    auto* alignment = new QWidget(w);
    alignment->setObjectName("?Alineacion");
    auto* choices = new QVBoxLayout(alignment);
    QRadioButton* justified = nullptr;
    for (const char* name : {"?Izquierda", "?Centro", "?Derecha", "?Justificado"}) {
      justified = new QRadioButton(QString::fromLatin1(name).mid(1), alignment);
      justified->setObjectName(name);
      choices->addWidget(justified, 0, Qt::AlignLeft);  // a click in its middle hits it
    }
    layout->addWidget(bold, 0, Qt::AlignLeft);
    layout->addWidget(paste);
    layout->addWidget(alignment);
    rich.setOption(static_cast<int>(RtfTool::Paste), paste);
    rich.setOption(static_cast<int>(RtfTool::Alignment), alignment);
    rich.setOption(static_cast<int>(RtfTool::Justify), justified);
    rich.setOption(static_cast<int>(RtfTool::Bold), bold);
    Open(w);
    rich.attachControl(editor, 1, "");
    rich.setMarkup("{\\rtf1 hola mundo}");
    return level::Benign;
  }

  int TakeEvent() override {
    rich.takeEvent(*this);
    return WindowDriver::TakeEvent();
  }

  int Kill() override {
    rich.release();
    return WindowDriver::Kill();
  }

  RtfWindows windows;
  RtfControl rich{&windows};
  QTextEdit* editor = nullptr;
};

class RtfControlInAWindow : public ::testing::Test {
 protected:
  void TearDown() override {
    endAllThreads();
    waitIdle();
  }
  testing::Watchdog watchdog_;
};

TEST_F(RtfControlInAWindow, EachAcceptedEventPerformsItsToolOnce) {
  NoteWindow window;
  int result = 0;
  bool ended = false;
  start([&] {
    result = window.Run();
    ended = true;
  });
  ASSERT_TRUE(waitUntil([&] { return window.isOpen(); }, "the window"));
  QTextDocument* document = window.editor->document();
  QTextCursor word = document->find("hola");
  window.editor->setTextCursor(word);
  const int stepsBefore = document->availableUndoSteps();

  ASSERT_TRUE(click(window, "?Negrita"));
  ASSERT_TRUE(waitUntil([&] { return document->availableUndoSteps() > stepsBefore; }, "bold"));
  waitIdle();
  ASSERT_TRUE(click(window, "?Justificado"));
  waitIdle();
  EXPECT_EQ(document->availableUndoSteps(), stepsBefore + 2) << "one step per tool";
  EXPECT_EQ(document->begin().blockFormat().alignment(), Qt::AlignJustify);
  QTextCursor inside(document);
  inside.setPosition(2);
  EXPECT_EQ(inside.charFormat().fontWeight(), QFont::Bold);

  // The macro insertion's way: the clipboard, then an accepted event posted
  // to the paste button.
  QGuiApplication::clipboard()->setText("***PACNOMBRE***");
  window.post(event::Accepted, window.control("?Pegar"));
  ASSERT_TRUE(waitUntil([&] { return document->toPlainText().contains("PACNOMBRE"); }, "paste"));
  waitIdle();
  EXPECT_EQ(document->toPlainText(), "***PACNOMBRE*** mundo");
  EXPECT_NE(window.rich.markup().find("***PACNOMBRE***"), std::string::npos);

  // The tab-stop window opens over the note, on the note's thread.
  testing::WindowScript script;
  script.on("Tabulaciones", [](WindowDriver& tabs) {
    tabs.control<QLineEdit>("?Posicion")->setText("2,54");
    click(tabs, "?Fijar");
    click(tabs, "?OK");
  });
  ASSERT_TRUE(click(window, "?Tabular"));
  ASSERT_TRUE(waitUntil([&] { return !document->begin().blockFormat().tabPositions().isEmpty(); },
                        "the tab stop"));
  EXPECT_EQ(script.pending(), 0);
  EXPECT_NE(window.rich.markup().find("\\tx1440"), std::string::npos);

  window.window()->close();
  ASSERT_TRUE(waitUntil([&] { return ended; }, "the window to close"));
  EXPECT_EQ(result, kCancelled);
}

}  // namespace
}  // namespace rt
