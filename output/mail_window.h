#pragma once
// The shape both mail windows stand on (the e-mail window and the support
// message window): the mail object that reports to the window, the dialog
// with its tab sheet and first tab " &General", the foot with the progress
// bar and Enviar, Abortar and Cerrar, the question on closing while mail is
// still queued, and the rule for a single attachment.
#include <QTabWidget>
#include <QVBoxLayout>
#include <QWidget>
#include <string>

#include "core/shapes/aided_window.h"
#include "output/window_mailer.h"

namespace output {

class MailWindow : public core::AidedWindow, public MailWindowOwner {
 public:
  // The procedure entered, the thread's request and response cleared.
  int Init() override;
  int TakeCloseEvent() override;

  rt::WindowDriver& mailWindow() override { return *this; }
  WindowMailer& mailer() { return mailer_; }

 protected:
  explicit MailWindow(std::string procedureName);

  // The window's frame as buildFrame makes it: the dialog, its outer column,
  // the tab sheet, and the first tab with its column.
  struct Frame {
    QWidget* window = nullptr;
    QVBoxLayout* outer = nullptr;
    QTabWidget* sheet = nullptr;
    QWidget* general = nullptr;
    QVBoxLayout* generalLayout = nullptr;
  };
  // The dialog titled `caption` (runtime text) with the sheet "?SHEET1" and
  // its first tab "?TAB1" " &General".
  static Frame buildFrame(std::string_view caption);
  // Adds the foot below what the frame holds, then opens the window at its
  // size, coloured and in the configured font.
  void openFrame(const Frame& frame, int width, int height);

  WindowMailer mailer_;
};

// Whether a runtime file name names a file on disk (a blank one does not).
bool namesAFile(std::string_view name);
// A single attachment that is not there is dropped (a list of several
// passes unchecked: the sender names the one it cannot read).
std::string keptAttachment(std::string attachment);

}  // namespace output
