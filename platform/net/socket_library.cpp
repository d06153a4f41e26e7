#include "platform/net/socket_library.h"

#include <openssl/evp.h>

#include <cstdio>
#include <ctime>
#include <map>
#include <memory>

#include "platform/base/debug_sink.h"
#include "platform/net/io_thread.h"

namespace rt::net {

namespace {

std::mutex& posterMutex() {
  static std::mutex mutex;
  return mutex;
}

std::shared_ptr<const EventPoster>& installedPoster() {
  static std::shared_ptr<const EventPoster> poster;
  return poster;
}

SocketLibrary*& replacementLibrary() {
  static SocketLibrary* library = nullptr;
  return library;
}

struct OptionsHandles {
  std::mutex mutex;
  std::map<std::int32_t, CertificateOptionsRecord*> records;
  std::int32_t next = 1;
};

OptionsHandles& optionsHandles() {
  static OptionsHandles handles;
  return handles;
}

}  // namespace

void setEventPoster(EventPoster poster) {
  std::shared_ptr<const EventPoster> installed;
  if (poster) installed = std::make_shared<const EventPoster>(std::move(poster));
  std::lock_guard lock(posterMutex());
  installedPoster() = std::move(installed);
}

void postEvent(const PostedEvent& event) {
  std::shared_ptr<const EventPoster> poster;
  {
    std::lock_guard lock(posterMutex());
    poster = installedPoster();
  }
  if (poster) (*poster)(event);
}

SocketLibrary& socketLibrary() {
  if (SocketLibrary* replacement = replacementLibrary()) return *replacement;
  return realSocketLibrary();
}

ScopedSocketLibrary::ScopedSocketLibrary(SocketLibrary& replacement)
    : previous_(replacementLibrary()) {
  replacementLibrary() = &replacement;
}

ScopedSocketLibrary::~ScopedSocketLibrary() { replacementLibrary() = previous_; }

std::recursive_mutex* NetGet_NetCriticalSection() {
  static std::recursive_mutex lock;
  return &lock;
}

std::int32_t certificateOptionsHandle(CertificateOptionsRecord& options) {
  OptionsHandles& handles = optionsHandles();
  std::lock_guard lock(handles.mutex);
  for (const auto& [handle, record] : handles.records) {
    if (record == &options) return handle;
  }
  std::int32_t handle = handles.next++;
  handles.records[handle] = &options;
  return handle;
}

void releaseCertificateOptionsHandle(std::int32_t handle) {
  OptionsHandles& handles = optionsHandles();
  std::lock_guard lock(handles.mutex);
  handles.records.erase(handle);
}

CertificateOptionsRecord* certificateOptionsFromHandle(std::int32_t handle) {
  OptionsHandles& handles = optionsHandles();
  std::lock_guard lock(handles.mutex);
  auto it = handles.records.find(handle);
  return it == handles.records.end() ? nullptr : it->second;
}

std::string NetBase64Encode(std::string_view data) {
  std::string out(4 * ((data.size() + 2) / 3) + 1, '\0');
  int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                          reinterpret_cast<const unsigned char*>(data.data()),
                          static_cast<int>(data.size()));
  out.resize(n);
  return out;
}

std::string NetGetTimeZone() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  long offset = local.tm_gmtoff / 60;
  char sign = offset < 0 ? '-' : '+';
  if (offset < 0) offset = -offset;
  char text[8];
  std::snprintf(text, sizeof text, "%c%02ld%02ld", sign, offset / 60 % 100, offset % 60);
  return text;
}

void NetDebugTrace(std::string_view text) { debugOutput(text); }

}  // namespace rt::net
