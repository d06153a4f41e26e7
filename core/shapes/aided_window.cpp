#include "core/shapes/aided_window.h"

#include <utility>

namespace core {

AidedWindow::AidedWindow(std::string procedureName) : procedureName_(std::move(procedureName)) {}

int AidedWindow::Init() {
  if (!procedureName_.empty()) tracked_.emplace(procedureName_);
  return rt::WindowDriver::Init();
}

int AidedWindow::Kill() {
  const int result = rt::WindowDriver::Kill();
  scaler_.ApplyPendingSize();
  tracked_.reset();
  return result;
}

void AidedWindow::setUpAids(QWidget* window, bool keepListArrows) {
  scaleFont(window);
  markAndNavigate(window, keepListArrows);
}

void AidedWindow::scaleFont(QWidget* window) { ConfigurarFuente(scaler_, window); }

void AidedWindow::markAndNavigate(QWidget* window, bool keepListArrows) {
  marker_.Setup(window);
  navigator_.SetKeys(window, keepListArrows);
}

}  // namespace core
