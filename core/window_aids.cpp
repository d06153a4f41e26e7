#include "core/window_aids.h"

namespace core {

void WindowAids::setUp(QWidget* window, bool keepListArrows) {
  ConfigurarFuente(scaler_, window);
  marker_.Setup(window);
  navigator_.SetKeys(window, keepListArrows);
}

}  // namespace core
