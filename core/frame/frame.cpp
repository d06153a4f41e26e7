#include "core/frame/frame.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMainWindow>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <filesystem>
#include <set>

#include "core/aids/control_colouring.h"
#include "core/aids/main_services.h"
#include "core/aids/warning_notice.h"
#include "core/frame/activity_log.h"
#include "core/frame/backup_reminder.h"
#include "core/frame/global_settings.h"
#include "core/frame/globals.h"
#include "core/frame/hosted_mnemonics.h"
#include "core/frame/message_window.h"
#include "core/shapes/report_destination.h"
#include "platform/base/cp1252.h"
#include "platform/base/cp_literal.h"
#include "platform/base/ini_file.h"
#include "platform/base/paths.h"
#include "platform/base/procedures.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/window_placement.h"

namespace core {
namespace {

constexpr int kTimerHundredths = 6000;  // one tick a minute
constexpr int kFirstMenuNumber = 1000;

struct NavigationButton {
  const char* control;
  int number;
  QStyle::StandardPixmap icon;
  const char* tip;
};

// The navigation toolbar; "History" and "Help" stay hidden.
const NavigationButton kNavigation[] = {
    {"?TOOLBAR:INSERT", 3001, QStyle::SP_FileDialogNewFolder, "Inserta un nuevo registro"},
    {"?TOOLBAR:CHANGE", 3002, QStyle::SP_FileDialogDetailedView, "Edita el registro"},
    {"?TOOLBAR:DELETE", 3003, QStyle::SP_TrashIcon, "Borra el registro"},
    {"?TOOLBAR:SELECT", 3004, QStyle::SP_DialogApplyButton, "Selecciona el registro"},
    {"?TOOLBAR:BOTTOM", 3005, QStyle::SP_MediaSkipForward, "A la última página"_cp},
    {"?TOOLBAR:TOP", 3006, QStyle::SP_MediaSkipBackward, "A la primer página"_cp},
    {"?TOOLBAR:PAGEDOWN", 3007, QStyle::SP_MediaSeekForward, "A la próxima página"_cp},
    {"?TOOLBAR:PAGEUP", 3008, QStyle::SP_MediaSeekBackward, "A la página anterior"_cp},
    {"?TOOLBAR:DOWN", 3009, QStyle::SP_ArrowDown, "Al próximo registro"_cp},
    {"?TOOLBAR:UP", 3010, QStyle::SP_ArrowUp, "Al registro anterior"},
    {"?TOOLBAR:LOCATE", 3011, QStyle::SP_FileDialogContentsView, "Consulta"},
    {"?TOOLBAR:HISTORY", 3012, QStyle::SP_BrowserReload, "Valor anterior"},
    {"?TOOLBAR:HELP", 3013, QStyle::SP_DialogHelpButton, "Ayuda"},
};

QString q(std::string_view text) { return rt::toQString(text); }

void startProcedure(const std::string& procedure) { rt::start(procedure); }

// The clipboard commands go to the control that has the focus.
void clipboardCommand(const char* slot) {
  if (QWidget* focused = QApplication::focusWidget()) QMetaObject::invokeMethod(focused, slot);
}

}  // namespace

void showToolButton(QWidget* button, bool visible) {
  // A toolbar shows its widgets through their actions.
  if (auto* bar = qobject_cast<QToolBar*>(button->parentWidget())) {
    for (QAction* a : bar->actions()) {
      if (bar->widgetForAction(a) == button) a->setVisible(visible);
    }
  } else {
    button->setVisible(visible);
  }
}

// The listing modes in the order a press of the button goes through them.
const ListingMode kListingModes[] = {
    {"A", "Automático"_cp}, {"N", "Normal"}, {"M", "eMail"}, {"P", "Acrobat PDF"}};

std::optional<ListingMode> nextListingMode(std::string_view mode) {
  const std::string_view m = rt::clip(mode);
  constexpr std::size_t count = std::size(kListingModes);
  for (std::size_t i = 0; i < count; ++i) {
    if (kListingModes[i].mode == m) return kListingModes[(i + 1) % count];
  }
  return std::nullopt;
}

std::optional<std::string> listingModeText(std::string_view mode) {
  const std::string_view m = rt::clip(mode);
  for (const ListingMode& entry : kListingModes) {
    if (entry.mode == m) return entry.text;
  }
  return std::nullopt;
}

std::string frameTitle() {
  return std::string(rt::clip(GLO::TituloSistema)) +
         " - USUARIO: " + std::string(rt::clip(GLO::Nombre_Usuario_Logueado)) + " <" +
         std::to_string(GLO::Nivel_Usuario_Logueado) + ">";
}

int countOtherThreadWindows(rt::ThreadNumber self) {
  std::set<rt::ThreadNumber> threads;
  for (rt::WindowDriver* w : rt::WindowDriver::openWindows()) {
    if (w->thread() != self && w->isOpen()) threads.insert(w->thread());
  }
  for (rt::ThreadNumber t : threads) DebugTrace(std::to_string(t));
  return static_cast<int>(threads.size());
}

rt::ThreadNumber activeWindowThread() {
  QWidget* active = QApplication::activeWindow();
  if (auto* frame = qobject_cast<QMainWindow*>(active)) {
    if (auto* mdi = qobject_cast<QMdiArea*>(frame->centralWidget())) {
      if (QMdiSubWindow* sub = mdi->activeSubWindow()) active = sub->widget();
    }
  }
  if (active == nullptr) return 0;
  // The innermost window first: a window shown over another of its thread.
  const auto windows = rt::WindowDriver::openWindows();
  for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
    QWidget* w = (*it)->window();
    if (w != nullptr && (w == active || w->isAncestorOf(active))) return (*it)->thread();
  }
  return 0;
}

void Frame::addMenuItem(QMenu* menu, std::string_view text, std::string_view control,
                        std::function<void()> action, int number) {
  if (number == 0) number = kFirstMenuNumber + static_cast<int>(menuActions_.size());
  QAction* item = menu->addAction(q(text));
  item->setObjectName(q(control));
  item->setProperty("controlNumber", number);
  menuActions_[number] = std::move(action);
  // The frame's thread takes the command from its event queue, never from
  // inside the menu's own signal.
  QObject::connect(item, &QAction::triggered, item,
                   [this, number] { rt::post(rt::event::Accepted, thread(), number); });
}

QToolButton* Frame::addButton(QWidget* bar, std::string_view control, std::string_view text,
                              std::string_view tip, std::string_view procedure, int number) {
  auto* button = new QToolButton;
  button->setObjectName(q(control));
  button->setText(q(text));
  button->setToolTip(q(tip));
  button->setStatusTip(q(tip));
  button->setToolButtonStyle(Qt::ToolButtonTextOnly);
  if (number != 0) button->setProperty("controlNumber", number);
  if (!procedure.empty()) buttonProcedures_[button] = std::string(procedure);
  static_cast<QToolBar*>(bar)->addWidget(button);
  return button;
}

QWidget* Frame::buildWindow() {
  auto* frame = new QMainWindow;
  frame->setObjectName("Main");
  frame->setWindowTitle("Varneta");
  // Large enough for the windows it hosts, within the screen's free area.
  const QRect area = rt::availableArea(nullptr);
  const QMargins border = rt::frameMargins(frame);
  frame->resize(std::min(1280, area.width() - border.left() - border.right()),
                std::min(900, area.height() - border.top() - border.bottom()));
  mdi_ = new QMdiArea;
  mdi_->setObjectName("?MDIAREA");
  // Children larger than the client area can still be reached.
  mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  const auto wallpaper = rt::resolvePath("FondoTL.jpg");
  if (std::filesystem::exists(wallpaper)) {
    mdi_->setBackground(QPixmap(QString::fromStdString(wallpaper.string())));
  }
  frame->setCentralWidget(mdi_);
  auto start = [](std::string_view procedure) {
    return [p = std::string(procedure)] { startProcedure(p); };
  };

  QMenuBar* bar = frame->menuBar();
  QMenu* general = bar->addMenu("&General");
  general->setObjectName("?FILEMENU");
  addMenuItem(general, "Con&figurar Impresora...", "?PRINTSETUP",
              [] { rt::callProcedure("PrinterSetup"); });
  general->addSeparator();
  addMenuItem(general, "Configuración del Sistema"_cp, "?GENERALCONFIGURACIÓNDELSISTEMA"_cp,
              start("VentanaParametrosSistema"));
  addMenuItem(general, "Respaldo de Datos", "?GENERALITEM34", start("Respaldo"));
  addMenuItem(general, "Administrador de Archivos", "?ADMINISTRADORARCHIVOS",
              start("RuntimeFileManager"));
  general->addSeparator();
  addMenuItem(general, "Historial de Modificaciones", "?GENERALITEM38", start("WhatsNew"));
  general->addSeparator();
  addMenuItem(general, "&Salir", "?EXIT", [this] { post(rt::event::CloseWindow); });

  QMenu* edit = bar->addMenu(q("&Edición"_cp));
  addMenuItem(edit, "Cor&tar", "?CUT", [] { clipboardCommand("cut"); });
  addMenuItem(edit, "&Copiar", "?COPY", [] { clipboardCommand("copy"); });
  addMenuItem(edit, "&Pegar", "?PASTE", [] { clipboardCommand("paste"); });

  QMenu* support = bar->addMenu("&Soporte");
  addMenuItem(support, "Especialidades Médicas"_cp, "?SOPORTEESPECIALIDADES",
              start("ExaminarEspecialidades"));
  addMenuItem(support, "Co&berturas Médicas"_cp, "?COBERTURASMEDICAS", start("ExaminarCoberturas"));
  addMenuItem(support, "Tipos de Consulta", "?ITEM1", start("ExaminarTiposConsulta"));
  addMenuItem(support, "Ocupaciones (de los Pacientes)", "?ITEM2", start("ExaminarOcupaciones"));
  addMenuItem(support, "Feriados (Para Turnos)", "?ITEM3", start("ExaminarFeriados"));
  support->addSeparator();
  addMenuItem(support, "P&rovincias", "?EDICIÓNEXAMINARPROVINCIAS"_cp, start("ExaminarProvincia"));
  addMenuItem(support, "&Localidades", "?EDICIÓNBASESDEDATOSEXAMINARLOCALIDADES"_cp,
              start("ExaminarLocalidades"));
  support->addSeparator();
  addMenuItem(support, "Definiciones de Macros", "?ITEM4", start("ExaminarMacros"));
  addMenuItem(support, "Notas con Macros", "?ITEM5", start("ExaminarNotasConMacros"));
  support->addSeparator();
  addMenuItem(support, "U&suarios", "?USUARIOS", start("ExaminarUsuarios"));

  QMenu* operations = bar->addMenu("&Operaciones");
  addMenuItem(operations, "&Pacientes", "?OPERACIONESEXAMINARPACIENTES",
              start("ExaminarPacientes"));
  addMenuItem(operations, "&Consultas", "?OPERACIONESCONSULTAS", start("ExaminarConsultas"));
  addMenuItem(operations, "Médicos"_cp, "?SOPORTEMÉDICOS"_cp, start("ExaminarMedicos"));
  addMenuItem(operations, "&Turnos", "?OPERACIONESTURNOS", start("ExaminarTurnos"));
  operations->addSeparator();
  addMenuItem(operations, "Crear Nota con Macros", "?ITEM6", start("CrearNotaConMacro"));

  QMenu* extras = bar->addMenu("E&xtras");
  addMenuItem(extras, "Agenda de Direcciones", "?OPERACIONESMENU6ITEM21",
              start("ExaminarAgendaDirecciones"));
  addMenuItem(extras, "Recordatorio", "?OPERACIONESAGENDA", start("ExaminarAgenda"));
  addMenuItem(extras, "Temas", "?OPERACIONESTEMAS", start("ExaminarTemas"));
  addMenuItem(extras, "Notas", "?OPERACIONESNOTAS", start("Notas"));
  extras->addSeparator();
  addMenuItem(extras, "Limpia Tareas Completas del Recordatorio", "?ITEM7", start("LimpiarAgenda"));

  QMenu* windows = bar->addMenu("&Ventana");
  addMenuItem(windows, "&Mosaico", "?TILE", [this] { mdi_->tileSubWindows(); });
  addMenuItem(windows, "&Cascada", "?CASCADE", [this] { mdi_->cascadeSubWindows(); });
  addMenuItem(windows, "&Alinear Iconos", "?ARRANGE", [this] {
    // Minimised children lined up along the bottom edge, the others kept.
    int x = 0;
    for (QMdiSubWindow* sub : mdi_->subWindowList()) {
      if (!sub->isMinimized()) continue;
      sub->move(x, mdi_->viewport()->height() - sub->height());
      x += sub->width();
    }
  });
  windows->addSeparator();
  addMenuItem(windows, "Resetear Posición de las Ventanas"_cp,
              "?VENTANARESETEARPOSICIÓNDELASVENTANAS"_cp, [] { ResetearPosicionVentanas(); });

  auto* tools = frame->addToolBar("Aplicacion");
  tools->setObjectName("?APPTOOLBAR");
  tools->setMovable(false);
  addButton(tools, "?BUTTON18:2", "Pacientes", "Ficha de Pacientes", "ExaminarPacientes");
  addButton(tools, "?BUTTON18:3", "Consultas", "Consultas", "ExaminarConsultas");
  addButton(tools, "?BUTTON18:4", "Recordatorio", "Recordatorio", "ExaminarAgenda");
  addButton(tools, "?BUTTON19", "Notas", "Notas", "Notas");
  addButton(tools, "?BUTTON20", "Temas", "Temas", "ExaminarTemas");
  addButton(tools, "?BUTTON21", "Agenda", "Agenda Telefónica."_cp, "ExaminarAgendaDirecciones");
  addButton(tools, "?BUTTON22", "Relogin", "Relogin", "Relogin");
  addButton(tools, "?BUTTON23", "Soporte", "Enviar Email a Tolvane", "TLSoporte");
  addButton(tools, "?BUTTONMEDICOS", "Médicos"_cp, "Ficha de Médicos"_cp, "ExaminarMedicos");
  addButton(tools, "?BUTTONTURNOS", "Turnos", "Turnos", "ExaminarTurnos");
  addButton(tools, "?BUTTONTURNOS:2", "Notas c/Macros", "Notas con Macros", "CrearNotaConMacro");
  tools->addSeparator();
  QToolButton* mode = addButton(tools, "?TIPOLISTADO", "Automático"_cp, "", "");
  mode->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  mode->setIcon(frame->style()->standardIcon(QStyle::SP_DialogSaveButton));
  mode->setMinimumWidth(120);
  for (const char* dev : {"?P1", "?P2", "?P3", "?P4"}) {
    QToolButton* b = addButton(tools, dev, dev + 1, "",
                               dev == std::string_view("?P1") ? "CuentaLargoConsulta" : "");
    b->setEnabled(false);
    showToolButton(b, false);
  }

  frame->addToolBarBreak();
  auto* navigation = frame->addToolBar("Navegacion");
  navigation->setObjectName("?NAVTOOLBAR");
  navigation->setMovable(false);
  for (const NavigationButton& n : kNavigation) {
    QToolButton* b = addButton(navigation, n.control, "", n.tip, "", n.number);
    b->setToolButtonStyle(Qt::ToolButtonIconOnly);
    b->setIcon(frame->style()->standardIcon(n.icon));
    // The windows' navigation manages the buttons' state; hidden ones never show.
    if (n.number == 3012 || n.number == 3013) showToolButton(b, false);
  }
  frame->statusBar();
  return frame;
}

int Frame::Init() {
  scope_.emplace("Main");
  installMessageWindow();
  BuildArchivoLog();
  GLO::ArchivoIni = inProgramFolder("Dezedu.ini");
  // Set either way: a frame opened after a first run's frame in this process
  // finds the settings written and is no first run.
  GLO::PrimeraEjecucion = isFirstRun(GLO::ArchivoIni) ? 1 : 0;
  InicializaVariablesGlobales();
  AvisoRespaldo();

  rt::ThreadRequest() = 0;
  rt::ThreadResponse() = 0;
  Open(buildWindow());
  // The main windows of the other threads are shown inside the frame.
  rt::WindowDriver::setChildHost(thread(), [mdi = mdi_](QWidget* w) {
    if (!mdi) return false;
    const QSize designed = w->size();
    QMdiSubWindow* holder = mdi->addSubWindow(w);
    holder->setAttribute(Qt::WA_DeleteOnClose, false);
    holder->show();
    // The window keeps the size it was given, inside the holder's border,
    // and opens in the middle of the frame's client area.
    holder->resize((holder->size() + (designed - w->size()).expandedTo(QSize(0, 0)))
                       .expandedTo(holder->minimumSizeHint()));
    rt::centreInParent(holder);
    mdi->setActiveSubWindow(holder);
    // Once the window has laid itself out it never stays smaller than its
    // controls need (they would be cut at the right and the bottom).
    QTimer::singleShot(0, holder, [holder] {
      const QSize needed = holder->size().expandedTo(holder->minimumSizeHint());
      if (needed != holder->size()) {
        holder->resize(needed);
        rt::centreInParent(holder);
      }
    });
    return true;
  });
  hostedMnemonics_ = new HostedMnemonics(mdi_);
  qApp->installEventFilter(hostedMnemonics_);
  GLO::ModoListado = "A";
  control("?TIPOLISTADO")->setProperty("text", QString("Automatico"));
  showListingModeWith([this](const std::string& mode) { showListingMode(mode); });
  ColorearControles(window());

  auto* main = static_cast<QMainWindow*>(window());
  QMenu* general = main->menuBar()->findChild<QMenu*>("?FILEMENU");
  QAction* separator = general->addSeparator();
  separator->setProperty("controlNumber", kChangeHistorySeparator);
  addMenuItem(
      general, "&Historial de Modificaciones", "", [] { startProcedure("WhatsNew"); },
      kChangeHistoryItem);

  instance_.listen(instanceServiceName(), *this);
  ConfigurarFuente(fontScaler_, window());
  ActualizarTitulo();
  setTimer(kTimerHundredths);
  focusMarker_.Setup(window());
  keyNavigator_.SetKeys(window());
  return rt::level::Benign;
}

int Frame::Kill() {
  rt::WindowDriver::setChildHost(0, {});
  showListingModeWith({});
  if (hostedMnemonics_) qApp->removeEventFilter(hostedMnemonics_);
  const int result = WindowDriver::Kill();
  fontScaler_.ApplyPendingSize();
  GLO::VentanaPrincipal = nullptr;
  scope_.reset();
  return result;
}

void Frame::ActualizarTitulo() {
  if (window()) window()->setWindowTitle(q(frameTitle()));
}

int Frame::TakeEvent() {
  if (QWidget* relogin = control("?BUTTON22")) {
    relogin->setEnabled(GLO::LoginRequerido != 0);
    showToolButton(relogin, GLO::LoginRequerido != 0);
  }
  if (GLO::Cod_Usuario_Logueado != shownUser_ && GLO::Cod_Usuario_Logueado != 0) {
    ActualizarTitulo();
    shownUser_ = GLO::Cod_Usuario_Logueado;
  }
  // Menu commands arrive as accepted events that name their item's number.
  if (event() == rt::event::Accepted && field() == nullptr) {
    const int number = currentEvent().controlNumber;
    if (auto it = menuActions_.find(number); it != menuActions_.end()) it->second();
    return rt::level::Benign;
  }
  return WindowDriver::TakeEvent();
}

int Frame::TakeWindowEvent() {
  const int result = WindowDriver::TakeWindowEvent();
  switch (event()) {
    case rt::event::OpenWindow:
      onOpened();
      break;
    case rt::event::Timer:
      onTimer();
      break;
    default:
      SingleInstanceServe(*this, instance_);
      break;
  }
  return result;
}

int Frame::TakeCloseEvent() {
  if (!rt::WindowDriver::closeOtherThreadsWindows()) return rt::level::Notify;
  return WindowDriver::TakeCloseEvent();
}

void Frame::onOpened() {
  GLO::VentanaPrincipal = window();
  MakeDirectory("PDF");
  if (GLO::LoginRequerido == 1) {
    rt::callProcedure("VentanaPresentacionLogin");
    if (window()) {
      window()->setWindowTitle(window()->windowTitle().trimmed() +
                               " - USUARIO: " + q(rt::clip(GLO::Nombre_Usuario_Logueado)));
    }
  }
  if (GLO::PrimeraEjecucion == 1) {
    warningNotice(
        "No se ha detectado una Configuración Inicial.|Se programan los parámetros por "
        "defecto para el |Sistema, pero se sugiere que se revise tal configuración."_cp,
        "Configuración Inicial del Software"_cp);
    startProcedure("VentanaParametrosSistema");
  }
  if (rt::textToNumber(rt::getIni("Entorno", "Desarrollo", "0")) == 1) {
    for (const char* dev : {"?P1", "?P2", "?P3", "?P4"}) {
      if (QWidget* b = control(dev)) {
        showToolButton(b, true);
        b->setEnabled(true);
      }
    }
  }
}

void Frame::onTimer() {
  windowCount_ = countOtherThreadWindows(thread());
  if (windowCount_ == 0) rt::callProcedure("ProcesoAgenda");
}

int Frame::TakeAccepted() {
  const int number = field() ? field()->property("controlNumber").toInt() : 0;
  if (number >= kFirstNavigationControl && number <= kLastNavigationControl) {
    const rt::ThreadNumber active = activeWindowThread();
    if (active != 0 && active != thread()) {
      rt::post(rt::event::Accepted, active, number);
      return rt::level::Notify;
    }
  }
  const int result = WindowDriver::TakeAccepted();
  if (field() == control("?TIPOLISTADO")) {
    cycleListingMode();
  } else if (auto it = buttonProcedures_.find(field()); it != buttonProcedures_.end()) {
    startProcedure(it->second);
  }
  return result;
}

void Frame::cycleListingMode() {
  const auto next = nextListingMode(GLO::ModoListado);
  if (!next) return;
  setListingMode(next->mode);  // the button follows through showListingMode
}

// The button shows the mode in force, whoever set it (a listing puts it back
// to automatic when it ends), so one press is always one step on from it.
void Frame::showListingMode(const std::string& mode) {
  const std::optional<std::string> text = listingModeText(mode);
  QWidget* button = control("?TIPOLISTADO");
  if (!text || button == nullptr) return;
  button->setProperty("text", q(*text));
  window()->update();
}

int Main() {
  Frame frame;
  return frame.Run();
}

void registerFrame() {
  rt::registerProcedure("Main", [](const rt::ProcedureArgs&) { return Main(); });
}

}  // namespace core
