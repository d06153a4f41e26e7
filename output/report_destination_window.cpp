#include "output/report_destination_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/aids/control_colouring.h"
#include "core/frame/globals.h"
#include "core/shapes/report_destination.h"
#include "platform/base/cp1252.h"
#include "platform/base/cp_literal.h"
#include "platform/base/logical_threads.h"
#include "platform/base/message_hook.h"
#include "platform/ui/qt_text.h"

namespace output {
namespace {

constexpr int kLineWidth = 255;
constexpr int kMailTextWidth = 1000;

QLineEdit* entry(QWidget* parent, const char* name, const std::string& value, const char* tip) {
  auto* edit = new QLineEdit(rt::toQString(rt::clip(value)), parent);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setMaxLength(kLineWidth);
  edit->setToolTip(rt::toQString(tip));
  return edit;
}

QLabel* prompt(QWidget* parent, const char* name, const char* text) {
  auto* label = new QLabel(rt::toQString(text), parent);
  label->setObjectName(QString::fromLatin1(name));
  return label;
}

std::string cut(const QString& text, std::size_t width) {
  std::string value = rt::fromQString(text);
  if (value.size() > width) value.resize(width);
  return value;
}

}  // namespace

int ReportDestinationWindow::Init() {
  AidedWindow::Init();
  rt::ThreadRequest() = 0;
  rt::ThreadResponse() = 0;
  if (!core::settleReportDestination()) {
    // Decided without the user: the window closes before it is seen.
    return rt::level::Fatal;
  }
  auto* window = new QWidget(nullptr, Qt::Dialog);
  window->setWindowTitle(rt::toQString("Parámetros adicionales para Listado"_cp));
  auto* outer = new QVBoxLayout(window);
  auto* sheet = new QTabWidget(window);
  sheet->setObjectName("?SHEET1");
  auto* tab = new QWidget;
  tab->setObjectName("?TAB1");
  sheet->addTab(tab, QStringLiteral("General"));
  auto* tabLayout = new QVBoxLayout(tab);

  auto* top = new QFormLayout;
  auto* destination = new QComboBox(tab);
  destination->setObjectName("?GLO:TIPOLISTADO");
  destination->addItem(QStringLiteral("Normal"), QStringLiteral("N"));
  destination->addItem(QStringLiteral("Mail"), QStringLiteral("M"));
  destination->addItem(QStringLiteral("Archivo PDF"), QStringLiteral("P"));
  destination->setCurrentIndex(std::max(
      0, destination->findData(rt::toQString(rt::clip(core::reportGlobals().TipoListado)))));
  destination->setToolTip(QStringLiteral("Tipo de Salida para Listado"));
  top->addRow(prompt(tab, "?GLO:TIPOLISTADO:PROMPT", "Destino del Listado:"), destination);
  tabLayout->addLayout(top);

  auto* mail = new QWidget(tab);
  mail->setObjectName("?DATOSMAIL");
  auto* mailLayout = new QVBoxLayout(mail);
  mailLayout->setContentsMargins(0, 0, 0, 0);
  auto* fields = new QFormLayout;
  fields->addRow(prompt(mail, "?GLO:MAILLISTADO:PROMPT", "Mail de Destino:"),
                 entry(mail, "?GLO:MAILLISTADO", core::reportGlobals().MailListado,
                       "Mail de Destino para el listado"));
  fields->addRow(prompt(mail, "?GLO:NOMBREPDF:PROMPT", "Nombre del Archivo:"),
                 entry(mail, "?GLO:NOMBREPDF", core::reportGlobals().NombrePDF,
                       "Nombre del Archivo PDF generado por el Reporte"));
  fields->addRow(prompt(mail, "?GLO:ASUNTOLISTADO:PROMPT", "Asunto del Email:"),
                 entry(mail, "?GLO:ASUNTOLISTADO", core::reportGlobals().AsuntoListado,
                       "Asunto del Mail con el Listado"));
  mailLayout->addLayout(fields);
  auto* show =
      new QCheckBox(rt::toQString("Mostrar el Mail antes de enviarlo (para edición)"_cp), mail);
  show->setObjectName("?GLO:MOSTRARDIALOGOMAIL");
  show->setChecked(core::reportGlobals().MostrarDialogoMail == 1);
  show->setToolTip(QStringLiteral("Marca que indica que se debe mostrar el mail para editarlo"));
  mailLayout->addWidget(show);
  auto* group = new QGroupBox(QStringLiteral("Texto del Email:"), mail);
  group->setObjectName("?GROUP1");
  auto* groupLayout = new QVBoxLayout(group);
  auto* text = new QPlainTextEdit(rt::toQString(rt::clip(core::reportGlobals().TextoMail)), group);
  text->setObjectName("?GLO:TEXTOMAIL");
  text->setToolTip(QStringLiteral("Texto del Email"));
  groupLayout->addWidget(text);
  mailLayout->addWidget(group);
  tabLayout->addWidget(mail);
  outer->addWidget(sheet);

  auto* ok = new QPushButton(QStringLiteral("&Ok"), window);
  ok->setObjectName("?OKBUTTON");
  outer->addWidget(ok, 0, Qt::AlignRight);
  Open(window);
  core::ColorearControles(window);
  setUpAids(window);
  enableMailGroup();
  return rt::level::Benign;
}

void ReportDestinationWindow::enableMailGroup() {
  if (QWidget* group = control("?DATOSMAIL")) {
    group->setEnabled(rt::clip(core::reportGlobals().TipoListado) == "M");
  }
}

int ReportDestinationWindow::TakeEvent() {
  enableMailGroup();
  const int answer = WindowDriver::TakeEvent();
  enableMailGroup();
  return answer;
}

void ReportDestinationWindow::writeBack() {
  if (auto* destination = control<QComboBox>("?GLO:TIPOLISTADO")) {
    core::reportGlobals().TipoListado = rt::fromQString(destination->currentData().toString());
  }
  if (auto* e = control<QLineEdit>("?GLO:MAILLISTADO"))
    core::reportGlobals().MailListado = cut(e->text(), 255);
  if (auto* e = control<QLineEdit>("?GLO:NOMBREPDF");
      e && core::pdfNameFault(cut(e->text(), 255)).empty()) {
    core::reportGlobals().NombrePDF = cut(e->text(), 255);
  }
  if (auto* e = control<QLineEdit>("?GLO:ASUNTOLISTADO")) {
    core::reportGlobals().AsuntoListado = cut(e->text(), 255);
  }
  if (auto* c = control<QCheckBox>("?GLO:MOSTRARDIALOGOMAIL")) {
    core::reportGlobals().MostrarDialogoMail = c->isChecked() ? 1 : 0;
  }
  if (auto* t = control<QPlainTextEdit>("?GLO:TEXTOMAIL")) {
    core::reportGlobals().TextoMail = cut(t->toPlainText(), kMailTextWidth);
  }
}

int ReportDestinationWindow::TakeAccepted() {
  // Every control writes to its global as soon as its value is accepted.
  writeBack();
  if (field() != control("?OKBUTTON")) return rt::level::Benign;
  auto* name = control<QLineEdit>("?GLO:NOMBREPDF");
  const std::string fault =
      name != nullptr ? core::pdfNameFault(cut(name->text(), 255)) : std::string();
  if (!fault.empty()) {
    // A name with folders would write, or delete, a file outside the PDF folder.
    rt::showMessage(
        {fault, "Nombre del Archivo", rt::MessageIcon::Error, rt::button::Ok, {}, rt::button::Ok});
    name->setFocus();
    return rt::level::Benign;
  }
  post(rt::event::CloseWindow);
  return rt::level::Benign;
}

int ReportDestinationWindow::TakeCloseEvent() {
  if (auto* t = control<QPlainTextEdit>("?GLO:TEXTOMAIL")) {
    // A multi-line text has no accepted event of its own; it is kept at close.
    core::reportGlobals().TextoMail = cut(t->toPlainText(), kMailTextWidth);
  }
  return rt::level::Benign;
}

int runVentanaParametrosListado() {
  ReportDestinationWindow window;
  window.Run();
  return rt::kCompleted;
}

}  // namespace output
