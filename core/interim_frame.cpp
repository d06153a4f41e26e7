#include "core/interim_frame.h"

#include <QMainWindow>

#include "platform/base/procedures.h"

namespace core {

int InterimFrame::Init() {
  auto* frame = new QMainWindow;
  frame->setObjectName("Main");
  frame->setWindowTitle("Varneta");
  frame->resize(1024, 700);
  Open(frame);
  instance_.listen(instanceServiceName(), *this);
  return rt::level::Benign;
}

int InterimFrame::TakeEvent() {
  const int result = WindowDriver::TakeEvent();
  SingleInstanceServe(*this, instance_);
  return result;
}

int runInterimFrame() {
  InterimFrame frame;
  return frame.Run();
}

}  // namespace core
