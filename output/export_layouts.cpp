#include "output/export_layouts.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "core/aids/designed_font.h"
#include "core/aids/window_parts.h"
#include "core/shapes/record_form.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/table_managers.h"
#include "platform/base/cp_literal.h"
#include "platform/base/message_hook.h"
#include "platform/base/runtime_errors.h"
#include "platform/data/database.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/qt_text.h"

namespace output {
namespace {

using core::KOV_C;
using core::KOV_D;
using core::KovSaveC;
using core::KovSaveD;

std::string cut(std::string_view text, std::size_t width) {
  return std::string(text.substr(0, std::min(text.size(), width)));
}

// A text as a quoted literal of a filter expression.
std::string literal(std::string_view text) {
  std::string out = "'";
  for (char c : rt::clip(text)) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

void tellNotSaved(int error) {
  rt::showMessage({"No se pudo guardar la lista: "_cp + rt::errorText(error),
                   "Exportar",
                   rt::MessageIcon::Error,
                   rt::button::Ok,
                   {},
                   rt::button::Ok});
}

// The rows numbered `id`: the layout's own, or those a deleted layout left.
std::vector<std::int64_t> detailPositions(std::int32_t id) {
  rt::Table& details = KovSaveD::table();
  details.clear();
  KOV_D().ID = id;
  details.setToStart(KovSaveD::KOVD_PORID);
  details.setRange(1);
  std::vector<std::int64_t> positions;
  while (details.next() == 0) positions.push_back(details.position());
  return positions;
}

int saveInside(std::string_view app, std::string_view procedure, std::string_view name,
               const std::vector<LayoutColumn>& columns, std::int32_t& id) {
  rt::Table& layouts = KovSaveC::table();
  layouts.clear();
  KOV_C().EPROCEDURE = cut(app, 50);  // the names of the two fields are swapped, as stored
  KOV_C().EAPLICATION = cut(procedure, 50);
  KOV_C().ENAME = cut(name, 50);
  if (int e = layouts.addNumbered()) return e;
  id = KOV_C().ID;
  rt::Table& details = KovSaveD::table();
  for (std::int64_t position : detailPositions(id)) {
    if (int e = details.fetchPosition(position)) return e;
    if (int e = details.remove()) return e;
  }
  for (const LayoutColumn& c : columns) {
    details.clear();
    KOV_D().ID = id;
    KOV_D().FIELDNAME = cut(c.title, 50);
    KOV_D().FIELDORDER = c.order != 0 ? std::string(1, c.order) : std::string();
    KOV_D().FIELDORDERNRO = static_cast<std::int16_t>(c.orderNumber);
    KOV_D().FIELDTOTALING = static_cast<std::int16_t>(c.totaling);
    KOV_D().FIELDID = c.id;
    if (int e = details.addNumbered()) return e;
  }
  return 0;
}

}  // namespace

std::int32_t saveExportLayout(std::string_view app, std::string_view procedure,
                              std::string_view name, const std::vector<LayoutColumn>& columns) {
  if (int e = rt::beginTransaction()) {
    tellNotSaved(e);
    return 0;
  }
  std::int32_t id = 0;
  const int error = saveInside(app, procedure, name, columns, id);
  if (error != 0) {
    rt::rollbackTransaction();
    tellNotSaved(error);
    return 0;
  }
  if (int e = rt::commitTransaction()) {
    tellNotSaved(e);
    return 0;
  }
  return id;
}

std::vector<LayoutColumn> loadExportLayout(std::int32_t id) {
  std::vector<LayoutColumn> columns;
  rt::Table& details = KovSaveD::table();
  for (std::int64_t position : detailPositions(id)) {
    if (details.fetchPosition(position) != 0) continue;
    LayoutColumn c;
    c.title = std::string(KOV_D().FIELDNAME.clipped());
    c.totaling = KOV_D().FIELDTOTALING == 2 ? 2 : 1;
    c.id = KOV_D().FIELDID;
    const std::string_view sign = KOV_D().FIELDORDER.clipped();
    c.order = sign.empty() ? 0 : sign.front();
    c.orderNumber = KOV_D().FIELDORDERNRO;
    columns.push_back(std::move(c));
  }
  return columns;
}

ExportLayoutList::ExportLayoutList(std::string procedure, std::string application,
                                   std::string caption)
    : core::ListWindow("Kov_SelectGeneracion", KovSaveC::def()),
      procedure_(std::move(procedure)),
      application_(std::move(application)),
      caption_(std::move(caption)) {}

QWidget* ExportLayoutList::buildWindow() {
  auto* window = new QWidget(nullptr, Qt::Dialog);
  window->setFont(core::designedWindowFont());
  window->setWindowTitle(
      rt::toQString("Listas Guardadas [" + std::string(rt::clip(caption_)) + "]"));
  const rt::DialogUnits units = rt::DialogUnits::of(window);
  auto* list = new QTableView(window);
  list->setObjectName("?BROWSE:1");
  list->setToolTip("Recorriendo Registros");
  list->setMinimumSize(units.size(220, 110));
  auto* buttons = new QHBoxLayout;
  auto add = [&](const char* name, const char* text) {
    auto* b = new QPushButton(rt::toQString(text), window);
    b->setObjectName(name);
    buttons->addWidget(b);
  };
  add("?SELECT", "&Seleccionar");
  add("?DELETE", "&Borrar");
  buttons->addStretch();
  add("?CLOSE", "&Cerrar");
  auto* layout = new QVBoxLayout(window);
  layout->addWidget(list);
  layout->addLayout(buttons);
  return window;
}

void ExportLayoutList::setUpBrowser(core::ListBrowser& b) {
  b.AddSortOrder("Por Nombre", KovSaveC::KOVC_PORNOMBRE);
  b.AddColumn(core::ListColumn{
      "KOV_C:ENAME", "Nombre", "@s50", 50, 200, core::ColumnAlign::Left, false, false, {}});
  b.AddHiddenColumn("KOV_C:ID");
  b.AddHiddenColumn("KOV_C:EAPLICATION");
  b.AddHiddenColumn("KOV_C:EPROCEDURE");
  // The layouts the same list of the same program saved, and no others.
  b.SetFilter("UPPER(KOV_C:EAPLICATION) = UPPER(" + literal(procedure_) +
                  ") AND (KOV_C:EPROCEDURE = " + literal(application_) + ")",
              "Procedure");
  b.ApplyFilter();
}

int ExportLayoutList::RunProcedure(int, int request) {
  // No form: a layout is deleted here, after the platform's question.
  if (request != core::request::Delete) return rt::kCancelled;
  return core::relate(KovSaveC::def()).remove(true) == core::level::Benign ? rt::kCompleted
                                                                           : rt::kCancelled;
}

int runKovSelectGeneracion(std::string procedure, std::string application, std::string caption) {
  return core::runWindow<ExportLayoutList>(std::move(procedure), std::move(application),
                                           std::move(caption));
}

}  // namespace output
