#include "core/log_lines.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/base/cp1252.h"
#include "platform/base/message_hook.h"
#include "platform/base/paths.h"
#include "platform/base/runtime_errors.h"

namespace core {
namespace {

int errorOf(int systemError) {
  switch (systemError) {
    case ENOENT:
    case ENOTDIR:
      return rt::error::NoPath;
    case EACCES:
    case EPERM:
    case EROFS:
      return rt::error::AccessDenied;
    default:
      return rt::error::DriverError;
  }
}

void fail(int systemError) {
  const int code = errorOf(systemError);
  if (code == rt::error::DriverError) {
    rt::setFileError(static_cast<long long>(systemError), std::strerror(systemError));
  } else {
    rt::setError(code);
  }
}

}  // namespace

int LogLines::open(std::string_view fileName) {
  close();
  rt::clearError();
  file_ = std::fopen(rt::resolvePath(fileName).c_str(), "ab");
  if (file_ != nullptr) return 0;
  const int systemError = errno;
  fail(systemError);
  rt::MessageRequest message;
  message.text = "No se pudo abrir el archivo LogFileTL|" + rt::errorDescription();
  message.caption = "Error";
  message.icon = rt::MessageIcon::Error;
  rt::showMessage(message);
  fail(systemError);  // the message may have used the error status
  return rt::errorCode();
}

int LogLines::add(std::string_view line) {
  if (file_ == nullptr) {
    rt::setError(rt::error::FileNotOpen);
    return rt::error::FileNotOpen;
  }
  rt::clearError();
  const std::string utf8 = rt::cp1252ToUtf8(line) + "\n";
  if (std::fwrite(utf8.data(), 1, utf8.size(), file_) != utf8.size() || std::fflush(file_) != 0) {
    fail(errno);
    return rt::errorCode();
  }
  return 0;
}

void LogLines::close() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
}

}  // namespace core
