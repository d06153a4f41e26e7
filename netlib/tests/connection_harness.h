#pragma once
// For the connection tests: a connection that records its callbacks, and the
// owner's side of the library's events, delivered through the program's own
// path (the library's poster, the cross-thread inbox, thread 1's posted
// events) and handed to the connections as a window would hand them.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "netlib/net_connection.h"
#include "netlib/net_event_delivery.h"
#include "platform/base/cross_thread_posts.h"
#include "platform/base/logical_threads.h"
#include "platform/net/socket_library.h"

namespace netlib::testing {

using namespace std::chrono_literals;

class TestConnection : public NetConnection {
 public:
  struct Reported {
    std::int32_t error;
    std::string text;
    std::string function;
  };

  std::vector<std::int32_t> processed;  // PACKETTYPE at each Process
  std::vector<std::string> data;        // data of each packet 3, in order
  int closed = 0;
  std::vector<Reported> errors;

  void Process() override {
    processed.push_back(PACKET.PACKETTYPE);
    if (PACKET.PACKETTYPE == rt::net::packet::kData) {
      data.emplace_back(PACKET.BINDATA, static_cast<std::size_t>(PACKET.BINDATALEN));
    }
  }
  void ConnectionClosed() override { ++closed; }
  void ErrorTrap(std::string_view text, std::string_view function) override {
    errors.push_back({ERROR, std::string(text), std::string(function)});
    NetConnection::ErrorTrap(text, function);
  }
  std::string received() const {
    std::string all;
    for (const std::string& piece : data) all += piece;
    return all;
  }
};

template <typename Connection = TestConnection>
std::unique_ptr<Connection> makeConnection(int mode) {
  auto connection = std::make_unique<Connection>();
  connection->SUPPRESSERRORMSG = 1;
  connection->Init(mode);
  return connection;
}

class EventPump {
 public:
  EventPump() : state_(std::make_shared<State>()) {
    rt::noteWindowOpened();  // thread 1 takes posted events while it shows a window
    previous_ = rt::setCrossThreadNotifier([state = state_] {
      std::lock_guard lock(state->mutex);
      state->pending = true;
      state->arrived.notify_all();
    });
  }
  ~EventPump() {
    removeNetEventDelivery();
    rt::setCrossThreadNotifier(previous_);
    rt::deliverCrossThreadPosts();
    rt::noteWindowClosed();
  }
  EventPump(const EventPump&) = delete;
  EventPump& operator=(const EventPump&) = delete;

  // Hands every event that arrived to the connections; returns how many.
  int pump(std::initializer_list<NetConnection*> owners) {
    {
      std::lock_guard lock(state_->mutex);
      state_->pending = false;
    }
    rt::deliverCrossThreadPosts();
    int count = 0;
    while (auto event = rt::takePostedEvent()) {
      ++count;
      for (NetConnection* owner : owners) owner->TakeEvent(event->event);
    }
    return count;
  }

  // Pumps until done() holds or the time-out passes; the final done().
  bool until(const std::function<bool()>& done, std::initializer_list<NetConnection*> owners,
             std::chrono::milliseconds timeout = 10s) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
      pump(owners);
      if (done()) return true;
      std::unique_lock lock(state_->mutex);
      if (!state_->arrived.wait_until(lock, deadline, [&] { return state_->pending; })) {
        lock.unlock();
        pump(owners);
        return done();
      }
    }
  }

 private:
  struct State {
    std::mutex mutex;
    std::condition_variable arrived;
    bool pending = false;
  };
  ScopedNetEventDelivery delivery_;
  std::shared_ptr<State> state_;
  rt::CrossThreadNotifier previous_;
};

}  // namespace netlib::testing
