#pragma once
// What the organiser's windows do alike: the procedure that runs a window and
// answers its response.
#include <QWidget>
#include <cstdint>
#include <utility>

#include "core/record_form.h"
#include "platform/base/logical_threads.h"

namespace organiser {

// Runs a window to its end and leaves its response in ThreadResponse.
template <class Window, class... Args>
int runWindow(Args&&... args) {
  Window window(std::forward<Args>(args)...);
  const int response = window.Run();
  rt::ThreadResponse() = static_cast<std::uint8_t>(response);
  return response;
}

}  // namespace organiser
