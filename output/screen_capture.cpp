#include "output/screen_capture.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

#include "core/globals.h"
#include "platform/base/paths.h"

namespace output {
namespace {

QImage standardCapture() {
  QWidget* frame = GLO::VentanaPrincipal;
  QScreen* screen = frame != nullptr && frame->screen() != nullptr ? frame->screen()
                                                                   : QGuiApplication::primaryScreen();
  const QString platform = QGuiApplication::platformName();
  const bool screenPicture = platform != "offscreen" && platform != "minimal" &&
                             !platform.startsWith("wayland");
  if (screen != nullptr && screenPicture) {
    const QImage shot = screen->grabWindow(0).toImage();
    if (!shot.isNull()) return shot;
  }
  if (frame != nullptr && frame->isVisible()) return frame->grab().toImage();
  return {};
}

ScreenCapture& service() {
  static ScreenCapture capture = standardCapture;
  return capture;
}

}  // namespace

ScreenCapture setScreenCapture(ScreenCapture capture) {
  ScreenCapture previous = service();
  service() = capture ? std::move(capture) : ScreenCapture(standardCapture);
  return previous;
}

int WindowToJpeg(std::string_view path) {
  const QImage picture = service()();
  if (picture.isNull()) return 1;
  const std::filesystem::path file = rt::resolvePath(path);
  return picture.save(QString::fromStdString(file.string()), "JPG", 50) ? 0 : 1;
}

}  // namespace output
