#pragma once
// Who opened one consultation and how: the entries the consultation form
// adds to the access log at every close, newest first. Read only; the list
// can be exported.
#include <cstdint>

#include "core/shapes/list_window.h"

namespace practice {

class ConsultationLogList : public core::ListWindow {
 public:
  explicit ConsultationLogList(std::uint32_t consultation);
  int Kill() override;

 protected:
  QWidget* buildWindow() override;
  void setUpBrowser(core::ListBrowser& browser) override;
  void OwnSetup() override;
  void callForm() override {}
  std::optional<core::ListSearchSettings> searchSettings() const override;

 private:
  std::uint32_t consultation_;
  bool patientsOpened_ = false;
};

// The word shown for a stored operation letter.
std::string operationWord(std::string_view letter);

int ExaminarLogConsulta(std::uint32_t consultation);

}  // namespace practice
