#pragma once
// The address book: the contacts list and form, and the categories the
// contacts are filed under, with their own list (a lookup of the contact
// form) and form.
#include <memory>
#include <optional>

#include "core/shapes/list_window.h"
#include "core/shapes/record_form.h"
#include "platform/data/record_buffer.h"

namespace organiser {

// The categories by description; "Cop&iar" starts a new category from the
// selected one.
class CategoryList : public core::ListWindow {
 public:
  CategoryList();
  int TakeAccepted() override;

 protected:
  QWidget* buildWindow() override;
  void setUpBrowser(core::ListBrowser& browser) override;
  void callForm() override;
  std::optional<core::ListSearchSettings> searchSettings() const override;

 private:
  // The category being copied, read when "Cop&iar" was pressed.
  std::unique_ptr<rt::RecordBuffer> copied_;
};

class CategoryForm : public core::RecordForm {
 public:
  // `fromCopy`: a new category keeps the values in the buffer.
  explicit CategoryForm(bool fromCopy = false);
  int PrimeUpdate() override;

 protected:
  QWidget* buildWindow() override;

 private:
  bool fromCopy_;
};

// The contacts by name, the active ones unless the box is cleared.
class ContactList : public core::ListWindow {
 public:
  ContactList();

 protected:
  QWidget* buildWindow() override;
  void setUpBrowser(core::ListBrowser& browser) override;
  void callForm() override;
  std::optional<core::ListSearchSettings> searchSettings() const override;
};

class ContactForm : public core::RecordForm {
 public:
  ContactForm();
  int TakeAccepted() override;

 protected:
  QWidget* buildWindow() override;
  void OwnSetup() override;
  void showLookedUp() override { refresh(); }

 private:
  // The locality's name and the category's description for the codes.
  void refresh();
};

core::ExportSpec contactListExport();

int ExaminarRubrosAgenda();
int FormularioRubrosAgenda(bool fromCopy = false);
int ExaminarAgendaDirecciones();
int FormularioAgendaDirecciones();

}  // namespace organiser
