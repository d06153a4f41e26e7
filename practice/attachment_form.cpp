#include "practice/attachment_form.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>
#include <filesystem>

#include "core/aids/designed_font.h"
#include "core/aids/patient_services.h"
#include "core/aids/window_parts.h"
#include "core/frame/globals.h"
#include "core/tables/clinical_tables.h"
#include "core/tables/table_managers.h"
#include "platform/base/cp_literal.h"
#include "platform/base/message_hook.h"
#include "platform/base/outside_actions.h"
#include "platform/base/paths.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/file_chooser.h"
#include "platform/ui/picture_validator.h"
#include "platform/ui/qt_text.h"

namespace practice {
namespace {

constexpr auto& kPathRefused =
    "El nombre del archivo es demasiado largo o tiene caracteres no admitidos."_cp;
constexpr std::size_t kPathWidth = 255;

}  // namespace

AttachmentForm::AttachmentForm()
    : core::RecordForm("FormularioAdjuntos", core::Adjuntos::def(), false) {}

QWidget* AttachmentForm::buildWindow() {
  const auto [window, sheet, general] =
      core::formSheet("Actualizando un registro de Adjuntos para los temas", "General");
  const rt::DialogUnits units = rt::DialogUnits::of(window);
  auto* grid = new QGridLayout(general);

  auto* patient = core::shownEntry(general, "?PAC:NOMBRE");
  auto* date = core::shownEntry(general, "?CON:FECHA");
  date->setMaximumWidth(units.x(50));
  auto* motive = core::shownEntry(general, "?CON:MOTIVO");
  auto* visit = new QHBoxLayout;
  visit->addWidget(patient, 2);
  visit->addWidget(date);
  visit->addWidget(motive, 2);
  grid->addWidget(new QLabel("Consulta:", general), 0, 0);
  grid->addLayout(visit, 0, 1);

  auto* path = core::namedEntry(general, "?ADJ:ARCHIVO_ADJUNTO", 255,
                                "Nombre del archivo adjunto relacionado con el tema");
  path->setMinimumWidth(units.x(220));
  auto* pick = core::namedButton(general, "?PICKFILE", "...", "Seleccione el Archivo Adjunto");
  pick->setMaximumWidth(units.x(16));
  auto* open = core::namedButton(general, "?OPENFILE", "", "Abrir el archivo");
  open->setIcon(open->style()->standardIcon(QStyle::SP_DialogOpenButton));
  auto* file = new QHBoxLayout;
  file->addWidget(path, 1);
  file->addWidget(pick);
  file->addWidget(open);
  auto* pathLabel = new QLabel("Archivo Adjunto:", general);
  pathLabel->setBuddy(path);
  grid->addWidget(pathLabel, 1, 0);
  grid->addLayout(file, 1, 1);

  auto* comment =
      core::namedEntry(general, "?ADJ:COMENTARIO", 120, "Descripcion textual del archivo");
  auto* commentLabel = new QLabel("Comentario:", general);
  commentLabel->setBuddy(comment);
  grid->addWidget(commentLabel, 2, 0);
  grid->addWidget(comment, 2, 1);
  auto* notes = new QPlainTextEdit(general);
  notes->setObjectName("?ADJ:NOTAS");
  notes->setTabChangesFocus(true);
  notes->setMinimumHeight(units.y(60));
  auto* notesLabel = new QLabel("Notas:", general);
  notesLabel->setBuddy(notes);
  grid->addWidget(notesLabel, 3, 0, Qt::AlignTop);
  grid->addWidget(notes, 3, 1);

  core::sheetAndButtons(window, sheet);

  fields().bind(path, "ADJ:Archivo_Adjunto", 1);
  fields().bind(comment, "ADJ:Comentario", 2);
  fields().bind(notes, "ADJ:Notas", 3);
  rt::setPicture(date, "@d17");
  return window;
}

void AttachmentForm::OwnSetup() {
  openRelations({&core::Consultas::def(), &core::Pacientes::def()});
  if (viewing()) {
    control("?PICKFILE")->setEnabled(false);
  }
  refresh();
}

void AttachmentForm::refresh() {
  core::CON().Cod_Consulta = core::ADJ().Cod_Consulta;
  core::access(core::Consultas::def()).fetchOrClear(core::Consultas::CON01);
  core::PAC().Cod_Paciente = core::CON().Cod_Paciente;
  core::access(core::Pacientes::def()).fetchOrClear(core::Pacientes::PAS_001);
  control<QLineEdit>("?PAC:NOMBRE")->setText(rt::toQString(core::PAC().Nombre.clipped()));
  control<QLineEdit>("?CON:FECHA")->setText(core::shownDate(core::CON().Fecha));
  control<QLineEdit>("?CON:MOTIVO")->setText(rt::toQString(core::CON().Motivo.clipped()));
}

void AttachmentForm::pickFile() {
  Update();
  rt::FileRequest request;
  request.title = "Seleccione el Archivo Adjunto";
  request.current = GLO::DirectorioAdjuntos;
  request.masks = "Todos los archivos|*.*|";
  std::string name;
  if (!rt::chooseFileInto(request, name)) return;  // left without a choice: the path stays
  // A name the field cannot hold whole, or one whose characters the runtime
  // text could not keep, would name another file.
  std::error_code error;
  const bool keeps =
      name.size() <= kPathWidth && std::filesystem::exists(rt::resolvePath(name), error);
  if (!keeps) {
    rt::showMessage({kPathRefused,
                     "Archivo Adjunto",
                     rt::MessageIcon::Warning,
                     rt::button::Ok,
                     {},
                     rt::button::Ok});
    return;
  }
  core::ADJ().Archivo_Adjunto = name;
  Display();
}

int AttachmentForm::TakeAccepted() {
  if (int r = core::RecordForm::TakeAccepted(); r != rt::level::Benign) return r;
  QWidget* accepted = field();
  if (accepted == nullptr) return rt::level::Benign;
  const std::string name = rt::fromQString(accepted->objectName());
  if (name == "?PICKFILE") {
    pickFile();
  } else if (name == "?OPENFILE") {
    Update();
    core::AbrirArchivoAdjunto(core::ADJ().Archivo_Adjunto.view());
  }
  return rt::level::Benign;
}

int FormularioAdjuntos() { return core::runWindow<AttachmentForm>(); }

}  // namespace practice
