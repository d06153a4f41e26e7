#pragma once
// The appointment planner: one physician's day as slots, appointments,
// over-bookings and the break, from which the staff book, change, confirm
// and delete appointments, open their consultations, print and export the
// day. One planner per process; the day is built again after every action.
#include <QAbstractTableModel>
#include <QPointer>
#include <memory>
#include <optional>
#include <string>

#include "core/shapes/aided_window.h"
#include "core/shapes/list_browser.h"
#include "practice/planner_day.h"

class QTableView;

namespace practice {

// The day queue as a list model: the rows as the queue holds them now.
class DayModel : public QAbstractTableModel {
 public:
  using QAbstractTableModel::QAbstractTableModel;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  // The queue changed (rebuilt or reordered): show it again.
  void reload();
};

// The day queue as numbered fields, for the export.
class DayRowFields : public core::RowFields {
 public:
  std::size_t rowCount() const override { return QTU().size(); }
  std::string field(std::size_t row, int number) const override {
    return row < QTU().size() ? dayField(QTU()[row], number) : std::string();
  }
};

class PlannerWindow : public core::AidedWindow {
 public:
  PlannerWindow();
  ~PlannerWindow() override;

  int Init() override;
  int Kill() override;
  int TakeEvent() override;
  int TakeWindowEvent() override;
  int TakeAccepted() override;

  PlannerDay& day() { return day_; }
  bool registered() const { return registered_; }
  // Chooses a physician and a date as the user does, and builds the day.
  void choose(std::uint16_t medico, std::int32_t fecha);
  // Selects a row of the list (0-based).
  void selectRow(int row);

  static constexpr int kReportEvent = rt::event::User + 0x71;

 private:
  QWidget* buildWindow();
  void fillPhysicians();
  // RefrescarPlanilla and the redisplay of what it built.
  void refresh();
  void rebuild();
  void showDay();
  std::optional<DayRow> selectedRow() const;
  void showDate();

  void editConsultation();
  void viewConsultation();
  void confirm();
  void add();
  void change();
  void remove();
  void exportDay();
  void report();
  void physicianCode();

  PlannerDay day_;
  bool registered_ = false;
  QTableView* list_ = nullptr;
  DayModel* model_ = nullptr;
  bool tablesOpened_ = false;
};

int ExaminarTurnos();

// The planner's procedures, registered by name.
void registerPlannerProcedures();

}  // namespace practice
