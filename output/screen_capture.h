#pragma once
// The picture of the screen that a support message may carry: a replaceable
// capture service, so that tests give a picture of their own (or none).
#include <QImage>
#include <functional>
#include <string_view>

namespace output {

// Answers the picture of the screen; a null image when there is none.
using ScreenCapture = std::function<QImage()>;
// Installs a capture service and returns the one it replaces; an empty one
// restores the standard service: the screen that holds the frame, or, where
// the platform gives no picture of the screen (offscreen, Wayland), the
// frame's own rendering.
ScreenCapture setScreenCapture(ScreenCapture capture);

// Writes the picture of the screen as a JPEG file (quality 50) at `path`
// (runtime text), readable by the account only and never through a link;
// 0 when written, 1 when there was no picture or it could not be written.
int WindowToJpeg(std::string_view path);

}  // namespace output
