#pragma once
// Joins the logical threads to Qt's event loop: a waiting thread is resumed by
// a call posted to the loop, never from inside a Qt callback, so no widget is
// in the middle of emitting a signal when the thread's handler runs.
namespace rt {

// Installs the dispatcher that posts resumes to the Qt event loop and the
// message-box handler. Call once a QApplication exists.
void installWindowLayer();

// Calls posted to the event loop that have not run yet.
int pendingLoopCalls();

}  // namespace rt
