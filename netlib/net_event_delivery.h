#pragma once
// Delivery of the socket library's events to the logical threads that own the
// connections: the library posts from its I/O thread, and each event reaches
// its owner's posted events (rt::post) on the main context, where the owner's
// window loop hands it to the connection's TakeEvent.
namespace netlib {

// Installs the library's event poster. The program calls removeNetEventDelivery
// before the logical threads (the queues the events go to) are torn down.
void installNetEventDelivery();
void removeNetEventDelivery();

// Installed while alive (tests, and the program's own scope).
class ScopedNetEventDelivery {
 public:
  ScopedNetEventDelivery() { installNetEventDelivery(); }
  ~ScopedNetEventDelivery() { removeNetEventDelivery(); }
  ScopedNetEventDelivery(const ScopedNetEventDelivery&) = delete;
  ScopedNetEventDelivery& operator=(const ScopedNetEventDelivery&) = delete;
};

}  // namespace netlib
