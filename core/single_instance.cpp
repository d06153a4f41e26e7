#include "core/single_instance.h"

#include <sys/stat.h>

#include <QCryptographicHash>
#include <QLocalSocket>
#include <QStandardPaths>

#include "core/command_line.h"
#include "platform/base/debug_sink.h"
#include "platform/base/text_order.h"

namespace core {
namespace {

constexpr char kInFront[] = "INFRONT";
constexpr int kConnectMs = 2000;

// A folder of the user's own runtime folder ($XDG_RUNTIME_DIR, else one that
// Qt makes under /tmp after checking that it belongs to the user and is
// private), so no other user can answer or take the hand-over.
std::filesystem::path runtimeFolder() {
  const QString base = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (base.isEmpty()) return {};
  const std::filesystem::path folder = std::filesystem::path(base.toStdString()) / "varneta";
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  chmod(folder.c_str(), 0700);
  return folder;
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
  const std::filesystem::path folder = runtimeFolder();
  if (folder.empty()) return {};
  return folder / ("instance-" + digest.toStdString());
}

long SingleInstanceCheck() {
  const std::filesystem::path path = instanceSocketPath(instanceServiceName());
  if (path.empty()) return 0;
  QLocalSocket socket;
  socket.connectToServer(QString::fromStdString(path));
  if (!socket.waitForConnected(kConnectMs)) return 0;
  socket.write(kInFront);
  socket.write("\n");
  const bool sent = socket.waitForBytesWritten(kConnectMs);
  socket.disconnectFromServer();
  if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(kConnectMs);
  return sent ? 1 : 0;
}

SingleInstanceServer::SingleInstanceServer() = default;
SingleInstanceServer::~SingleInstanceServer() = default;

bool SingleInstanceServer::listen(const std::string& service, rt::WindowDriver& frame) {
  const std::filesystem::path socketPath = instanceSocketPath(service);
  if (socketPath.empty()) return false;
  const QString path = QString::fromStdString(socketPath);
  // The check found nobody serving this name: a socket left by a copy that
  // ended abruptly is stale.
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
  QWidget* w = frame.window();
  if (w == nullptr) return;
  if (w->isMinimized()) w->setWindowState(w->windowState() & ~Qt::WindowMinimized);
  w->show();
  w->raise();
  w->activateWindow();
}

}  // namespace core
