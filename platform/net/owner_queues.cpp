#include "platform/net/owner_queues.h"

#include <algorithm>

#include "platform/net/errors.h"

namespace rt::net {

std::int32_t EventNumberPool::take() {
  std::lock_guard lock(mutex_);
  for (std::int32_t tried = 0; tried < kCount; ++tried) {
    std::int32_t event = kFirst + 3 * next_;
    next_ = (next_ + 1) % kCount;
    if (inUse_.insert(event).second) return event;
  }
  return 0;
}

void EventNumberPool::give(std::int32_t event) {
  std::lock_guard lock(mutex_);
  inUse_.erase(event);
}

void PacketQueues::push(std::int32_t event, QueuedPacket packet) {
  Owner& owner = owners_[event];
  owner.bytes += packet.data.size();
  owner.packets.push_back(std::move(packet));
}

bool PacketQueues::pop(std::int32_t event, PacketRecord& record) {
  auto it = owners_.find(event);
  if (it == owners_.end() || it->second.packets.empty()) return false;
  QueuedPacket packet = std::move(it->second.packets.front());
  it->second.packets.pop_front();
  it->second.bytes -= packet.data.size();
  if (it->second.packets.empty()) owners_.erase(it);

  record.PACKETTYPE = packet.type;
  record.ONSOCKET = packet.socket;
  record.SOCKID = packet.sockId;
  setFieldText(record.FROMIP, packet.fromIp);
  record.UDPFROMPORT = packet.udpFromPort;
  record.NETERROR = packet.netError;
  record.WINSOCKERROR = packet.winsockError;
  record.SSLERROR = packet.sslError;
  record.SHAREDMEMORY = 0;
  record.DEBUGPACKETNUMBER_ = ++packetNumber_;
  std::size_t n = std::min<std::size_t>(packet.data.size(), kMaxBinData);
  packet.data.copy(record.BINDATA, n);
  record.BINDATALEN = static_cast<std::int32_t>(n);
  return true;
}

void PacketQueues::dropConnection(std::int32_t event, std::int32_t sockId) {
  auto it = owners_.find(event);
  if (it == owners_.end()) return;
  auto& packets = it->second.packets;
  for (auto p = packets.begin(); p != packets.end();) {
    if (p->sockId == sockId) {
      it->second.bytes -= p->data.size();
      p = packets.erase(p);
    } else {
      ++p;
    }
  }
  if (packets.empty()) owners_.erase(it);
}

void PacketQueues::dropOwner(std::int32_t event) { owners_.erase(event); }

std::size_t PacketQueues::bytesWaiting(std::int32_t event) const {
  auto it = owners_.find(event);
  return it == owners_.end() ? 0 : it->second.bytes;
}

std::string BanList::text() const {
  std::string list;
  for (const std::string& address : addresses_) {
    if (!list.empty()) list += ", ";
    list += address;
  }
  return list;
}

std::int32_t checkSendable(const PacketRecord& packet) {
  // Data outside the record is not offered by this library.
  if (packet.SHAREDMEMORY != 0) return err::kNoLongerSupported;
  if (packet.BINDATALEN > kMaxBinData || packet.BINDATALEN <= 0) return err::kBadStructureSize;
  return 0;
}

}  // namespace rt::net
