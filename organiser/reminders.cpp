#include "organiser/reminders.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>
#include <vector>

#include "core/aids/calendar_popup.h"
#include "core/aids/designed_font.h"
#include "core/aids/main_services.h"
#include "core/aids/window_parts.h"
#include "core/frame/globals.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/table_managers.h"
#include "platform/base/cp_literal.h"
#include "platform/base/message_hook.h"
#include "platform/base/outside_actions.h"
#include "platform/base/procedures.h"
#include "platform/base/runtime_errors.h"
#include "platform/data/database.h"
#include "platform/ui/control_colors.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/picture_validator.h"
#include "platform/ui/qt_text.h"

namespace organiser {

using core::AgendaRecordatoria;
using core::AGG;

namespace {

constexpr char kFormTitle[] = "Actualizando un registro de Agenda";
constexpr rt::Time kPostponement = 10 * rt::kTicksPerMinute;
constexpr char kDeleteStatement[] = "Delete AgendaRecordatoria Where Completa = 1";

// The text colour of a subject by the reminder's priority (0xBBGGRR).
std::int32_t priorityColour(int priority) {
  switch (priority) {
    case 1:
      return 0x0000FF;  // red
    case 2:
      return 0xFF0000;  // blue
    case 3:
      return 0x008000;  // green
    case 4:
      return 0x800080;  // purple
    case 5:
      return 0x000080;  // dark red
    default:
      return -1;
  }
}

// The list's icons: 1 an empty box, 2 a green tick, 3 the alarm's reminder.
std::vector<QIcon> listIcons() {
  auto draw = [](const std::function<void(QPainter&)>& paint) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    paint(p);
    return QIcon(pixmap);
  };
  return {draw([](QPainter&) {}), draw([](QPainter& p) {
            p.setPen(QPen(QColor(0, 150, 0), 2.5));
            p.drawPolyline(QPolygonF({{3, 8.5}, {6.5, 12}, {13, 4}}));
          }),
          draw([](QPainter& p) {
            // A finger with a string tied round it.
            p.setPen(QPen(QColor(120, 80, 40), 1));
            p.setBrush(QColor(250, 210, 170));
            p.drawRoundedRect(QRectF(5.5, 1.5, 5, 13), 2.5, 2.5);
            p.setPen(QPen(QColor(200, 0, 0), 2));
            p.drawLine(QPointF(4, 7), QPointF(12, 7));
            p.drawLine(QPointF(12, 7), QPointF(14.5, 10));
          })};
}

}  // namespace

// ------------------------------------------------------------------- rules

void holdAgenda() { ++GLO::AgendaOcupada; }

void releaseAgenda() {
  if (GLO::AgendaOcupada > 0) --GLO::AgendaOcupada;
}

bool takeAgendaIfFree() {
  if (GLO::AgendaOcupada != 0) return false;
  GLO::AgendaOcupada = 1;
  return true;
}

Moment postponed(rt::Date reminderDate, rt::Date today, rt::Time now) {
  Moment m{today, now + kPostponement};
  // Times count from 1 at midnight: past the day's last time the moment
  // falls on the next day.
  if (m.time > rt::kTicksPerDay) {
    m.time -= rt::kTicksPerDay;
    ++m.date;
  }
  if (reminderDate > m.date) m.date = reminderDate;
  return m;
}

bool reminderDue(rt::Date date, rt::Time time, rt::Date today, rt::Time now) {
  return date < today || (date == today && now >= time);
}

bool ringsFor(std::uint16_t owner, std::uint16_t loggedIn) {
  return owner == 0 || loggedIn == 0 || owner == loggedIn;
}

// ------------------------------------------------------------- the forms

namespace {

const rt::TableDef& users() { return core::Usuarios::def(); }

// Nobody in particular is code 0: no lookup, and no name beside it.
const core::LookupField kUserLookup{
    "?AGG:COD_USUARIO", "?LOOKUPUSUARIO",      "AGG:Cod_Usuario", users,
    "USU:Cod_Usuario",  core::Usuarios::USU01, "ExaminarUsuarios"};

}  // namespace

ReminderFormBase::ReminderFormBase(std::string procedureName, bool userLookup,
                                   std::string calendarTitle)
    : core::RecordForm(std::move(procedureName), AgendaRecordatoria::def(), true),
      userLookup_(userLookup),
      calendarTitle_(std::move(calendarTitle)) {}

QWidget* ReminderFormBase::buildWindow() {
  const auto [window, sheet, general] = core::formSheet(kFormTitle, "General");
  const rt::DialogUnits units = rt::DialogUnits::of(window);
  auto* grid = new QGridLayout(general);
  int row = 0;
  auto line = [&](const char* prompt, std::initializer_list<QWidget*> controls) {
    core::addFormLine(grid, row++, prompt, *controls.begin(), controls, true);
  };

  auto* subject = core::namedEntry(general, "?AGG:ASUNTO", 60, "Asunto de la anotacion");
  subject->setMinimumWidth(units.x(230));
  rt::setRequired(subject, true);
  line("Asunto:", {subject});

  auto* priority = new QSpinBox(general);
  priority->setObjectName("?AGG:PRIORIDAD");
  priority->setRange(1, 6);
  priority->setSingleStep(1);
  priority->setToolTip("Prioridad de la tarea");
  priority->setMaximumWidth(units.x(30));
  rt::setRequired(priority, true);
  line("Prioridad:", {priority});

  auto* date = core::namedEntry(general, "?AGG:FECHA", 10, "Fecha de la tarea");
  date->setMaximumWidth(units.x(50));
  rt::setPicture(date, "@d17");
  rt::setRequired(date, true);
  auto* calendar = core::namedButton(general, "?CALENDARIO", "...", "Elija Fecha");
  calendar->setMaximumWidth(units.x(14));
  line("Fecha:", {date, calendar});

  auto* time = core::namedEntry(general, "?AGG:HORA", 5, "Hora de activacion de la tarea");
  time->setMaximumWidth(units.x(30));
  rt::setPicture(time, "@t7");
  rt::setRequired(time, true);
  auto* alarm = new QCheckBox("Alarma", general);
  alarm->setObjectName("?AGG:ALARMA");
  alarm->setToolTip(rt::toQString("Indica si la tarea tendrá alarma"_cp));
  auto* complete = new QCheckBox("Comple&ta", general);
  complete->setObjectName("?AGG:COMPLETA");
  complete->setToolTip(rt::toQString("Marca que indica que la tarea está completa"_cp));
  line("Hora:", {time, alarm, complete});

  auto* user = core::namedEntry(general, "?AGG:COD_USUARIO", 6, "Código Interno de Usuario"_cp);
  user->setMaximumWidth(units.x(30));
  user->setAlignment(Qt::AlignRight);
  rt::setPicture(user, "@n6");
  auto* userName = core::namedEntry(general, "?USU:NOMBRE_USUARIO", 60);
  userName->setReadOnly(true);
  userName->setFocusPolicy(Qt::NoFocus);
  userName->setMinimumWidth(units.x(150));
  if (userLookup_) {
    auto* find = core::namedButton(general, "?LOOKUPUSUARIO", "F2");
    find->setMaximumWidth(units.x(20));
    line("Usuario:", {user, find, userName});
  } else {
    line("Usuario:", {user, userName});
  }
  auto* postpone = core::namedButton(general, "?DEMORAR", "&Demorar 10'");
  line(nullptr, {postpone});

  QPlainTextEdit* notes = core::addNotesBox(grid, row++, "?AGG:NOTAS", units.y(40), units.y(64));
  grid->setColumnStretch(1, 1);

  core::sheetAndButtons(window, sheet,
                        {.okTip = "Graba todas las modificaciones y cierra la ventana",
                         .cancelTip = "Cancela las acciones y cierra la ventana"});

  // History numbers: the reminder's fields 1, 3, 5, 6, 7, 4, 8 and the memo.
  fields().bind(subject, "AGG:Asunto", 1);
  fields().bind(priority, "AGG:Prioridad", 3);
  fields().bind(date, "AGG:Fecha", 5);
  fields().bind(time, "AGG:Hora", 6);
  fields().bind(alarm, "AGG:Alarma", 7);
  fields().bind(complete, "AGG:Completa", 4);
  fields().bind(user, "AGG:Cod_Usuario", 8);
  fields().bind(notes, "AGG:Notas", 9);
  bindLookup(kUserLookup);
  return window;
}

void ReminderFormBase::OwnSetup() {
  openRelations({&core::Usuarios::def()});
  if (userLookup_) alertKey(Qt::Key_F2);
  showUser();
}

void ReminderFormBase::showUser() {
  core::USU().Cod_Usuario = AGG().Cod_Usuario;
  core::access(core::Usuarios::def()).fetchOrClear(core::Usuarios::USU01);
  if (auto* name = control<QLineEdit>("?USU:NOMBRE_USUARIO")) {
    name->setText(rt::toQString(rt::clip(core::USU().Nombre_Usuario.view())));
  }
}

void ReminderFormBase::postpone() {
  Update();
  const Moment m = postponed(AGG().Fecha, rt::today(), rt::clockTime());
  AGG().Fecha = m.date;
  AGG().Hora = m.time;
  Display();
  if (QWidget* ok = control("?OK")) ok->setFocus();
}

int ReminderFormBase::TakeEvent() {
  if (event() == rt::event::AlertKey && keyCode() == Qt::Key_F2 && userLookup_) {
    if (QWidget* find = control("?LOOKUPUSUARIO"); find && find->isEnabled())
      post(rt::event::Accepted, find);
    return rt::level::Benign;
  }
  return core::RecordForm::TakeEvent();
}

int ReminderFormBase::TakeAccepted() {
  if (int r = core::RecordForm::TakeAccepted(); r != rt::level::Benign) return r;
  QWidget* accepted = field();
  if (accepted == nullptr || !isOpen()) return rt::level::Benign;
  const std::string name = rt::fromQString(accepted->objectName());
  if (name == "?CALENDARIO") {
    Update();
    AGG().Fecha = core::BotonCalendario(*this, control<QLineEdit>("?AGG:FECHA"), calendarTitle_);
  } else if (name == "?DEMORAR") {
    postpone();
  } else if (name == kUserLookup.entry || name == kUserLookup.button) {
    return lookUp(kUserLookup, name == kUserLookup.button);
  }
  return rt::level::Benign;
}

AlarmForm::AlarmForm(std::uint16_t code)
    : ReminderFormBase("FormularioAgendaAlarma", false, "Fecha de la cita"), code_(code) {}

int AlarmForm::PrimeUpdate() {
  // The reminder as stored now: one deleted meanwhile opens no form.
  AGG().CodigoInterno = code_;
  if (table().fetch(AgendaRecordatoria::AGG00) != 0) return rt::level::Notify;
  return ReminderFormBase::PrimeUpdate();
}

ReminderForm::ReminderForm() : ReminderFormBase("FormularioAgenda", true, "Fecha para la cita") {
  CANCELACTION = core::cancel::AskSave;
}

int ReminderForm::Init() {
  holdAgenda();
  held_ = true;
  return ReminderFormBase::Init();
}

int ReminderForm::Kill() {
  const int result = ReminderFormBase::Kill();
  if (held_) {
    held_ = false;
    releaseAgenda();
  }
  return result;
}

int ReminderForm::PrimeUpdate() {
  if (REQUEST != core::request::Insert) return ReminderFormBase::PrimeUpdate();
  core::TableAccess& access = PRIMARY->access();
  access.primeRecord();
  AGG().Fecha = rt::today();
  AGG().Hora = rt::clockTime();
  AGG().Cod_Usuario = GLO::Cod_Usuario_Logueado;
  return access.insertNumbered() == core::level::Benign ? rt::level::Benign : rt::level::Notify;
}

void ReminderForm::OwnSetup() {
  ReminderFormBase::OwnSetup();
  // A complete reminder has no alarm left to ring.
  if (AGG().Completa == 1 && AGG().Alarma != 0) {
    AGG().Alarma = 0;
    Display();
  }
}

int ReminderForm::TakeAccepted() {
  if (int r = ReminderFormBase::TakeAccepted(); r != rt::level::Benign) return r;
  QWidget* accepted = field();
  if (accepted != nullptr && isOpen() && accepted == control("?AGG:COMPLETA")) {
    Update();
    if (AGG().Completa == 1) AGG().Alarma = 0;
    Display();
  }
  return rt::level::Benign;
}

int FormularioAgendaAlarma(std::uint16_t code) { return core::runWindow<AlarmForm>(code); }

int FormularioAgenda() { return core::runWindow<ReminderForm>(); }

// ---------------------------------------------------------------- the list

core::ExportSpec reminderListExport() {
  return {7,
          "1,2,3,8,9,11,13,15,",
          {{"Fecha", "@d17"},
           {"Hora", "@t7"},
           {"Asunto", "@s60"},
           {"P", "@n1"},
           {"C", "@n3"},
           {"A", "@n3"},
           {"Usuario", "@s60"},
           {"Cod", "@n6"}},
          {},
          0};
}

ReminderList::ReminderList() : core::ListWindow("ExaminarAgenda", AgendaRecordatoria::def()) {}

int ReminderList::Init() {
  holdAgenda();
  held_ = true;
  return core::ListWindow::Init();
}

int ReminderList::Kill() {
  const int result = core::ListWindow::Kill();
  if (held_) {
    held_ = false;
    releaseAgenda();
  }
  return result;
}

QWidget* ReminderList::buildWindow() {
  auto* window = new QWidget(nullptr, Qt::Window);
  window->setFont(core::designedWindowFont());
  window->setWindowTitle("Examinando el archivo de Agenda");
  const rt::DialogUnits units = rt::DialogUnits::of(window);
  auto* hint = new QLabel(rt::toQString("Ctrl-B: Buscar - F3: Próximo..."_cp), window);
  hint->setObjectName("?PROMPT1");
  auto* sheet = new QTabWidget(window);
  sheet->setObjectName("?CurrentTab");
  auto* byDate = new QWidget;
  sheet->addTab(byDate, "Por Fecha y Hora:");
  auto* incomplete = new QCheckBox("Solo Incompletos?", byDate);
  incomplete->setObjectName("?LOC:SOLOINCOMPLETOS");
  incomplete->setChecked(true);
  auto* list = new QTableView(byDate);
  list->setObjectName("?BROWSE:5");
  list->setMinimumSize(units.size(660, 160));
  auto* top = new QHBoxLayout;
  top->addWidget(incomplete);
  top->addStretch();
  auto* tabLayout = new QVBoxLayout(byDate);
  tabLayout->addLayout(top);
  tabLayout->addWidget(list);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(core::namedButton(window, "?QUERY", "&Consulta",
                                       "Edita las condiciones de Filtro para realizar consultas "
                                       "sobre la vista de base de datos actual"));
  buttons->addWidget(core::namedButton(window, "?EXPORT", "E&xportar"));
  buttons->addStretch();
  buttons->addWidget(core::namedButton(
      window, "?INSERT", "&Agregar",
      "Agrega un registro a la base de datos a traves del acceso al formulario correspondiente."));
  buttons->addWidget(core::namedButton(
      window, "?CHANGE", "&Modificar",
      "Accede a la ventana de Modificación con el registro actualmente resaltado"_cp));
  buttons->addWidget(core::namedButton(
      window, "?DELETE", "&Borrar",
      "Accede a la ventana de Eliminación con el registro actualmente resaltado"_cp));
  buttons->addWidget(core::namedButton(window, "?CLOSE", "&Cerrar", "Cierra la ventana"));
  auto* layout = new QVBoxLayout(window);
  layout->addWidget(hint);
  layout->addWidget(sheet);
  layout->addLayout(buttons);
  return window;
}

void ReminderList::setUpBrowser(core::ListBrowser& b) {
  QWidget* window = b.list()->window();
  b.AddSortOrder("Por Fecha y Hora:", AgendaRecordatoria::AGG01,
                 "+AGG:Prioridad,+AGG:CodigoInterno");
  b.AddJoin(core::Usuarios::def(), core::Usuarios::USU01, {"AGG:Cod_Usuario"});
  b.searchTables.push_back(&core::Usuarios::def());
  b.icons = listIcons();

  using core::ColumnAlign;
  using core::ListColumn;
  b.AddColumn(ListColumn{"AGG:Fecha", "Fecha", "@d17", 0, 46});  // a whole date in the font
  b.AddColumn(ListColumn{"AGG:Hora", "Hora", "@t7", 0, 24});
  b.AddColumn(ListColumn{"AGG:Asunto", "Asunto", "@s60", 0, 163, ColumnAlign::Left, false, true});
  b.AddColumn(ListColumn{"AGG:Prioridad", "P", "@n1", 0, 10, ColumnAlign::Center});
  ListColumn complete{"AGG:Completa", "C", "@n3", 0, 10};
  complete.iconed = true;
  b.AddColumn(complete);
  ListColumn alarm{"AGG:Alarma", "A", "@n3", 0, 10};
  alarm.iconed = true;
  b.AddColumn(alarm);
  ListColumn user{"USU:Nombre_Usuario", "Usuario", "@s60", 0, 240};
  user.iconed = true;
  b.AddColumn(user);
  ListColumn code{"AGG:CodigoInterno", "Cod", "@n6", 0, 25};
  code.iconed = true;
  b.AddColumn(code);
  b.AddHiddenColumn("USU:Cod_Usuario");
  b.colourRow = [](core::ListRow& row) {
    row.colours[2].text = priorityColour(AGG().Prioridad);
    row.icons[4] = AGG().Completa == 1 ? 2 : AGG().Completa == 0 ? 1 : 0;
    row.icons[5] = AGG().Alarma == 1 ? 3 : 0;
  };

  setActiveFilter(window->findChild<QCheckBox*>("?LOC:SOLOINCOMPLETOS"), "AGG:Completa = 0");
  setExport(window->findChild<QPushButton*>("?EXPORT"), reminderListExport());
}

void ReminderList::callForm() { FormularioAgenda(); }

std::optional<core::ListSearchSettings> ReminderList::searchSettings() const {
  core::ListSearchSettings s{
      {}, "No hay más ocurrencias"_cp, "No se ha definido el criterio de busqueda.", "Error"};
  s.filterKey = true;
  return s;
}

int ExaminarAgenda() { return core::runWindow<ReminderList>(); }

// ------------------------------------------------------- walk and removal

void ProcesoAgenda() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  core::TableAccess& access = core::access(AgendaRecordatoria::def());
  const bool opened = access.open() == core::level::Benign;
  if (opened && takeAgendaIfFree()) {
    rt::Table& reminders = AgendaRecordatoria::table();
    // The codes first: what an alarm form changes cannot make the walk skip
    // or repeat a reminder. Only the reminders up to now can be due: the walk
    // goes in date and time order and stops at the first later one, so a
    // minute's walk reads none of the reminders still to come.
    std::vector<std::uint16_t> codes;
    const rt::Date today = rt::today();
    const rt::Time now = rt::clockTime();
    reminders.clear();
    reminders.setToStart(AgendaRecordatoria::AGG01);
    while (reminders.next() == 0 && reminderDue(AGG().Fecha, AGG().Hora, today, now)) {
      if (AGG().Alarma == 1 && AGG().Completa == 0) codes.push_back(AGG().CodigoInterno);
    }
    for (std::uint16_t code : codes) {
      AGG().CodigoInterno = code;
      if (reminders.fetch(AgendaRecordatoria::AGG00) != 0) continue;  // deleted meanwhile
      if (AGG().Alarma != 1 || AGG().Completa != 0) continue;
      if (!ringsFor(AGG().Cod_Usuario, GLO::Cod_Usuario_Logueado)) continue;
      if (!reminderDue(AGG().Fecha, AGG().Hora, rt::today(), rt::clockTime())) continue;
      rt::warningSound();
      rt::warningSound();
      rt::ThreadRequest() = core::request::Change;
      FormularioAgendaAlarma(code);
    }
    releaseAgenda();
  }
  if (opened) access.close();
  QApplication::restoreOverrideCursor();
}

void LimpiarAgenda() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  core::TableAccess& access = core::access(AgendaRecordatoria::def());
  const bool opened = access.open() == core::level::Benign;
  if (opened && takeAgendaIfFree()) {
    rt::Table& reminders = AgendaRecordatoria::table();
    int error = core::beginTransactionWithin(core::kTransactionTimeoutMs);
    if (error == 0) {
      reminders.setToStart(AgendaRecordatoria::AGG00);
      while (error == 0) {
        const int read = reminders.next();
        if (read != 0) {
          if (read != rt::error::RecordNotAvailable) error = read;
          break;
        }
        if (AGG().Completa == 1) error = reminders.remove();
      }
      error = error == 0 ? rt::commitTransaction() : error;
    }
    if (error != 0) {
      // The reason first: the roll-back would replace the error text.
      const std::string reason = core::currentErrorText();
      rt::rollbackTransaction();
      rt::showMessage({"AgendaRecordatoria - Error al Correr el Query = " + reason,
                       "",
                       rt::MessageIcon::None,
                       rt::button::Ok,
                       {},
                       rt::button::Ok});
      core::DebugTrace(kDeleteStatement);
    }
    releaseAgenda();
  }
  if (opened) access.close();
  QApplication::restoreOverrideCursor();
}

}  // namespace organiser
