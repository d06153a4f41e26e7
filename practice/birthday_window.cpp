#include "practice/birthday_window.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <cstdlib>

#include "core/aids/calendar_popup.h"
#include "core/aids/control_colouring.h"
#include "core/aids/designed_font.h"
#include "core/aids/window_parts.h"
#include "platform/base/cp_literal.h"
#include "platform/base/picture.h"
#include "platform/base/procedures.h"
#include "platform/ui/control_kinds.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/qt_text.h"

namespace practice {
namespace {

constexpr char kDatePicture[] = "@d17";

}  // namespace

int BirthdayWindow::Init() {
  if (int r = AidedWindow::Init(); r != rt::level::Benign) return r;
  rt::ThreadRequest() = 0;
  rt::ThreadResponse() = 0;

  const auto [window, sheet, general] = core::formSheet(
      rt::toQString("Listado de Cumpleaños en una Fecha"_cp), "General", Qt::Window);
  const rt::DialogUnits units = rt::DialogUnits::of(window);
  QLineEdit* date = core::namedEntry(general, "?Fecha", 0, "Fecha para el Listado");
  rt::setPicture(date, kDatePicture);
  date->setMaximumWidth(units.x(50));
  auto* prompt = new QLabel("Fecha:", general);
  prompt->setBuddy(date);
  auto* line = new QHBoxLayout;
  line->addWidget(prompt);
  line->addWidget(date);
  QPushButton* calendar = core::namedButton(general, "?Calendar", "...", "Elija Fecha");
  calendar->setFixedWidth(units.x(16));
  line->addWidget(calendar);
  line->addStretch();
  auto* tab = new QVBoxLayout(general);
  tab->addLayout(line);
  tab->addWidget(new QLabel("(Solo se considera el dia y el mes)", general));
  tab->addStretch();
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  QPushButton* ok = core::namedButton(window, "?OK", "&OK");
  ok->setDefault(true);
  buttons->addWidget(ok);
  buttons->addWidget(core::namedButton(window, "?CANCEL", "&Cancelar"));
  auto* layout = new QVBoxLayout(window);
  layout->addWidget(sheet);
  layout->addLayout(buttons);

  Open(window);
  core::ColorearControles(window);
  scaleFont(window);
  Fecha = rt::today();
  date->setText(rt::toQString(rt::format(static_cast<double>(Fecha), kDatePicture)));
  markAndNavigate(window);
  return rt::level::Benign;
}

void BirthdayWindow::readDate() {
  const std::string shown = rt::fromQString(control<QLineEdit>("?Fecha")->text());
  Fecha = static_cast<rt::Date>(std::atol(rt::deformat(shown, kDatePicture).c_str()));
}

int BirthdayWindow::TakeAccepted() {
  if (int r = rt::WindowDriver::TakeAccepted(); r != rt::level::Benign) return r;
  QWidget* accepted = field();
  if (accepted == nullptr) return rt::level::Benign;
  const std::string name = rt::fromQString(accepted->objectName());
  if (name == "?Fecha") {
    readDate();
  } else if (name == "?Calendar") {
    readDate();
    Fecha = core::BotonCalendario(*this, control<QLineEdit>("?Fecha"), "Fecha para el Listado");
  } else if (name == "?OK") {
    readDate();
    // The listing runs to its end here; then the window closes.
    rt::callProcedure("ReporteCumpleanos", {std::to_string(Fecha)});
    post(rt::event::CloseWindow);
  } else if (name == "?CANCEL") {
    readDate();
    post(rt::event::CloseWindow);
  }
  return rt::level::Benign;
}

int runVentanaListadoCumples() {
  BirthdayWindow window;
  const int response = window.Run();
  return response;
}

}  // namespace practice
