// 1,000 messages of about 20 KB with one attachment, sent to an SMTP server
// on loopback (aiosmtpd): the SMTP sender (building each message with
// SendMail, reconnecting after every 20 as the program's owners set it),
// next to Python's smtplib sending the same built messages to the same server
// in the same run, also reconnecting after every 20.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "bench/bench_folder.h"
#include "netlib/net_mail_send.h"
#include "netlib/testing/smtp_test_server.h"
#include "netlib/tests/connection_harness.h"
#include "platform/base/cp_literal.h"

namespace {

using netlib::testing::SmtpTestServer;

constexpr int kMessages = 1000;

SmtpTestServer& server() {
  static SmtpTestServer instance([] {
    netlib::testing::SmtpServerOptions options;
    options.lifetimeSeconds = 600;
    return options;
  }());
  return instance;
}

std::string attachmentFile() {
  const std::string path = (bench::scratchFolder("smtp") / "informe.pdf");
  std::string bytes(6000, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 131 % 251);
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

std::string bodyText() {
  std::string text;
  while (text.size() < 11000)
    text += "Paciente citado para revisión anual. Traiga sus análisis.\r\n"_cp;
  return text;
}

void fill(netlib::NetMailSend& mail, int i, const std::string& attachment) {
  mail.FROM = "consulta@varneta.test";
  mail.TOLIST = "paciente" + std::to_string(i) + "@example.org";
  mail.SUBJECT = "Recordatorio " + std::to_string(i);
  mail.MESSAGEID.clear();
  mail.MESSAGETEXTST->SetValue(bodyText());
  mail.ATTACHMENTLIST = attachment;
}

// The messages as the sender builds them, written for the Python client.
std::string builtMessages(const std::string& attachment) {
  const std::string folder = (bench::scratchFolder("smtp") / "mails");
  std::filesystem::create_directories(folder);
  netlib::NetMailSend mail;
  mail.SUPPRESSERRORMSG = 1;
  mail.Init(0);
  mail.HELO = "varneta";
  for (int i = 0; i < kMessages; ++i) {
    fill(mail, i, attachment);
    mail.BuildMail(2);
    char name[32];
    std::snprintf(name, sizeof name, "/%05d.eml", i);
    std::ofstream(folder + name, std::ios::binary) << mail.DATAQUEUE->back().WHOLEMESSAGE;
  }
  mail.DATAQUEUE->clear();
  mail.Kill();
  return folder;
}

void BM_NetMailSend(benchmark::State& state) {
  if (!server().started()) return state.SkipWithError(server().startError().c_str());
  const std::string attachment = attachmentFile();
  std::size_t bytes = 0;
  for (auto _ : state) {
    netlib::testing::EventPump events;
    netlib::NetMailSend mail;
    mail.SUPPRESSERRORMSG = 1;
    mail.Init(0);
    mail.RECONNECTAFTERXMSGS = 20;
    mail.SERVER = "127.0.0.1";
    mail.PORT = server().port();
    mail.HELO = "varneta";
    for (int i = 0; i < kMessages; ++i) {
      fill(mail, i, attachment);
      mail.SendMail(2);
      bytes += static_cast<std::size_t>(mail.DATAQUEUE->back().WHOLEMESSAGELEN);
    }
    const bool done = events.until(
        [&] { return mail.DATAQUEUE->empty() && mail.STATE_ == 0 && mail.OPENFLAG == 0; }, {&mail},
        std::chrono::minutes(5));
    if (!done || mail.ERROR != 0) state.SkipWithError("the messages were not all sent");
    mail.Kill();
  }
  state.counters["messages/s"] =
      benchmark::Counter(kMessages, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["bytes/message"] = static_cast<double>(bytes) / kMessages / state.iterations();
}

void BM_PythonSmtplib(benchmark::State& state) {
  if (!server().started()) return state.SkipWithError(server().startError().c_str());
  const std::string folder = builtMessages(attachmentFile());
  const std::string script = folder + "/send.py";
  std::ofstream(script) << R"PY(
import os, smtplib, sys, time
folder, port = sys.argv[1], int(sys.argv[2])
names = sorted(n for n in os.listdir(folder) if n.endswith(".eml"))
messages = [open(os.path.join(folder, n), "rb").read() for n in names]
start = time.perf_counter()
for first in range(0, len(messages), 20):
    with smtplib.SMTP("127.0.0.1", port) as client:
        client.helo("varneta")
        for i in range(first, min(first + 20, len(messages))):
            client.sendmail("consulta@varneta.test", ["paciente%d@example.org" % i], messages[i])
print(time.perf_counter() - start)
)PY";
  for (auto _ : state) {
    const std::string command = SmtpTestServer::pythonPath() + " " + script + " " + folder + " " +
                                std::to_string(server().port());
    FILE* pipe = popen(command.c_str(), "r");
    double seconds = 0;
    if (pipe == nullptr || std::fscanf(pipe, "%lf", &seconds) != 1) {
      state.SkipWithError("smtplib did not run");
    }
    if (pipe != nullptr) pclose(pipe);
    state.SetIterationTime(seconds);
  }
  state.counters["messages/s"] =
      benchmark::Counter(kMessages, benchmark::Counter::kIsIterationInvariantRate);
  std::filesystem::remove_all(folder);
}

BENCHMARK(BM_NetMailSend)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PythonSmtplib)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
