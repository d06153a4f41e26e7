#pragma once
// The list window: a list of one table's records under the request its
// caller left in ThreadRequest (browse, select, view), with the table's
// record form behind its insert, change and delete buttons, query by
// example, and the list search. A concrete list builds its window, names its
// columns and sort orders and adds its own set-up.
#include <QAbstractButton>
#include <QPointer>
#include <memory>
#include <optional>
#include <string>

#include "core/shapes/aided_window.h"
#include "core/shapes/export_handover.h"
#include "core/shapes/list_browser.h"
#include "core/shapes/list_search.h"
#include "core/shapes/query_by_example.h"
#include "core/tables/table_relations.h"
#include "platform/data/record_buffer.h"

namespace core {

class ListWindow : public AidedWindow {
 public:
  ListWindow(std::string procedureName, const rt::TableDef& primary);
  ~ListWindow() override;

  int Init() override;
  int Kill() override;
  int TakeEvent() override;
  int TakeAccepted() override;
  // Runs the record form for a request; a list opened to view answers 2.
  virtual int RunProcedure(int number, int request);

  ListBrowser& browser() { return *browser_; }
  // The active-only filter: the box's condition under "Filtro_1" while it is
  // ticked, none otherwise; the list reloads from its current row.
  void FiltrarActivos();
  ListSearch* search() { return search_.get(); }

  int REQUEST = 0;
  int FILESOPENED = 0;
  int VCRREQUEST = 0;
  TableRelations* PRIMARY = nullptr;

 protected:
  // The list's window with its controls named as in the design.
  virtual QWidget* buildWindow() = 0;
  // The list's wrapper around the list manager's set-up: the browser exists
  // with its list control and its standard buttons (select, insert, change,
  // delete, query) found by their names; the list names its other buttons,
  // orders, locator and columns here. A list opened to view loses insert,
  // change and delete after it.
  virtual void setUpBrowser(ListBrowser& browser) = 0;
  // The list manager; a list that colours its cells gives its own.
  virtual std::unique_ptr<ListBrowser> makeBrowser(QTableView* list) {
    return std::make_unique<ListBrowser>(*this, list, def_);
  }
  // The list's own set-up, after the alerts.
  virtual void OwnSetup() {}
  // The record form of the list.
  virtual void callForm() = 0;
  // The search's messages and keys; its columns are the list's titled columns
  // unless given. None for a list without search.
  virtual std::optional<ListSearchSettings> searchSettings() const { return std::nullopt; }
  // The list control's name.
  virtual std::string listControlName() const { return "?BROWSE:5"; }
  // The name the query by example keeps its saved queries under.
  virtual std::string queryName() const { return procedureName(); }
  // Called from setUpBrowser: the active-only box and its condition, applied
  // before the list first loads and whenever the box is accepted.
  void setActiveFilter(QAbstractButton* box, std::string condition);
  // Called from setUpBrowser: the export button (and its popup item
  // "Exportar"), enabled only while the list has rows.
  void setExport(QAbstractButton* button, ExportSpec spec);

 private:
  void chooseSelected();
  void runQuery();

  const rt::TableDef& def_;
  QPointer<QAbstractButton> activeBox_;
  std::string activeCondition_;
  QPointer<QAbstractButton> exportButton_;
  ExportSpec export_;
  // A lookup's copy of the caller's record, put back unless a row is chosen.
  std::unique_ptr<rt::RecordBuffer> callersRecord_;
  std::int64_t callersPosition_ = 0;
  std::int64_t callersVersion_ = 0;
  std::unique_ptr<ListBrowser> browser_;
  std::unique_ptr<ListSearch> search_;
};

}  // namespace core
