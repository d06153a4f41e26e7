#pragma once
// A real SMTP server on loopback for the mail tests and the benchmark:
// Debian's aiosmtpd, run with the system's Python by a small script that
// stores every received message (content and envelope) as files in a folder
// and stops by itself after a bounded time or when its standard input closes.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace netlib::testing {

struct SmtpServerOptions {
  enum class Tls { kNone, kStartTls, kImplicit };
  Tls tls = Tls::kNone;
  std::string certFile, keyFile;  // for TLS
  std::string user, password;     // AUTH LOGIN accepted for this account
  std::string refusedRecipient;   // RCPT TO answered 550
  int busyGreetings = 0;          // HELO/EHLO answered 421 this many times
  // The end of the data answered with this reply instead of storing the
  // message; "close" drops the connection there instead of answering.
  std::string dataReply;
  int lifetimeSeconds = 120;
};

struct StoredMessage {
  std::string content;  // as received, dots unstuffed
  std::string mailFrom;
  std::vector<std::string> rcptTos;
  std::string login;     // account that authenticated; empty without AUTH
  bool overTls = false;  // the message came over TLS (STARTTLS or from the start)
};

class SmtpTestServer {
 public:
  explicit SmtpTestServer(const SmtpServerOptions& options);
  ~SmtpTestServer();
  SmtpTestServer(const SmtpTestServer&) = delete;
  SmtpTestServer& operator=(const SmtpTestServer&) = delete;

  bool started() const { return port_ != 0; }
  std::uint16_t port() const { return port_; }
  const std::string& folder() const { return folder_; }
  const std::string& startError() const { return error_; }
  // Messages stored so far, in the order received.
  std::vector<StoredMessage> messages() const;
  int connections() const;

  // The script, for the benchmark's smtplib client to run next to it.
  static std::string pythonPath() { return "/usr/bin/python3"; }

 private:
  int pid_ = -1;
  int stdin_ = -1;
  std::uint16_t port_ = 0;
  std::string folder_;
  std::string error_;
};

namespace smtp_server_detail {

inline constexpr const char* kScript = R"PY(
import asyncio, os, ssl, sys, threading, warnings
warnings.simplefilter("ignore")
from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword

opts = dict(a.split("=", 1) for a in sys.argv[1:])
folder = opts["folder"]
busy = [int(opts.get("busy", "0"))]
refused = opts.get("refuse", "")
data_reply = opts.get("data", "")
user, password = opts.get("user", ""), opts.get("password", "")
count = [0]
connections = [0]

class Handler:
    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if refused and address == refused:
            return "550 5.1.1 Mailbox unavailable"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        if data_reply == "close":
            server.transport.abort()
            return "421 4.3.0 Closing"
        if data_reply:
            return data_reply
        count[0] += 1
        base = os.path.join(folder, "msg-%05d" % count[0])
        with open(base + ".eml", "wb") as f:
            f.write(envelope.original_content)
        login = session.auth_data.decode() if isinstance(session.auth_data, bytes) else (session.auth_data or "")
        with open(base + ".env.tmp", "w") as f:
            f.write("FROM " + envelope.mail_from + "\n")
            for r in envelope.rcpt_tos:
                f.write("TO " + r + "\n")
            f.write("LOGIN " + str(login) + "\n")
            tls = server.transport.get_extra_info("ssl_object") is not None
            f.write("TLS " + str(int(tls)) + "\n")
        os.rename(base + ".env.tmp", base + ".env")
        return "250 Message accepted"

def authenticator(server, session, envelope, mechanism, auth_data):
    if isinstance(auth_data, LoginPassword) and auth_data.login.decode() == user and auth_data.password.decode() == password:
        return AuthResult(success=True, auth_data=auth_data.login)
    return AuthResult(success=False, handled=False)

class Server(SMTP):
    def connection_made(self, transport):
        if getattr(self, "_tls_protocol", None) is None:
            connections[0] += 1
            with open(os.path.join(folder, "connections"), "w") as f:
                f.write(str(connections[0]))
        super().connection_made(transport)

    async def smtp_HELO(self, hostname):
        if busy[0] > 0:
            busy[0] -= 1
            await self.push("421 4.3.2 Busy, try again later")
            return
        await super().smtp_HELO(hostname)

    async def smtp_EHLO(self, hostname):
        if busy[0] > 0:
            busy[0] -= 1
            await self.push("421 4.3.2 Busy, try again later")
            return
        await super().smtp_EHLO(hostname)

def context():
    ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    ctx.load_cert_chain(opts["cert"], opts["key"])
    return ctx

async def main():
    loop = asyncio.get_running_loop()
    stop = loop.create_future()
    tls = opts.get("tls", "none")
    kwargs = dict(decode_data=False, hostname="varneta.test", data_size_limit=None)
    if user:
        kwargs.update(authenticator=authenticator, auth_require_tls=False)
    if tls == "starttls":
        kwargs.update(tls_context=context())
    server = await loop.create_server(lambda: Server(Handler(), **kwargs), "127.0.0.1", 0,
                                      ssl=context() if tls == "implicit" else None)
    print("PORT", server.sockets[0].getsockname()[1], flush=True)
    def watch_stdin():
        sys.stdin.read()
        loop.call_soon_threadsafe(lambda: stop.done() or stop.set_result(None))
    threading.Thread(target=watch_stdin, daemon=True).start()
    loop.call_later(float(opts.get("lifetime", "120")), lambda: stop.done() or stop.set_result(None))
    await stop
    server.close()

asyncio.run(main())
)PY";

inline std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace smtp_server_detail

using smtp_server_detail::kScript;
using smtp_server_detail::readFile;

inline SmtpTestServer::SmtpTestServer(const SmtpServerOptions& options) {
  static std::atomic<int> serial{0};
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() /
      ("varneta-smtp-" + std::to_string(getpid()) + "-" + std::to_string(++serial));
  std::filesystem::create_directories(folder);
  folder_ = folder.string();
  const std::string script = (folder / "server.py").string();
  std::ofstream(script) << kScript;

  std::vector<std::string> args = {pythonPath(), script, "folder=" + folder_,
                                   "lifetime=" + std::to_string(options.lifetimeSeconds)};
  if (options.tls == SmtpServerOptions::Tls::kStartTls) args.push_back("tls=starttls");
  if (options.tls == SmtpServerOptions::Tls::kImplicit) args.push_back("tls=implicit");
  if (options.tls != SmtpServerOptions::Tls::kNone) {
    args.push_back("cert=" + options.certFile);
    args.push_back("key=" + options.keyFile);
  }
  if (!options.user.empty()) {
    args.push_back("user=" + options.user);
    args.push_back("password=" + options.password);
  }
  if (!options.refusedRecipient.empty()) args.push_back("refuse=" + options.refusedRecipient);
  if (!options.dataReply.empty()) args.push_back("data=" + options.dataReply);
  if (options.busyGreetings > 0) args.push_back("busy=" + std::to_string(options.busyGreetings));

  int toChild[2];
  int fromChild[2];
  if (pipe2(toChild, O_CLOEXEC) != 0 || pipe2(fromChild, O_CLOEXEC) != 0) {
    error_ = "pipe failed";
    return;
  }
  pid_ = fork();
  if (pid_ == 0) {
    dup2(toChild[0], 0);
    dup2(fromChild[1], 1);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(toChild[0]);
  close(fromChild[1]);
  stdin_ = toChild[1];
  // The script prints its port once it listens.
  std::string line;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (line.find('\n') == std::string::npos) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd p{fromChild[0], POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
    char buffer[256];
    const ssize_t n = read(fromChild[0], buffer, sizeof buffer);
    if (n <= 0) break;
    line.append(buffer, static_cast<std::size_t>(n));
  }
  close(fromChild[0]);
  if (line.rfind("PORT ", 0) == 0) {
    port_ = static_cast<std::uint16_t>(std::stoi(line.substr(5)));
  } else {
    error_ = "the SMTP test server did not start: [" + line + "]";
  }
}

inline SmtpTestServer::~SmtpTestServer() {
  if (stdin_ >= 0) close(stdin_);  // the script stops when its input closes
  if (pid_ > 0) {
    int status = 0;
    waitpid(pid_, &status, 0);
  }
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

inline std::vector<StoredMessage> SmtpTestServer::messages() const {
  std::vector<StoredMessage> stored;
  for (int i = 1;; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "msg-%05d", i);
    const std::filesystem::path base = std::filesystem::path(folder_) / name;
    if (!std::filesystem::exists(base.string() + ".env")) break;
    StoredMessage message;
    message.content = readFile(base.string() + ".eml");
    std::istringstream envelope(readFile(base.string() + ".env"));
    for (std::string line; std::getline(envelope, line);) {
      if (line.rfind("FROM ", 0) == 0) message.mailFrom = line.substr(5);
      if (line.rfind("TO ", 0) == 0) message.rcptTos.push_back(line.substr(3));
      if (line.rfind("LOGIN ", 0) == 0) message.login = line.substr(6);
      if (line == "TLS 1") message.overTls = true;
    }
    stored.push_back(std::move(message));
  }
  return stored;
}

inline int SmtpTestServer::connections() const {
  const std::string text = readFile(std::filesystem::path(folder_) / "connections");
  return text.empty() ? 0 : std::stoi(text);
}

}  // namespace netlib::testing
