#pragma once
// What the organiser's listings print alike: one table read through a view
// in one order, captions in their emphasised style, and the page counter
// "Pag." n "de" m.
#include <QFont>
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "core/shapes/report_run.h"
#include "core/tables/table_managers.h"
#include "platform/data/view.h"
#include "platform/ui/report_engine.h"

namespace organiser {

// An emphasised caption is underlined as well.
inline QFont emphasised(QFont font) {
  font.setUnderline(true);
  return font;
}

// The caption, the page number (right-aligned before "de"), "de" and the
// page total, at the four lefts given, on one line at `top`.
inline void pageOfPages(rt::ReportBand& band, std::array<int, 4> lefts, int top,
                        const std::string& caption, const QFont& font, std::function<int()> page) {
  band.label(lefts[0], top, 600, 208, caption, font);
  band.text(
      lefts[1], top, lefts[2] - lefts[1] - 40, 208,
      [page = std::move(page)] { return std::to_string(page()); }, font, "@n-7", Qt::AlignRight);
  band.label(lefts[2], top, lefts[3] - lefts[2], 208, "de", font);
  // The installed face stands wider than the designed one: a little room
  // after "de".
  band.label(lefts[3] + 30, top, 375, 208, rt::kPageTotalMark, font);
}

// A listing of one table: a nested use of the table for the run (the
// calling list's own stays open) and a view over it in `key`'s order.
class OneTableReport : public core::ReportRun {
 public:
  OneTableReport(const rt::TableDef& def, int key) : def_(def), key_(key) {}

 protected:
  std::string tableName() const override { return def_.label; }
  int openTables() override {
    if (int e = core::relate(def_).open()) return e;
    opened_ = true;
    return 0;
  }
  void closeTables() override {
    if (opened_) core::relate(def_).close();
    opened_ = false;
  }
  void openView() override {
    view_ = std::make_unique<rt::View>(def_, key_);
    view_->setToStart();
  }

  rt::View& view() { return *view_; }

 private:
  const rt::TableDef& def_;
  int key_;
  bool opened_ = false;
};

}  // namespace organiser
