// The notes tool bar over a rich-text box: its tools never keep the
// keyboard, a style set with nothing selected goes to what is typed next,
// and Ctrl+B, Ctrl+I and Ctrl+U toggle the styles from the keyboard.
#include "core/aids/notes_toolbar.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/base/logical_threads.h"
#include "platform/ui/rtf_control.h"
#include "platform/ui/testing/window_test_kit.h"

namespace core {
namespace {

using rt::testing::click;
using rt::testing::waitIdle;
using rt::testing::waitUntil;

class NotesWindow : public rt::WindowDriver {
 public:
  int Init() override {
    auto* w = new QWidget;
    w->setWindowTitle("Notas");
    auto* layout = new QVBoxLayout(w);
    editor = new QTextEdit(w);
    editor->setObjectName("?NOTAS");
    layout->addWidget(buildNotesToolBar(w, rich));
    layout->addWidget(editor);
    Open(w);
    rich.attachControl(editor, 1, "");
    editor->setFocus();
    return rt::level::Benign;
  }
  int TakeEvent() override {
    rich.takeEvent(*this);
    return WindowDriver::TakeEvent();
  }
  int Kill() override {
    rich.release();
    return WindowDriver::Kill();
  }

  rt::RtfControl rich;
  QTextEdit* editor = nullptr;
};

class NotesToolBar : public ::testing::Test {
 protected:
  void SetUp() override {
    rt::start([this] {
      window_.Run();
      ended_ = true;
    });
    ASSERT_TRUE(waitUntil([&] { return window_.isOpen(); }, "the window"));
    ASSERT_TRUE(waitUntil([&] { return QApplication::focusWidget() == window_.editor; }, "focus"));
  }
  void TearDown() override {
    if (window_.isOpen()) window_.window()->close();
    EXPECT_TRUE(waitUntil([&] { return ended_; }, "the window to close"));
    rt::endAllThreads();
    waitIdle();
  }

  // Types into whatever has the keyboard, as the user would.
  static void type(const char* text) { QTest::keyClicks(QApplication::focusWidget(), text); }
  static void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(QApplication::focusWidget(), key, modifiers);
  }
  // The character format of the first occurrence of `word` in the notes.
  QTextCharFormat formatOf(const QString& word) {
    QTextCursor found = window_.editor->document()->find(word);
    EXPECT_FALSE(found.isNull()) << word.toStdString();
    QTextCursor inside(window_.editor->document());
    inside.setPosition(found.selectionStart() + 1);
    return inside.charFormat();
  }
  bool checked(const char* tool) { return window_.control<QToolButton>(tool)->isChecked(); }

  rt::testing::Watchdog watchdog_;
  NotesWindow window_;
  bool ended_ = false;
};

TEST_F(NotesToolBar, ToolsLeaveTheKeyboardInTheTextAndStyleWhatIsTypedNext) {
  type("antes ");
  ASSERT_TRUE(click(window_, "?RTFBOLD"));
  ASSERT_TRUE(waitUntil([&] { return checked("?RTFBOLD"); }, "bold on"));
  waitIdle();
  EXPECT_EQ(QApplication::focusWidget(), window_.editor) << "the button took the keyboard";
  type("fuerte");
  ASSERT_TRUE(click(window_, "?RTFITALIC"));
  ASSERT_TRUE(waitUntil([&] { return checked("?RTFITALIC"); }, "italic on"));
  waitIdle();
  type(" inclinada");

  // A size chosen from its list: the list had the keyboard while open.
  auto* sizes = window_.control<QComboBox>("?RTFFONTSIZE");
  sizes->setFocus(Qt::MouseFocusReason);
  ASSERT_TRUE(waitUntil([&] { return sizes->hasFocus(); }, "the list focused"));
  const int big = sizes->findText("18");
  ASSERT_GE(big, 0);
  sizes->setCurrentIndex(big);
  emit sizes->activated(big);
  ASSERT_TRUE(waitUntil([&] { return QApplication::focusWidget() == window_.editor; },
                        "the keyboard back in the text"));
  type(" grande");

  EXPECT_EQ(window_.editor->toPlainText(), "antes fuerte inclinada grande");
  EXPECT_NE(formatOf("antes").fontWeight(), QFont::Bold);
  EXPECT_EQ(formatOf("fuerte").fontWeight(), QFont::Bold);
  EXPECT_FALSE(formatOf("fuerte").fontItalic());
  EXPECT_TRUE(formatOf("inclinada").fontItalic());
  EXPECT_EQ(formatOf("grande").fontPointSize(), 18);
  const std::string markup = window_.rich.markup();
  EXPECT_NE(markup.find("\\b"), std::string::npos) << markup;
  EXPECT_NE(markup.find("\\i"), std::string::npos) << markup;
}

TEST_F(NotesToolBar, CtrlBIAndUToggleTheStylesFromTheKeyboard) {
  press(Qt::Key_B, Qt::ControlModifier);
  EXPECT_TRUE(checked("?RTFBOLD")) << "the button follows";
  type("negrita");
  press(Qt::Key_B, Qt::ControlModifier);
  press(Qt::Key_I, Qt::ControlModifier);
  type(" cursiva");
  press(Qt::Key_I, Qt::ControlModifier);
  press(Qt::Key_U, Qt::ControlModifier);
  type(" subrayada");
  press(Qt::Key_U, Qt::ControlModifier);
  type(" normal");
  EXPECT_FALSE(checked("?RTFUNDERLINE"));

  EXPECT_EQ(window_.editor->toPlainText(), "negrita cursiva subrayada normal");
  EXPECT_EQ(formatOf("negrita").fontWeight(), QFont::Bold);
  EXPECT_NE(formatOf("cursiva").fontWeight(), QFont::Bold);
  EXPECT_TRUE(formatOf("cursiva").fontItalic());
  EXPECT_TRUE(formatOf("subrayada").fontUnderline());
  EXPECT_FALSE(formatOf("subrayada").fontItalic());
  const QTextCharFormat plain = formatOf("normal");
  EXPECT_FALSE(plain.fontWeight() == QFont::Bold || plain.fontItalic() || plain.fontUnderline());

  // On a selection the keys style the selection.
  QTextCursor word = window_.editor->document()->find("normal");
  window_.editor->setTextCursor(word);
  press(Qt::Key_B, Qt::ControlModifier);
  EXPECT_EQ(formatOf("normal").fontWeight(), QFont::Bold);
  EXPECT_EQ(window_.editor->toPlainText(), "negrita cursiva subrayada normal") << "no letter typed";
}

}  // namespace
}  // namespace core
