#include "textlib/system_error_codes.h"

#include <cerrno>

namespace textlib {

int windowsErrorFromErrno(int errnoValue) {
  switch (errnoValue) {
    case 0:
      return 0;
    case ENOENT:
      return 2;
    case ENOTDIR:
      return 3;
    case EMFILE:
    case ENFILE:
      return 4;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return 5;
    case ENOMEM:
      return 8;
    case EBUSY:
    case ETXTBSY:
      return 32;
    case EEXIST:
      return 80;
    case ENOSPC:
      return 112;
    case ENAMETOOLONG:
      return 206;
    default:
      return 31;  // a device attached to the system is not functioning
  }
}

std::string systemMessageText(int code) {
  switch (code) {
    case 2:
      return "The system cannot find the file specified.";
    case 3:
      return "The system cannot find the path specified.";
    case 4:
      return "The system cannot open the file.";
    case 5:
      return "Access is denied.";
    case 8:
      return "Not enough memory resources are available to process this command.";
    case 31:
      return "A device attached to the system is not functioning.";
    case 32:
      return "The process cannot access the file because it is being used by another process.";
    case 80:
      return "The file exists.";
    case 112:
      return "There is not enough space on the disk.";
    case 206:
      return "The filename or extension is too long.";
    default:
      return {};
  }
}

}  // namespace textlib
