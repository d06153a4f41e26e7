#include "netlib/net_event_delivery.h"

#include "platform/base/cross_thread_posts.h"
#include "platform/net/socket_library.h"

namespace netlib {

void installNetEventDelivery() {
  rt::net::setEventPoster(
      [](const rt::net::PostedEvent& event) { rt::postFromAnyThread(event.event, event.thread); });
}

void removeNetEventDelivery() { rt::net::setEventPoster(nullptr); }

}  // namespace netlib
