#pragma once
// The two patient listings, by name with their locality: the patients the
// patient list shows (its filter, whole), and the patients whose birthday
// falls on a given day and month.
#include <memory>
#include <string>
#include <vector>

#include "core/shapes/report_run.h"
#include "platform/base/clock.h"
#include "platform/base/expression.h"
#include "platform/data/view.h"

namespace practice {

class PatientListing : public core::ReportRun {
 protected:
  std::string tableName() const override;
  int openTables() override;
  void openView() override;
  void printRecord(rt::ReportEngine& report) override;

  // The listing's filter on the view; false when the view cannot use it.
  virtual bool applyFilter(rt::View& view) = 0;
  // Whether the listing prints the coverage plan (and so looks it up).
  virtual bool showsPlan() const = 0;

  rt::ReportBand detail_;

 private:
};

class PatientReport : public PatientListing {
 public:
  // `filter` is the patient list's filter, whole; its order is not used:
  // the listing is always by name.
  PatientReport(std::string filter, std::string order);

 protected:
  std::string title() const override;
  std::string procedureName() const override;
  void layOut(rt::ReportEngine& report) override;
  bool applyFilter(rt::View& view) override;
  bool showsPlan() const override { return true; }

 private:
  std::string filter_;
};

class BirthdayReport : public PatientListing {
 public:
  explicit BirthdayReport(rt::Date date);

  rt::Date Fecha = 0;

 protected:
  std::string title() const override;
  std::string procedureName() const override;
  void layOut(rt::ReportEngine& report) override;
  bool applyFilter(rt::View& view) override;
  bool showsPlan() const override { return false; }
  QWidget* progressParent() const override;

 private:
  rt::BindingTable names_;
};

// The procedures' entries; each answers ThreadResponse.
int runReportePacientes(const std::string& filter, const std::string& order);
int runReporteCumpleanos(rt::Date date);

}  // namespace practice
