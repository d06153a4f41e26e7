// Alt with a letter in a window hosted by the frame presses that window's
// button, not the frame's menu with the same letter.
#include "core/frame/hosted_mnemonics.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace core {
namespace {

TEST(HostedMnemonics, AHostedButtonWinsOverTheFramesMenuOnlyForItsOwnLetter) {
  QMainWindow frame;
  QMenu* extras = frame.menuBar()->addMenu("E&xtras");
  auto* area = new QMdiArea;
  frame.setCentralWidget(area);
  auto* hosted = new QWidget;
  auto* entry = new QLineEdit(hosted);
  auto* exportButton = new QPushButton("E&xportar", hosted);
  auto* hidden = new QPushButton("&Seleccionar", hosted);
  hidden->hide();
  auto* layout = new QVBoxLayout(hosted);
  layout->addWidget(entry);
  layout->addWidget(exportButton);
  area->addSubWindow(hosted)->show();
  frame.show();
  area->setActiveSubWindow(area->subWindowList().first());
  HostedMnemonics filter(area);
  int pressed = 0;
  QObject::connect(exportButton, &QPushButton::clicked, [&] { ++pressed; });

  struct Case {
    int key;
    bool taken;
  } cases[] = {{Qt::Key_X, true}, {Qt::Key_S, false}, {Qt::Key_G, false}};
  for (const Case& c : cases) {
    QKeyEvent override(QEvent::ShortcutOverride, c.key, Qt::AltModifier);
    EXPECT_EQ(filter.eventFilter(entry, &override), c.taken) << c.key;
    if (c.taken) {
      QKeyEvent press(QEvent::KeyPress, c.key, Qt::AltModifier);
      EXPECT_TRUE(filter.eventFilter(entry, &press)) << "its key press goes with it";
    }
  }
  EXPECT_EQ(pressed, 1);
  // Outside the hosted window the frame keeps its letters.
  QKeyEvent outside(QEvent::ShortcutOverride, Qt::Key_X, Qt::AltModifier);
  EXPECT_FALSE(filter.eventFilter(frame.menuBar(), &outside));
  (void)extras;
}

}  // namespace
}  // namespace core
