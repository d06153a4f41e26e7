#include "core/aids/calendar_popup.h"

#include <QComboBox>
#include <QCursor>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <cstdlib>

#include "core/aids/designed_font.h"
#include "platform/base/cp_literal.h"
#include "platform/base/message_hook.h"
#include "platform/base/picture.h"
#include "platform/ui/control_colors.h"
#include "platform/ui/control_kinds.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/qt_text.h"

namespace core {
namespace {

constexpr const char* kMonths[12] = {"Enero",      "Febrero", "Marzo",     "Abril",
                                     "Mayo",       "Junio",   "Julio",     "Agosto",
                                     "Septiembre", "Octubre", "Noviembre", "Diciembre"};
constexpr const char* kWeekdays[7] = {"Dom", "Lun", "Mar", "Mié"_cp, "Jue", "Vie", "Sab"};
constexpr char kTodayTip[] = " Hoy ! !";
constexpr int kWidth = 119, kHeight = 113;
constexpr int kCellW = 16, kCellH = 13, kLeft = 3, kWeekdaysTop = 17, kGridTop = 26;

QString buttonName(int index) { return QString("?BUTTON%1").arg(index + 1); }

bool sameDay(rt::Date a, int day, int month, int year) {
  const rt::YearMonthDay d = rt::splitDate(a);
  return d.day == day && d.month == month && d.year == year;
}

}  // namespace

std::array<CalendarCell, 42> calendarGrid(int month, int year, rt::Date today, rt::Date start) {
  std::array<CalendarCell, 42> cells{};
  int first = rt::makeDate(month, 1, year) % 7;
  if (first < 0) first += 7;
  for (int day = 1; day <= rt::daysInMonth(month, year); ++day) {
    CalendarCell& cell = cells[first + day - 1];
    cell.day = day;
    if (rt::weekday(rt::makeDate(month, day, year)) == 0) cell.colour = kSundayColour;
    if (sameDay(today, day, month, year)) {
      cell.colour = kTodayColour;
      cell.today = true;
    }
    if (sameDay(start, day, month, year)) cell.colour = kStartColour;
  }
  return cells;
}

CalendarWindow::CalendarWindow(std::string title, rt::Date date, int keepPosition, int flat, int y,
                               int x)
    : title_(std::move(title)),
      date_(date),
      keepPosition_(keepPosition),
      flat_(flat),
      y_(y),
      x_(x) {}

int CalendarWindow::Init() {
  if (date_ == 0) date_ = rt::today();
  auto* window = new QWidget(nullptr, Qt::Dialog);
  window->setFont(designedWindowFont());
  window->setWindowTitle("Calendario");
  const rt::DialogUnits units = rt::DialogUnits::of(window);
  auto place = [&](QWidget* w, int x, int y, int width, int height) {
    w->setGeometry(units.x(x), units.y(y), units.x(width), units.y(height));
  };

  auto* months = new QComboBox(window);
  months->setObjectName("?LOC:MESMONTH");
  for (const char* name : kMonths) months->addItem(rt::toQString(name));
  place(months, 2, 2, 58, 12);
  auto* year = new QSpinBox(window);
  year->setObjectName("?LOC:YEAR");
  year->setRange(0, 9999);
  year->setKeyboardTracking(false);
  place(year, 61, 2, 36, 12);
  auto* today = new QPushButton("Hoy", window);
  today->setObjectName("?BUTTONHOY");
  place(today, 99, 2, 18, 12);

  for (int col = 0; col < 7; ++col) {
    auto* label = new QLabel(rt::toQString(kWeekdays[col]), window);
    label->setAlignment(Qt::AlignCenter);
    place(label, kLeft + col * kCellW, kWeekdaysTop, kCellW, 8);
  }
  QFont dayFont("Times New Roman", 12);
  for (int i = 0; i < 42; ++i) {
    auto* b = new QPushButton(window);
    b->setObjectName(buttonName(i));
    b->setFont(dayFont);
    b->setAutoDefault(false);
    place(b, kLeft + (i % 7) * kCellW, kGridTop + (i / 7) * (kCellH + 1), kCellW, kCellH);
  }
  for (QPushButton* b : window->findChildren<QPushButton*>()) b->setFlat(flat_ != 0);
  window->setFixedSize(units.size(kWidth, kHeight));
  if (keepPosition_ == 0) {
    window->move(x_ == 0 && y_ == 0 ? QCursor::pos() : QPoint(x_, y_));
  }
  const std::string_view title = title_;
  if (const auto end = title.find_last_not_of(' '); end != std::string_view::npos) {
    window->setWindowTitle(rt::toQString(title.substr(0, end + 1)));
  }
  Open(window);
  showDate(date_);
  // The year reports arrow clicks at once; typing is reported when accepted.
  QObject::connect(year, &QSpinBox::valueChanged, window,
                   [this, year] { post(rt::event::NewSelection, year); });
  return rt::level::Benign;
}

void CalendarWindow::showDate(rt::Date date) {
  const rt::YearMonthDay d = rt::splitDate(date);
  month_ = d.month;
  year_ = d.year;
  drawMonth();
}

void CalendarWindow::drawMonth() {
  auto* months = control<QComboBox>("?LOC:MESMONTH");
  auto* year = control<QSpinBox>("?LOC:YEAR");
  months->setCurrentIndex(month_ - 1);
  {
    const QSignalBlocker quiet(year);
    year->setValue(year_);
  }
  const auto cells = calendarGrid(month_, year_, rt::today(), date_);
  firstButton_ = 0;
  while (cells[firstButton_].day == 0) ++firstButton_;
  for (int i = 0; i < 42; ++i) {
    auto* b = control<QPushButton>(buttonName(i).toStdString());
    b->setText(cells[i].day != 0 ? QString::number(cells[i].day) : QString());
    rt::setFontColor(b, cells[i].colour);
    b->setToolTip(cells[i].today ? kTodayTip : "");
    b->setEnabled(true);
    b->setVisible(cells[i].day != 0);
  }
}

int CalendarWindow::TakeWindowEvent() {
  if (event() == rt::event::OpenWindow) {
    const int day = rt::splitDate(date_).day;
    if (auto* b = control<QPushButton>(buttonName(day + firstButton_ - 1).toStdString())) {
      b->setFocus();
    }
  }
  return WindowDriver::TakeWindowEvent();
}

int CalendarWindow::TakeFieldEvent() {
  QWidget* c = field();
  if (c == nullptr) return rt::level::Benign;
  const QString name = c->objectName();
  if (name == "?LOC:YEAR" &&
      (event() == rt::event::Accepted || event() == rt::event::NewSelection)) {
    yearChanged();
  } else if (event() != rt::event::Accepted) {
    return WindowDriver::TakeFieldEvent();
  } else if (name == "?BUTTONHOY") {
    date_ = rt::today();
    showDate(date_);
  } else if (name == "?LOC:MESMONTH") {
    const QString chosen = static_cast<QComboBox*>(c)->currentText();
    for (int m = 0; m < 12; ++m) {
      if (chosen == rt::toQString(kMonths[m])) month_ = m + 1;
    }
    drawMonth();
  } else if (name.startsWith("?BUTTON")) {
    const int day = static_cast<QPushButton*>(c)->text().toInt();
    if (day > 0) {
      result_ = rt::makeDate(month_, day, year_);
      post(rt::event::CloseWindow);
    }
  }
  return rt::level::Benign;
}

void CalendarWindow::yearChanged() {
  // Typing and accepting report the same value twice: the last report counts.
  if (hasQueued(rt::event::NewSelection) || hasQueued(rt::event::Accepted)) return;
  auto* year = control<QSpinBox>("?LOC:YEAR");
  const int value = year->value();
  if (value >= kFirstYear && value <= kLastYear) {
    if (value != year_) {
      year_ = value;
      drawMonth();
    }
    return;
  }
  rt::MessageRequest message;
  message.text =
      "El año debe ser entre "_cp + std::to_string(kFirstYear) + " y " + std::to_string(kLastYear);
  message.caption = "Mesage de Error";
  message.icon = rt::MessageIcon::Warning;
  rt::showMessage(message);
  year->setFocus();
  year->selectAll();
}

rt::Date CalendarPopup(std::string_view title, rt::Date date, int keepPosition, int flat, int y,
                       int x) {
  CalendarWindow window(std::string(title), date, keepPosition, flat, y, x);
  window.Run();
  return window.result();
}

rt::Date BotonCalendario(rt::WindowDriver& window, QLineEdit* dateEntry, std::string_view title) {
  QString picture = rt::picture(dateEntry);
  if (picture.isEmpty()) picture = "@d17";
  const std::string pictureText = rt::fromQString(picture);
  const std::string shown = rt::deformat(rt::fromQString(dateEntry->text()), pictureText);
  const rt::Date start = static_cast<rt::Date>(std::atol(shown.c_str()));
  dateEntry->setFocus();
  const QPoint mouse = QCursor::pos();
  const rt::Date picked = CalendarPopup(title, start, 1, 1, mouse.y(), mouse.x());
  if (picked != 0) {
    dateEntry->setText(rt::toQString(rt::format(static_cast<double>(picked), pictureText)));
    window.post(rt::event::Accepted, dateEntry);
  }
  dateEntry->setFocus();
  dateEntry->selectAll();
  return picked != 0 ? picked : start;
}

}  // namespace core
