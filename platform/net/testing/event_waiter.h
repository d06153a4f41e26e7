#pragma once
// For tests of the library and of the classes on it: the owner's side of
// posted events, recording what the library (or the fake) posts and waiting
// for it with a bounded time-out. Installs itself as the event poster.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/net/socket_library.h"

namespace rt::net::testing {

using namespace std::chrono_literals;

class EventWaiter {
 public:
  EventWaiter() : state_(std::make_shared<State>()) {
    // The poster may still run on the I/O thread after this object is gone:
    // it holds the shared state, not the waiter.
    setEventPoster([state = state_](const PostedEvent& event) {
      std::lock_guard lock(state->mutex);
      state->events.push_back(event);
      state->arrived.notify_all();
    });
  }
  ~EventWaiter() { setEventPoster(nullptr); }

  // The next event for the given event number (N, N+1 or N+2 of an owner);
  // other owners' events stay queued.
  std::optional<PostedEvent> next(std::int32_t firstEvent,
                                  std::chrono::milliseconds timeout = 10s) {
    std::unique_lock lock(state_->mutex);
    std::optional<PostedEvent> found;
    state_->arrived.wait_for(lock, timeout, [&] {
      for (auto it = state_->events.begin(); it != state_->events.end(); ++it) {
        if (it->event >= firstEvent && it->event <= firstEvent + 2) {
          found = *it;
          state_->events.erase(it);
          return true;
        }
      }
      return false;
    });
    return found;
  }

  // Waits for the owner's next packet and receives it; PACKETTYPE 0 on a
  // time-out or when the next event carries no packet.
  PacketRecord packet(ConnectionRecord& owner, std::chrono::milliseconds timeout = 10s) {
    auto packet = std::make_unique<PacketRecord>();
    std::optional<PostedEvent> event = next(owner.NOTIFYEVENT, timeout);
    if (event && event->event == owner.NOTIFYEVENT) {
      socketLibrary().NetConnectionReceive(owner, *packet);
    }
    return *packet;
  }

  // Receives data packets until size bytes arrived (or another packet or a
  // time-out ends the wait).
  std::string data(ConnectionRecord& owner, std::size_t size) {
    std::string all;
    while (all.size() < size) {
      PacketRecord p = packet(owner);
      if (p.PACKETTYPE != packet::kData) break;
      all.append(p.BINDATA, static_cast<std::size_t>(p.BINDATALEN));
    }
    return all;
  }

 private:
  struct State {
    std::mutex mutex;
    std::condition_variable arrived;
    std::deque<PostedEvent> events;
  };
  std::shared_ptr<State> state_;
};

}  // namespace rt::net::testing
