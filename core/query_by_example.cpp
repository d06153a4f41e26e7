#include "core/query_by_example.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/control_colouring.h"
#include "core/designed_font.h"
#include "platform/base/picture.h"
#include "platform/base/procedures.h"
#include "platform/ui/control_kinds.h"
#include "platform/ui/qt_text.h"

namespace core {
namespace {

class QueryWindow : public rt::WindowDriver {
 public:
  QueryWindow(const std::vector<SearchColumn>& columns, std::vector<std::string>& values)
      : columns_(columns), values_(values) {}

  int Init() override {
    auto* window = new QWidget(nullptr, Qt::Dialog);
    window->setFont(designedWindowFont());
    window->setWindowTitle("Consulta");
    auto* form = new QFormLayout;
    values_.resize(columns_.size());
    for (std::size_t i = 0; i < columns_.size(); ++i) {
      auto* entry = new QLineEdit(window);
      entry->setObjectName(QString("?QUERYVALUE%1").arg(i + 1));
      rt::setPicture(entry, rt::toQString(columns_[i].picture));
      const rt::Picture p = rt::parsePicture(columns_[i].picture);
      if (p.kind == rt::PictureKind::String && p.size > 0) entry->setMaxLength(p.size);
      entry->setText(rt::toQString(values_[i]));
      form->addRow(rt::toQString(columns_[i].title + ":"), entry);
      entries_.push_back(entry);
    }
    auto* ok = new QPushButton("&Aceptar", window);
    ok->setObjectName("?OK");
    auto* cancel = new QPushButton("&Cancelar", window);
    cancel->setObjectName("?CANCEL");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(window);
    layout->addLayout(form);
    layout->addLayout(buttons);
    Open(window);
    ColorearControles(window);
    if (!entries_.empty()) entries_.front()->setFocus();
    return rt::level::Benign;
  }

  int TakeAccepted() override {
    const QString name = field()->objectName();
    if (name == "?OK") {
      for (std::size_t i = 0; i < entries_.size(); ++i) {
        values_[i] = rt::fromQString(entries_[i]->text());
      }
      Response = rt::kCompleted;
      return rt::level::Fatal;
    }
    if (name == "?CANCEL") {
      Response = rt::kCancelled;
      return rt::level::Fatal;
    }
    return rt::level::Benign;
  }

 private:
  const std::vector<SearchColumn>& columns_;
  std::vector<std::string>& values_;
  std::vector<QLineEdit*> entries_;
};

bool blank(const std::string& text) { return text.find_first_not_of(' ') == std::string::npos; }

}  // namespace

std::string queryCondition(const std::vector<SearchColumn>& columns,
                           const std::vector<std::string>& values) {
  std::string condition;
  for (std::size_t i = 0; i < columns.size() && i < values.size(); ++i) {
    if (blank(values[i])) continue;
    if (!condition.empty()) condition += " AND ";
    condition += matchExpression(columns[i].field, searchValue(values[i], columns[i].picture));
  }
  return condition;
}

std::optional<std::string> QueryByExample::Ask() {
  std::vector<std::string> typed = values_;
  QueryWindow window(columns_, typed);
  if (window.Run() != rt::kCompleted) return std::nullopt;
  values_ = typed;
  return queryCondition(columns_, values_);
}

}  // namespace core
