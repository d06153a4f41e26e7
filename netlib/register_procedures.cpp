#include "netlib/register_procedures.h"

#include "netlib/net_event_delivery.h"
#include "platform/base/procedures.h"
#include "platform/net/socket_library.h"

namespace netlib {

void registerProcedures() {
  // The library's events reach the connections' threads from the start; at
  // the end the poster goes before the library stops and before the threads
  // whose queues it posts into are torn down.
  installNetEventDelivery();
  rt::registerProcedure("NetCloseCallBackWindow", [](const rt::ProcedureArgs&) {
    removeNetEventDelivery();
    rt::net::socketLibrary().NetCloseCallBackWindow();
    return rt::kCompleted;
  });
}

}  // namespace netlib
