#include "output/screen_capture.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

#include "core/frame/globals.h"
#include "platform/base/paths.h"
#include "platform/base/private_temp.h"

namespace output {
namespace {

QImage standardCapture() {
  QWidget* frame = GLO::VentanaPrincipal;
  QScreen* screen = frame != nullptr && frame->screen() != nullptr
                        ? frame->screen()
                        : QGuiApplication::primaryScreen();
  const QString platform = QGuiApplication::platformName();
  const bool screenPicture =
      platform != "offscreen" && platform != "minimal" && !platform.startsWith("wayland");
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
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!picture.save(&buffer, "JPG", 50)) return 1;
  // The screen shows patients: the file is the account's alone.
  return rt::writePrivateFile(rt::resolvePath(path),
                              std::string_view(bytes.constData(), bytes.size()))
             ? 0
             : 1;
}

}  // namespace output
