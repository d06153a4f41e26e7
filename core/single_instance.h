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

// The client side: non-zero when a running copy under this program's service
// name took the "INFRONT" command.
long SingleInstanceCheck();

// The server side, owned by the frame: each command received becomes the
// frame's DDE-execute event, and ddeValue() holds the command's text.
class SingleInstanceServer {
 public:
  SingleInstanceServer();
  ~SingleInstanceServer();
  // Listens under `service` and posts to `frame`. False when the socket cannot
  // be made (the program then runs without the hand-over).
  bool listen(const std::string& service, rt::WindowDriver& frame);
  const std::string& ddeValue() const { return value_; }

 private:
  std::unique_ptr<QLocalServer> server_;
  std::string value_;
};

// The frame's handler for events it does not handle itself: on the
// DDE-execute event with the text "INFRONT" the frame is restored when
// minimised and raised.
void SingleInstanceServe(rt::WindowDriver& frame, const SingleInstanceServer& server);

}  // namespace core
