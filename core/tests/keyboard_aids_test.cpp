#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QVBoxLayout>

#include "core/aids/control_colouring.h"
#include "core/aids/focus_marker.h"
#include "core/aids/key_navigator.h"
#include "platform/ui/control_colors.h"
#include "platform/ui/testing/window_test_kit.h"

namespace core {
namespace {

using namespace std::chrono_literals;
using rt::testing::waitUntil;

// A window of one control of each kind, in this focus order.
struct AidsWindow {
  QWidget window;
  QLineEdit* first = add<QLineEdit>("first");
  QLineEdit* second = add<QLineEdit>("second");
  QPlainTextEdit* text = add<QPlainTextEdit>("text");
  QTextEdit* notes = add<QTextEdit>("notes");
  QListWidget* list = add<QListWidget>("list");
  QCheckBox* check = add<QCheckBox>("check");
  QRadioButton* radio = add<QRadioButton>("radio");
  QSpinBox* spin = add<QSpinBox>("spin");
  QComboBox* drop = add<QComboBox>("drop");
  QPushButton* button = add<QPushButton>("button");
  QLineEdit* last = add<QLineEdit>("last");
  KeyNavigator navigator;
  FocusMarker marker;

  template <class T>
  T* add(const char* name) {
    if (window.layout() == nullptr) new QVBoxLayout(&window);
    auto* w = new T(&window);
    w->setObjectName(name);
    window.layout()->addWidget(w);
    return w;
  }

  AidsWindow() {
    list->addItems({"a", "b"});
    drop->addItems({"x", "y"});
    spin->setValue(5);
  }

  bool show() {
    window.show();
    window.activateWindow();
    return waitUntil(
        [this] { return QApplication::activeWindow() == &window && window.isActiveWindow(); },
        "window active");
  }

  bool focus(QWidget* w) {
    w->setFocus(Qt::OtherFocusReason);
    return waitUntil([w] { return w->hasFocus() && QApplication::focusWidget() == w; }, "focus");
  }
};

TEST(KeyNavigator, KeysOfEachKindFollowTheTable) {
  using K = rt::ControlKind;
  using Keys = std::vector<int>;
  EXPECT_EQ(KeyNavigator::keysFor(K::Entry, false),
            (Keys{Qt::Key_Down, Qt::Key_Return, Qt::Key_Up}));
  EXPECT_EQ(KeyNavigator::keysFor(K::Text, false), Keys{Qt::Key_Return});
  EXPECT_EQ(KeyNavigator::keysFor(K::Spin, false), Keys{Qt::Key_Return});
  EXPECT_EQ(KeyNavigator::keysFor(K::List, false),
            (Keys{Qt::Key_Return, Qt::Key_Right, Qt::Key_Left}));
  EXPECT_EQ(KeyNavigator::keysFor(K::List, true), Keys{Qt::Key_Return});
  EXPECT_EQ(KeyNavigator::keysFor(K::Button, false),
            (Keys{Qt::Key_Up, Qt::Key_Down, Qt::Key_Right, Qt::Key_Left}));
  EXPECT_EQ(KeyNavigator::keysFor(K::Check, false),
            (Keys{Qt::Key_Return, Qt::Key_Up, Qt::Key_Down, Qt::Key_Right, Qt::Key_Left}));
  EXPECT_TRUE(KeyNavigator::keysFor(K::Prompt, false).empty());
  EXPECT_TRUE(KeyNavigator::keysFor(K::RichText, false).empty());
}

// No window has to exclude its rich-text box: Enter there ends a paragraph
// (a list's next item), Shift+Enter still breaks the line.
TEST(KeyNavigator, EnterInARichTextBoxStartsAParagraphWithoutBeingExcluded) {
  rt::testing::Watchdog watchdog;
  AidsWindow w;
  w.navigator.SetKeys(&w.window);
  ASSERT_TRUE(w.show());
  ASSERT_TRUE(w.focus(w.notes));
  QTest::keyClicks(w.notes, "uno");
  QTest::keyClick(w.notes, Qt::Key_Return);
  QTest::keyClicks(w.notes, "dos");
  QTest::keyClick(w.notes, Qt::Key_Enter, Qt::KeypadModifier);
  QTest::keyClicks(w.notes, "tres");
  QTest::keyClick(w.notes, Qt::Key_Return, Qt::ShiftModifier);
  QTest::keyClicks(w.notes, "cuatro");
  EXPECT_EQ(QApplication::focusWidget(), w.notes);
  EXPECT_EQ(w.notes->document()->blockCount(), 3);
  EXPECT_EQ(w.notes->document()->lastBlock().text(), QString("tres") + QChar(0x2028) + "cuatro");
}

TEST(KeyNavigator, EnterAndArrowsMoveBetweenControlsTextKeepsEnter) {
  rt::testing::Watchdog watchdog;
  AidsWindow w;
  w.navigator.Exclude(w.notes);
  w.navigator.SetKeys(&w.window);
  ASSERT_TRUE(w.show());
  struct Step {
    QWidget* from;
    int key;
    QWidget* to;
  };
  const std::vector<Step> steps = {
      {w.first, Qt::Key_Return, w.second}, {w.second, Qt::Key_Up, w.first},
      {w.first, Qt::Key_Down, w.second},   {w.text, Qt::Key_Return, w.text},
      {w.notes, Qt::Key_Return, w.notes},  {w.list, Qt::Key_Right, w.check},
      {w.list, Qt::Key_Left, w.notes},     {w.check, Qt::Key_Down, w.radio},
      {w.check, Qt::Key_Up, w.list},       {w.radio, Qt::Key_Return, w.spin},
      {w.spin, Qt::Key_Up, w.spin},        {w.spin, Qt::Key_Return, w.drop},
      {w.button, Qt::Key_Down, w.last},    {w.button, Qt::Key_Left, w.drop},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.from->objectName().toStdString() + " key " + std::to_string(s.key));
    ASSERT_TRUE(w.focus(s.from));
    QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(s.key));
    EXPECT_TRUE(waitUntil([&] { return QApplication::focusWidget() == s.to; }, "focus moved", 2s));
  }
  EXPECT_EQ(w.text->toPlainText(), "\n") << "Enter broke the line in the text box";
  EXPECT_EQ(w.spin->value(), 6) << "the spin box keeps its arrows";
}

// Every small lookup button, "..." or the function key that opens the same
// lookup, is passed by Enter and the arrows: a space typed after Enter goes to
// the next entry and never presses the button. Tab still reaches them.
TEST(KeyNavigator, EnterAndArrowsPassTheLookupButtonsThatTabReaches) {
  rt::testing::Watchdog watchdog;
  for (const char* caption : {"...", "F2", "F3", "F4"}) {
    SCOPED_TRACE(caption);
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* locality = new QLineEdit(&window);
    auto* lookup = new QPushButton(caption, &window);
    auto* phone = new QLineEdit(&window);
    for (QWidget* c : {static_cast<QWidget*>(locality), static_cast<QWidget*>(lookup),
                       static_cast<QWidget*>(phone)}) {
      layout->addWidget(c);
    }
    int pressed = 0;
    QObject::connect(lookup, &QPushButton::clicked, [&pressed] { ++pressed; });
    KeyNavigator navigator;
    navigator.SetKeys(&window);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(waitUntil([&] { return QApplication::activeWindow() == &window; }, "active"));
    struct Step {
      QWidget* from;
      Qt::Key key;
      QWidget* to;
    };
    for (const Step& s :
         {Step{locality, Qt::Key_Return, phone}, Step{locality, Qt::Key_Down, phone},
          Step{phone, Qt::Key_Up, locality}, Step{locality, Qt::Key_Tab, lookup}}) {
      SCOPED_TRACE(std::to_string(s.key));
      s.from->setFocus(Qt::OtherFocusReason);
      ASSERT_TRUE(waitUntil([&] { return QApplication::focusWidget() == s.from; }, "focus"));
      QTest::keyClick(s.from, s.key);
      EXPECT_TRUE(waitUntil([&] { return QApplication::focusWidget() == s.to; }, "moved", 2s));
    }
    locality->setFocus(Qt::OtherFocusReason);
    ASSERT_TRUE(waitUntil([&] { return QApplication::focusWidget() == locality; }, "focus"));
    QTest::keyClick(locality, Qt::Key_Return);
    QTest::keyClicks(QApplication::focusWidget(), "351 600");
    EXPECT_EQ(phone->text(), "351 600");
    EXPECT_EQ(pressed, 0) << "the space pressed the lookup button";
  }
}

TEST(FocusMarker, TheFocusedInputIsLightBlueUntilTheFocusLeaves) {
  rt::testing::Watchdog watchdog;
  AidsWindow w;
  rt::setRequired(w.second, true);
  ColorearControles(&w.window);
  w.marker.Setup(&w.window);
  ASSERT_TRUE(w.show());
  const QColor lightBlue = rt::fromBgr(0xFEEDC9);
  const QColor secondOwn = w.second->palette().color(QPalette::Base);

  ASSERT_TRUE(w.focus(w.second));
  EXPECT_EQ(w.marker.marked(), w.second);
  EXPECT_EQ(w.second->palette().color(QPalette::Base), lightBlue);
  ASSERT_TRUE(w.focus(w.first));
  EXPECT_EQ(w.second->palette().color(QPalette::Base), secondOwn) << "its own colour is back";
  EXPECT_EQ(rt::backgroundColor(w.second), 0xE0F0FF);
  EXPECT_EQ(w.first->palette().color(QPalette::Base), lightBlue);

  for (QWidget* never : {static_cast<QWidget*>(w.list), static_cast<QWidget*>(w.drop),
                         static_cast<QWidget*>(w.notes)}) {
    SCOPED_TRACE(never->objectName().toStdString());
    const QPalette before = never->palette();
    ASSERT_TRUE(w.focus(never));
    EXPECT_EQ(never->palette(), before);
  }
  ASSERT_TRUE(w.focus(w.button));
  EXPECT_EQ(w.marker.marked(), nullptr) << "a button is never marked";

  ASSERT_TRUE(w.focus(w.check));
  w.window.resize(w.window.width() + 40, w.window.height());
  ASSERT_TRUE(waitUntil([&] { return w.window.width() > 0; }, "resize"));
  EXPECT_EQ(w.marker.marked(), w.check) << "marked again after a resize";
}

}  // namespace
}  // namespace core
