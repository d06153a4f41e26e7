#include "core/frame/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <map>

#include "core/frame/command_line.h"
#include "platform/base/debug_sink.h"
#include "platform/base/private_temp.h"
#include "platform/base/text_order.h"

namespace core {
namespace {

constexpr char kInFront[] = "INFRONT";
constexpr int kConnectMs = 2000;
// How long a second copy waits for a copy that holds the lock but is still
// starting (its frame not yet serving), and how often it tries.
constexpr int kStartingCopyMs = 10000;
constexpr int kRetryMs = 100;

// A folder of the user's own runtime folder ($XDG_RUNTIME_DIR, else one that
// Qt makes under the temp folder after checking that it belongs to the user
// and is private), so no other user can answer or take the hand-over.
std::filesystem::path runtimeFolder() {
  const QString base = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (base.isEmpty()) return {};
  const std::filesystem::path folder = std::filesystem::path(base.toStdString()) / "varneta";
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  chmod(folder.c_str(), 0700);
  return folder;
}

// A local socket's path has room for this many bytes (and its end mark).
constexpr std::size_t kSocketPathRoom = sizeof(sockaddr_un::sun_path) - 1;

// A runtime folder deep in the account's folders leaves no room for the
// socket's name: a short folder of the account's own in /tmp stands in,
// checked as the private temp folder is.
std::filesystem::path shortRuntimeFolder() {
  const std::filesystem::path folder =
      "/tmp/varneta-" + std::to_string(::geteuid()) + "-instancias";
  return rt::ownPrivateFolder(folder) ? folder : std::filesystem::path();
}

// The lock beside a service's socket: its holder is the copy that runs
// under the name. The system drops it when the process ends, however it
// ends; a server gives it back when it goes.
struct HeldLock {
  int fd = -1;
  bool serving = false;  // taken, or taken over, by a server
};
std::map<std::string, HeldLock>& heldLocks() {
  static std::map<std::string, HeldLock> locks;
  return locks;
}

std::filesystem::path lockPath(const std::filesystem::path& socket) {
  std::filesystem::path lock = socket;
  lock += ".lock";
  return lock;
}

// Takes the lock of `socket` for this process: true when it is ours now,
// false while another copy holds it. A server takes over the lock its own
// program's check took; a lock a server of this process holds counts as
// another copy's for a check.
bool takeInstanceLock(const std::filesystem::path& socket, bool forServer) {
  const std::string lock = lockPath(socket).string();
  if (const auto held = heldLocks().find(lock); held != heldLocks().end()) {
    if (held->second.serving) return false;
    held->second.serving = forServer;
    return true;
  }
  const int fd = ::open(lock.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  heldLocks()[lock] = {fd, forServer};
  return true;
}

void releaseInstanceLock(const std::string& lock) {
  const auto held = heldLocks().find(lock);
  if (held == heldLocks().end()) return;
  ::close(held->second.fd);
  heldLocks().erase(held);
}

// Hands "INFRONT" to the copy at `path`, waiting a little for its socket
// when it is still starting.
bool sendInFront(const QString& path) {
  QDeadlineTimer deadline(kStartingCopyMs);
  do {
    QLocalSocket socket;
    socket.connectToServer(path);
    if (socket.waitForConnected(kConnectMs)) {
      socket.write(kInFront);
      socket.write("\n");
      const bool sent = socket.waitForBytesWritten(kConnectMs);
      socket.disconnectFromServer();
      if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(kConnectMs);
      return sent;
    }
    QThread::msleep(kRetryMs);
  } while (!deadline.hasExpired());
  return false;
}

}  // namespace

std::string instanceServiceName() { return rt::upper(commandName()); }

std::filesystem::path instanceSocketPath(const std::string& service) {
  // A digest keeps any name, however long, within the socket path limit.
  const QByteArray digest =
      QCryptographicHash::hash(QByteArray(service.data(), static_cast<qsizetype>(service.size())),
                               QCryptographicHash::Sha256)
          .toHex()
          .left(32);
  const std::string name = "instance-" + digest.toStdString();
  std::filesystem::path folder = runtimeFolder();
  if (folder.empty()) return {};
  if ((folder / name).string().size() > kSocketPathRoom) folder = shortRuntimeFolder();
  if (folder.empty()) return {};
  return folder / name;
}

long SingleInstanceCheck() {
  const std::filesystem::path path = instanceSocketPath(instanceServiceName());
  if (path.empty()) return 0;
  // Two copies started at one moment both find nobody serving: the lock
  // decides which one runs.
  if (takeInstanceLock(path, false)) return 0;
  sendInFront(QString::fromStdString(path));
  // Another copy runs under this name, even when it did not answer yet.
  return 1;
}

void SingleInstanceCheckEnd() {
  const std::filesystem::path path = instanceSocketPath(instanceServiceName());
  if (path.empty()) return;
  const std::string lock = lockPath(path).string();
  // A lock a frame's server took over is the server's to give back.
  const auto held = heldLocks().find(lock);
  if (held != heldLocks().end() && !held->second.serving) releaseInstanceLock(lock);
}

SingleInstanceServer::SingleInstanceServer() = default;
SingleInstanceServer::~SingleInstanceServer() {
  server_.reset();
  if (!lock_.empty()) releaseInstanceLock(lock_);
}

bool SingleInstanceServer::listen(const std::string& service, rt::WindowDriver& frame) {
  const std::filesystem::path socketPath = instanceSocketPath(service);
  if (socketPath.empty()) return false;
  const QString path = QString::fromStdString(socketPath);
  // Only the lock's holder serves; a socket found then is stale, left by a
  // copy that ended abruptly.
  if (!takeInstanceLock(socketPath, true)) {
    rt::debugOutput("Otra copia atiende la segunda instancia: " + socketPath.string());
    return false;
  }
  lock_ = lockPath(socketPath).string();
  QLocalServer::removeServer(path);
  server_ = std::make_unique<QLocalServer>();
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_->listen(path)) {
    rt::debugOutput("No se pudo atender la segunda instancia: " +
                    server_->errorString().toStdString());
    server_.reset();
    return false;
  }
  QObject::connect(server_.get(), &QLocalServer::newConnection, server_.get(), [this, &frame] {
    while (QLocalSocket* client = server_->nextPendingConnection()) {
      QObject::connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
      QObject::connect(client, &QLocalSocket::readyRead, client, [this, client, &frame] {
        while (client->canReadLine()) {
          const QByteArray line = client->readLine(4096).trimmed();
          value_ = line.toStdString();
          frame.post(rt::event::DdeExecute);
        }
      });
    }
  });
  return true;
}

void SingleInstanceServe(rt::WindowDriver& frame, const SingleInstanceServer& server) {
  if (frame.event() != rt::event::DdeExecute) return;
  if (server.ddeValue() != kInFront) return;
  if (QWidget* w = frame.window()) w->show();
  frame.bringToFront();
}

}  // namespace core
