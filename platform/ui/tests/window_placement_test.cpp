// Where windows open on a 1366x768 screen: pulled back whole into the
// available area, never with the title bar above it; too large, they scroll.
#include "platform/ui/window_placement.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace rt {
namespace {

TEST(WindowPlacement, ASavedPositionOffTheScreenIsPulledBack) {
  const QRect area(0, 0, 1366, 728);
  struct Case {
    QPoint wanted;
    QSize size;
    QPoint expected;
  } cases[] = {
      {{5000, 5000}, {400, 300}, {966, 428}},  // far off, bottom right
      {{-300, -50}, {400, 300}, {0, 0}},       // title bar above the screen
      {{100, 100}, {400, 300}, {100, 100}},    // whole already: kept
      {{200, 200}, {1500, 900}, {0, 0}},       // larger than the area: its top-left
  };
  for (const Case& c : cases) {
    EXPECT_EQ(pulledInto(area, c.wanted, c.size), c.expected)
        << c.wanted.x() << "," << c.wanted.y() << " " << c.size.width() << "x" << c.size.height();
  }
}

TEST(WindowPlacement, AWindowTallerThanTheScreenScrollsWithEveryControlReachable) {
  QWidget window;
  auto* layout = new QVBoxLayout(&window);
  for (int i = 0; i < 40; ++i) layout->addWidget(new QLabel(QString("Campo %1").arg(i)));
  auto* ok = new QPushButton("&OK");
  ok->setObjectName("?OK");
  layout->addWidget(ok);
  window.setMinimumSize(layout->sizeHint());
  const QRect area(0, 0, 1366, 600);
  ASSERT_GT(window.minimumSizeHint().height(), area.height());
  EXPECT_TRUE(fitWithin(&window, area));
  EXPECT_LE(window.height(), area.height());
  auto* scroll = window.findChild<QScrollArea*>();
  ASSERT_NE(scroll, nullptr);
  EXPECT_TRUE(scroll->isAncestorOf(ok)) << "OK moved into the scrolling area";

  QWidget small;
  small.resize(300, 200);
  EXPECT_FALSE(fitWithin(&small, area)) << "a window that fits is left alone";
}

// A form's OK/Cancel row, or a list's row of buttons, stays below the
// scrolled part, inside the window, whatever the contents above it need.
TEST(WindowPlacement, AWindowTallerThanTheScreenKeepsItsButtonRowOutsideTheScrolledPart) {
  for (const QStringList& names : {QStringList{"?OK", "?CANCEL"},
                                   QStringList{"?INSERT", "?CHANGE", "?DELETE", "?CLOSE"}}) {
    SCOPED_TRACE(names.join(" ").toStdString());
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* first = new QLabel("Campo 0");
    layout->addWidget(first);
    for (int i = 1; i < 40; ++i) layout->addWidget(new QLabel(QString("Campo %1").arg(i)));
    auto* row = new QHBoxLayout;
    row->addStretch();
    for (const QString& name : names) {
      auto* b = new QPushButton(name.mid(1), &window);
      b->setObjectName(name);
      row->addWidget(b);
    }
    layout->addLayout(row);
    const QRect area(0, 0, 1366, 500);
    ASSERT_GT(window.minimumSizeHint().height(), area.height());
    EXPECT_TRUE(fitWithin(&window, area));
    window.show();
    EXPECT_LE(window.frameGeometry().height(), area.height());
    auto* scroll = window.findChild<QScrollArea*>();
    ASSERT_NE(scroll, nullptr);
    EXPECT_TRUE(scroll->isAncestorOf(first)) << "the contents scroll";
    for (const QString& name : names) {
      auto* b = window.findChild<QPushButton*>(name);
      ASSERT_NE(b, nullptr);
      EXPECT_FALSE(scroll->isAncestorOf(b)) << "the button is not scrolled away";
      EXPECT_TRUE(b->isVisible());
      const QRect shown(b->mapTo(&window, QPoint(0, 0)), b->size());
      EXPECT_TRUE(window.rect().contains(shown)) << "the button lies inside the window";
      EXPECT_GE(shown.top(), scroll->geometry().bottom()) << "below the scrolled part";
    }
  }
}

}  // namespace
}  // namespace rt
