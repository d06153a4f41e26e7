#include "core/tables/log_file_tl.h"

#include <map>
#include <string>

#include "platform/base/logical_threads.h"
#include "platform/base/paths.h"
#include "platform/data/line_file.h"

namespace core {
namespace {

struct ThreadLog {
  LogFileTLRecord record;
  rt::LineFile file;
};

ThreadLog& threadLog() {
  static std::map<rt::ThreadNumber, ThreadLog> logs;
  static bool hooked = [] {
    rt::addThreadHooks(
        rt::ThreadLayer::TableFiles, [](rt::ThreadNumber) {},
        [](rt::ThreadNumber n) { logs.erase(n); });
    return true;
  }();
  (void)hooked;
  return logs[rt::currentThreadNumber()];
}

}  // namespace

LogFileTLRecord& LOGTL() { return threadLog().record; }

int LogFileTL::open(std::string_view fileName) {
  return threadLog().file.open(rt::resolvePath(fileName));
}

void LogFileTL::close() { threadLog().file.close(); }

bool LogFileTL::isOpen() { return threadLog().file.isOpen(); }

int LogFileTL::add() {
  ThreadLog& log = threadLog();
  return log.file.append(log.record.Linea.clipped());
}

void LogFileTL::setToStart() { threadLog().file.setToStart(); }

int LogFileTL::next() {
  ThreadLog& log = threadLog();
  std::string line;
  const int rc = log.file.next(line);
  if (rc == 0) log.record.Linea = line;
  return rc;
}

}  // namespace core
