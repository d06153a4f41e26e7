// Where windows open on a 1366x768 screen: pulled back whole into the
// available area, never with the title bar above it; too large, they scroll.
#include "platform/ui/window_placement.h"

#include <gtest/gtest.h>

#include <QBoxLayout>
#include <QCoreApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QPushButton>
#include <QScrollArea>
#include <QTableWidget>
#include <QTextEdit>
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

// A form's OK/Cancel row (a status text beside it or not), a list's row of
// buttons or a column of buttons at the right stays beside the scrolled part,
// inside the window, whatever the contents need.
TEST(WindowPlacement, AWindowTooLargeForTheScreenKeepsItsButtonsOutsideTheScrolledPart) {
  struct Case {
    const char* what;
    QBoxLayout::Direction direction;
    QStringList names;
    bool status;
  } cases[] = {
      {"OK and Cancel", QBoxLayout::TopToBottom, {"?OK", "?CANCEL"}, false},
      {"a list's row", QBoxLayout::TopToBottom, {"?INSERT", "?CHANGE", "?DELETE", "?CLOSE"}, false},
      {"a status text at the row's left",
       QBoxLayout::TopToBottom,
       {"?OK", "?CANCEL", "?FICHA"},
       true},
      {"a column at the right", QBoxLayout::LeftToRight, {"?TAGALL", "?BUILD", "?CLOSE"}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QWidget window;
    auto* layout = new QBoxLayout(c.direction, &window);
    auto* fields = new QVBoxLayout;
    auto* first = new QLabel("Campo 0");
    fields->addWidget(first);
    for (int i = 1; i < 40; ++i) fields->addWidget(new QLabel(QString("Campo %1").arg(i)));
    layout->addLayout(fields);
    QBoxLayout* edge = c.direction == QBoxLayout::TopToBottom
                           ? static_cast<QBoxLayout*>(new QHBoxLayout)
                           : static_cast<QBoxLayout*>(new QVBoxLayout);
    if (c.status) edge->addWidget(new QLabel("Agregando Registro", &window));
    edge->addStretch();
    for (const QString& name : c.names) {
      auto* b = new QPushButton(name.mid(1), &window);
      b->setObjectName(name);
      edge->addWidget(b);
    }
    layout->addLayout(edge);
    const QRect area(0, 0, 1366, 500);
    ASSERT_GT(window.minimumSizeHint().height(), area.height());
    EXPECT_TRUE(fitWithin(&window, area));
    window.show();
    EXPECT_LE(window.frameGeometry().height(), area.height());
    auto* scroll = window.findChild<QScrollArea*>();
    ASSERT_NE(scroll, nullptr);
    EXPECT_TRUE(scroll->isAncestorOf(first)) << "the contents scroll";
    for (const QString& name : c.names) {
      auto* b = window.findChild<QPushButton*>(name);
      ASSERT_NE(b, nullptr);
      EXPECT_FALSE(scroll->isAncestorOf(b)) << "the button is not scrolled away";
      EXPECT_TRUE(b->isVisible());
      const QRect shown(b->mapTo(&window, QPoint(0, 0)), b->size());
      EXPECT_TRUE(window.rect().contains(shown)) << "the button lies inside the window";
      if (c.direction == QBoxLayout::TopToBottom)
        EXPECT_GE(shown.top(), scroll->geometry().bottom()) << "below the scrolled part";
      else
        EXPECT_GE(shown.left(), scroll->geometry().right()) << "right of the scrolled part";
    }
  }
}

// A window whose list or text asks more room than the screen has uses the
// room there is before it scrolls: the list gives up room (it scrolls by
// itself), and the buttons below it or at its side stay in the window.
TEST(WindowPlacement, AListLargerThanTheScreenGivesUpRoomBeforeTheWindowScrolls) {
  struct Case {
    const char* what;
    QBoxLayout::Direction direction;
    QSize listMinimum;
    bool hosted;        // inside the frame's client area
    bool givenMinimum;  // the window holds its layout's minimum as its own (a font change does)
  } cases[] = {
      {"a wide list over a row", QBoxLayout::TopToBottom, {1200, 300}, false, false},
      {"a tall list over a row", QBoxLayout::TopToBottom, {600, 700}, false, false},
      {"a wide list beside a column", QBoxLayout::LeftToRight, {1000, 300}, false, false},
      {"a wide list in a hosted window", QBoxLayout::TopToBottom, {1200, 300}, true, false},
      {"a window given its minimum", QBoxLayout::TopToBottom, {1200, 300}, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QMdiArea frameArea;
    auto* owned = new QWidget;
    QWidget& window = *owned;
    if (c.hosted)
      frameArea.addSubWindow(owned);
    else
      owned->setParent(&frameArea, Qt::Window);
    auto* layout = new QBoxLayout(c.direction, &window);
    auto* list = new QTableWidget(40, 8, &window);
    list->setMinimumSize(c.listMinimum);
    layout->addWidget(list, 1);
    QBoxLayout* edge = c.direction == QBoxLayout::TopToBottom
                           ? static_cast<QBoxLayout*>(new QHBoxLayout)
                           : static_cast<QBoxLayout*>(new QVBoxLayout);
    auto* close = new QPushButton("Cerrar", &window);
    edge->addStretch();
    edge->addWidget(new QPushButton("Agregar", &window));
    edge->addWidget(close);
    layout->addLayout(edge);
    window.resize(window.minimumSizeHint());
    if (c.givenMinimum) window.setMinimumSize(window.minimumSizeHint());
    const QRect area(0, 0, 1000, 560);
    const QSize room = c.hosted ? area.size() : area.size().shrunkBy(frameMargins(&window));
    ASSERT_TRUE(window.minimumSizeHint().width() > room.width() ||
                window.minimumSizeHint().height() > room.height());
    EXPECT_FALSE(fitWithin(&window, area)) << "no scroll bar";
    EXPECT_EQ(window.findChild<QScrollArea*>(), nullptr);
    if (c.hosted) frameArea.show();
    window.show();
    layout->activate();
    EXPECT_LE(window.width(), room.width());
    EXPECT_LE(window.height(), room.height());
    const QRect shown(close->mapTo(&window, QPoint(0, 0)), close->size());
    EXPECT_TRUE(window.rect().contains(shown)) << "Cerrar lies inside the window";
  }
}

// A window whose wrapped texts need more lines than its height gives them
// takes the room's width before it takes more height, and cuts no text;
// where the whole room is not enough its contents scroll, the texts whole.
TEST(WindowPlacement, AWindowTooShortForItsWrappedTextsWidensUntilTheyFit) {
  struct Case {
    const char* what;
    QRect area;
    bool scrolls;
  } cases[] = {
      {"the room's width is enough", QRect(0, 0, 1366, 700), false},
      {"the room is too small", QRect(0, 0, 420, 300), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    QStringList words;
    for (int i = 0; i < 60; ++i) words << QString("palabra%1").arg(i);
    auto* notice = new QLabel(words.join(' '));
    notice->setWordWrap(true);
    layout->addWidget(notice);
    auto* text = new QTextEdit;
    layout->addWidget(text, 1);
    window.resize(300, 160);
    ASSERT_GT(layout->totalHeightForWidth(300), 160) << "the text is cut as designed";
    EXPECT_EQ(fitWithin(&window, c.area), c.scrolls);
    window.show();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    window.layout()->activate();
    EXPECT_GT(window.width(), 300) << "wider first";
    EXPECT_LE(window.height(), c.area.height());
    if (auto* contents = notice->parentWidget(); contents != &window)
      contents->layout()->activate();
    EXPECT_GE(notice->height(), notice->heightForWidth(notice->width())) << "the whole text shows";
  }
}

}  // namespace
}  // namespace rt
