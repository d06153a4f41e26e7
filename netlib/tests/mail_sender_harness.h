#pragma once
// For the mail tests: a sender that records what its owner would see
// (errors, delivered messages) and is driven by the connection events the
// program's own path delivers.
#include <string>
#include <vector>

#include "netlib/net_mail_send.h"
#include "netlib/tests/connection_harness.h"

namespace netlib::testing {

class TestSender : public NetMailSend {
 public:
  struct Reported {
    std::int32_t error;
    std::int32_t serverCode;
    std::string text;
    std::string function;
  };
  std::vector<Reported> errors;
  std::vector<std::size_t> queueSizeAtMessageSent;

  void ErrorTrap(std::string_view text, std::string_view function) override {
    errors.push_back({ERROR, SERVERERRORNUM, std::string(text), std::string(function)});
    NetMailSend::ErrorTrap(text, function);
  }
  void MessageSent() override { queueSizeAtMessageSent.push_back(DATAQUEUE->size()); }

  // As the owners set the object up.
  void setUp(std::uint16_t port) {
    SUPPRESSERRORMSG = 1;
    Init(0);
    OPTIONSKEEPCONNECTIONOPEN = 0;
    RECONNECTAFTERXMSGS = 20;
    SERVER = "127.0.0.1";
    PORT = port;
    HELO = "varneta";
  }
  bool idle() const {
    return DATAQUEUE->empty() && STATE_ == 0 && OPENFLAG == 0 && ASYNCOPENBUSY == 0;
  }
};

}  // namespace netlib::testing
