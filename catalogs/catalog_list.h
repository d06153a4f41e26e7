#pragma once
// The list windows of the reference catalogues: one list class, set by a
// table of what each catalogue shows (title, tab, order, locator, columns,
// active-only box, search, query name, export, joined table, colours).
#include <optional>
#include <string>
#include <vector>

#include "core/shapes/export_handover.h"
#include "core/shapes/list_search.h"
#include "core/shapes/list_window.h"

namespace catalogs {

// The wording of a list's buttons: the fuller one of the specialities, the
// coverage plans, the provinces and the localities, or the shorter one.
enum class Wording { Full, Short };

struct CatalogListSpec {
  std::string procedure;  // "ExaminarEspecialidades"
  const rt::TableDef& (*table)();
  std::string title;
  std::string tab;
  int key = 0;          // the one sort order
  std::string locator;  // the locator's field; empty: none
  std::string locatorPrompt;
  int locatorCharacters = 20;
  std::vector<core::ListColumn> columns;
  std::string listTip;
  // The active-only box: its text, tip, condition and starting value.
  std::string activeBox;
  std::string activeTip;
  std::string activeCondition;
  bool activeAtStart = false;
  std::optional<core::ListSearchSettings> search;
  std::string queryButton = "&Consulta";
  std::string queryName;
  Wording wording = Wording::Full;
  std::string closeText = "&Cerrar";
  std::string closeTip;
  std::string closeStatus;
  bool closeAlwaysCancels = false;
  std::optional<core::ExportSpec> exported;
  // A table joined to each row by its key on the list's fields.
  const rt::TableDef& (*joined)() = nullptr;
  int joinKey = 0;
  std::vector<std::string> joinLinks;
  // The description drawn in the type's own colour (field named here).
  std::string colourField;
  int (*form)() = nullptr;
};

// A list column by its field, title, picture, width (dialog units; 0 hidden)
// and alignment.
core::ListColumn listColumn(const char* field, const char* title, const char* picture, int width,
                            core::ColumnAlign align = core::ColumnAlign::Left);

// The lists by procedure name; null for a name that is not one of them.
const CatalogListSpec* catalogList(std::string_view procedure);

class CatalogList : public core::ListWindow {
 public:
  explicit CatalogList(const CatalogListSpec& spec);
  const CatalogListSpec& spec() const { return spec_; }

  int TakeAccepted() override;

 protected:
  QWidget* buildWindow() override;
  void setUpBrowser(core::ListBrowser& browser) override;
  void callForm() override;
  std::optional<core::ListSearchSettings> searchSettings() const override { return spec_.search; }
  std::string listControlName() const override { return "?BROWSE:1"; }
  std::string queryName() const override { return spec_.queryName; }
  std::unique_ptr<core::ListBrowser> makeBrowser(QTableView* list) override;

 private:
  const CatalogListSpec& spec_;
};

// Runs the list of that name on the calling thread; its answer is also left
// in ThreadResponse.
int runCatalogList(std::string_view procedure);

int ExaminarEspecialidades();
int ExaminarFeriados();
int ExaminarOcupaciones();
int ExaminarTiposConsulta();
int ExaminarCoberturas();
int ExaminarProvincia();
int ExaminarLocalidades();

}  // namespace catalogs
