#include "core/frame/activity_log.h"

#include <cstdio>
#include <set>

#include "core/frame/globals.h"
#include "core/tables/log_file_tl.h"
#include "platform/base/clock.h"
#include "platform/base/logical_threads.h"
#include "platform/base/message_hook.h"
#include "platform/base/number_text.h"
#include "platform/base/paths.h"
#include "platform/base/picture.h"
#include "platform/base/private_temp.h"
#include "platform/base/runtime_errors.h"

namespace core {
namespace {

std::string trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

// The log's field holds kLogLineLength characters: a longer line is cut.
std::string stamped(std::string_view text) {
  return rt::format(static_cast<double>(rt::today()), "@d6") + " " +
         rt::format(static_cast<double>(rt::clockTime()), "@t4") + " - " + std::string(text);
}

// Threads writing the log just now: a message about the log itself (the
// table layer reports a failed open) comes back here and must not loop.
std::set<rt::ThreadNumber>& writers() {
  static std::set<rt::ThreadNumber> threads;
  return threads;
}

// The table layer's report of a table that cannot be opened, shown through
// the message window, which logs it: it comes back to AgregaLog on this
// thread and is dropped there.
void reportFailedOpen() {
  const int code = rt::errorCode();
  const std::string fileCode = rt::fileErrorCode();
  const std::string fileMessage = rt::fileError();
  rt::MessageRequest message;
  message.caption = "Error de Acceso";
  message.text = "Archivo (LogFileTL) no pudo ser abierto.  Error: " + rt::errorDescription() + ".";
  message.icon = rt::MessageIcon::Error;
  rt::showMessage(message);
  // The append that follows reports this error, not what the message left.
  if (code == rt::error::DriverError) {
    rt::setFileError(fileCode, fileMessage);
  } else {
    rt::setError(code);
  }
}

void add(const std::string& line) {
  LOGTL().Linea = line;
  LogFileTL::add();
}

}  // namespace

std::string activityLogName() {
  char code[8];
  std::snprintf(code, sizeof code, "%04u", static_cast<unsigned>(GLO::Cod_Usuario_Logueado));
  return rt::runtimeName(rt::privateTempFolder()) + "\\LogTL-" + code + "-" +
         std::to_string(rt::today()) + ".txt";
}

std::vector<std::string> activityErrorLines() {
  std::vector<std::string> lines;
  // Read both before the first line is written: writing it sets the status.
  const int code = rt::errorCode();
  const std::string driverCode = rt::fileErrorCode();
  const std::string driverMessage = rt::fileError();
  if (code != 0) {
    lines.push_back(
        stamped("Error -> " + std::to_string(code) + " - " + trimmed(rt::errorText(code))));
  }
  if (rt::wholeNumber(rt::numericValue(driverCode)) != 0) {
    lines.push_back(stamped("FileError -> " + driverCode + " - " + trimmed(driverMessage)));
  }
  return lines;
}

void BuildArchivoLog() { GLO::ArchivoLog = activityLogName().substr(0, 255); }

void AgregaLog(std::string_view text) {
  const rt::ThreadNumber thread = rt::currentThreadNumber();
  if (!writers().insert(thread).second) return;
  struct Done {
    rt::ThreadNumber thread;
    ~Done() { writers().erase(thread); }
  } done{thread};

  if (LogFileTL::open(GLO::ArchivoLog) != 0) reportFailedOpen();
  add(stamped(trimmed(text)));
  for (const std::string& line : activityErrorLines()) add(line);
  LogFileTL::close();
}

}  // namespace core
