#pragma once
// What the mail windows' status line says when sending failed: the server's
// refusal with its code and text, the secure connection that could not be
// made and why, the file that could not be read, or the general words when
// the failure has no more to tell.
#include <string>
#include <string_view>

#include "netlib/net_mail_send.h"

namespace output {

// Read inside the sender's ErrorTrap, before its own handling resets the
// state; `functionName` is the one ErrorTrap was given.
std::string mailFailureText(const netlib::NetMailSend& mail, std::string_view functionName);

}  // namespace output
