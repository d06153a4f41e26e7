#pragma once
// Bookkeeping the real library and the fake share: event numbers, the packets
// waiting for each owner, and the checks a packet passes before it is sent.
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <string>

#include "platform/net/records.h"

namespace rt::net {

// A packet waiting for its owner, kept compact until it is received.
struct QueuedPacket {
  std::int32_t type = 0;
  std::int32_t socket = 0;
  std::int32_t sockId = 0;
  std::string fromIp;
  std::uint16_t udpFromPort = 0;
  std::int32_t netError = 0;
  std::int32_t winsockError = 0;
  std::int32_t sslError = 0;
  std::string data;  // at most kMaxBinData bytes
};

// Event numbers N with N, N+1 and N+2 reserved for one owner. A freed number
// is taken again only after all others, so late events of a dead owner rarely
// reach a new one.
class EventNumberPool {
 public:
  std::int32_t take();  // 0 when none is left
  void give(std::int32_t event);

 private:
  static constexpr std::int32_t kFirst = 0x8000;
  static constexpr std::int32_t kCount = 8192;
  std::mutex mutex_;
  std::set<std::int32_t> inUse_;
  std::int32_t next_ = 0;  // index of the next candidate
};

// Packets waiting per owner event number, in arrival order.
class PacketQueues {
 public:
  // Queues a packet for the owner of an event number.
  void push(std::int32_t event, QueuedPacket packet);
  // Fills the record with the owner's oldest packet; false when none waits.
  bool pop(std::int32_t event, PacketRecord& record);
  // Drops the packets of one connection, or of the whole owner.
  void dropConnection(std::int32_t event, std::int32_t sockId);
  void dropOwner(std::int32_t event);
  std::size_t bytesWaiting(std::int32_t event) const;

 private:
  struct Owner {
    std::deque<QueuedPacket> packets;
    std::size_t bytes = 0;
  };
  std::map<std::int32_t, Owner> owners_;
  std::int32_t packetNumber_ = 0;
};

// Addresses whose connections a server refuses.
class BanList {
 public:
  void add(const std::string& address) { addresses_.insert(address); }
  void remove(const std::string& address) { addresses_.erase(address); }
  bool contains(const std::string& address) const { return addresses_.count(address) != 0; }
  std::string text() const;  // addresses separated by ", "

 private:
  std::set<std::string> addresses_;
};

// The checks every send passes: 0, or the error number to return.
std::int32_t checkSendable(const PacketRecord& packet);

}  // namespace rt::net
