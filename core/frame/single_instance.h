#pragma once
// One running copy per command name. The running program's frame serves a
// local socket named after its command name as typed, in capitals (so a bare
// name and a full path are two names); a second copy started under the same
// name sends "INFRONT", which brings the running frame to the front, and ends.
#include <QLocalServer>
#include <QString>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/ui/window_driver.h"

namespace core {

// The service name: the command name in capitals.
std::string instanceServiceName();
// The socket of a service, in the user's own runtime folder; empty when the
// user has none (the program then runs without the hand-over).
std::filesystem::path instanceSocketPath(const std::string& service);

// The client side. The copy that runs under a name holds a lock file beside
// its socket: zero when this process took the lock (it runs, and its frame
// serves later), non-zero when another copy holds it; that copy is then sent
// "INFRONT" (waiting a little while it is still starting).
long SingleInstanceCheck();
// The end of the run that checked: a lock the check took and no frame's
// server took over is given back, so a copy started later under the name
// runs (the process may go on to run the program again).
void SingleInstanceCheckEnd();

// The server side, owned by the frame: each command received becomes the
// frame's DDE-execute event, and ddeValue() holds the command's text.
class SingleInstanceServer {
 public:
  SingleInstanceServer();
  ~SingleInstanceServer();
  // Listens under `service` and posts to `frame`, holding the name's lock
  // until the server goes. False when the socket cannot be made or another
  // copy holds the lock (the program then runs without the hand-over).
  bool listen(const std::string& service, rt::WindowDriver& frame);
  const std::string& ddeValue() const { return value_; }

 private:
  std::unique_ptr<QLocalServer> server_;
  std::string value_;
  std::string lock_;  // the lock file held while serving
};

// The frame's handler for events it does not handle itself: on the
// DDE-execute event with the text "INFRONT" the frame is restored when
// minimised and raised.
void SingleInstanceServe(rt::WindowDriver& frame, const SingleInstanceServer& server);

}  // namespace core
