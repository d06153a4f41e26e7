#pragma once
// The letter templates' list (with the current template shown beside it as
// formatted text) and form (the rich-text editor with its tool bar, the
// legend of the predefined macros, and a button that inserts any macro at the
// cursor).
#include <memory>
#include <string>

#include "catalogs/catalog_list.h"
#include "core/shapes/record_form.h"
#include "platform/ui/rtf_control.h"
#include "platform/ui/rtf_windows.h"

namespace letters {

// The most markup a template holds, formatting included.
inline constexpr std::size_t kTemplateLimit = 10000;

const catalogs::CatalogListSpec& templateListSpec();

class TemplateList : public catalogs::CatalogList {
 public:
  TemplateList();
  ~TemplateList() override;
  int TakeEvent() override;
  int Kill() override;

 protected:
  QWidget* buildWindow() override;
  void OwnSetup() override;

 private:
  // The preview follows the current row.
  void showPreview();
  std::unique_ptr<rt::RtfControl> preview_;
  std::int64_t shown_ = -1;
};

class TemplateForm : public core::RecordForm {
 public:
  TemplateForm();
  ~TemplateForm() override;
  int TakeEvent() override;
  int TakeAccepted() override;
  int TakeCloseEvent() override;
  int Kill() override;

 protected:
  QWidget* buildWindow() override;
  void OwnSetup() override;
  // The text shows its markup through the editor.
  bool RestoreField(QWidget* control, rt::RecordBuffer& from) override;

 private:
  // The editor's markup into NMA:Texto; false when it is over the limit
  // (the record keeps what it held).
  bool takeText();
  bool textFits();
  void InsertarMacro();

  rt::RtfWindows toolWindows_;
  std::unique_ptr<rt::RtfControl> editor_;
  std::string loadedMarkup_;
  std::string storedMarkup_;  // the record's text as it was read
};

int ExaminarNotasConMacros();
int FormularioNotasConMacros();

}  // namespace letters
