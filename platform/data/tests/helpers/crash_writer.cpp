// crash_writer <folder> [before|after|sync <n>]: loops transactions over the
// three data files of the crash tests, each adding a movement to every file,
// rewriting one added five transactions before and removing the one added
// twenty before, and prints the number of each transaction once committed.
// It runs until killed; with "before" or "after" it kills itself with
// SIGKILL just before or just after the n-th deletion of a super-journal,
// the point where a transaction over several files commits; with "sync"
// just before the n-th sync of a journal or a sealed file.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/data/crypt_vfs.h"
#include "platform/data/database.h"
#include "platform/data/table.h"
#include "platform/data/tests/helpers/crash_tables.h"

namespace {

bool killBefore = false;
int superJournalsLeft = 0;

void onDelete(const char* path, bool done) {
  if (superJournalsLeft == 0 || std::strstr(path, "-mj") == nullptr || done == killBefore) return;
  if (--superJournalsLeft == 0) raise(SIGKILL);
}

int syncsLeft = 0;

void onSync(const char*) {
  if (--syncsLeft == 0) raise(SIGKILL);
}

void fail(const char* what, int code) {
  std::printf("%s %d\n", what, code);
  std::exit(2);
}

void setText(rt::Table& t, const std::string& text) {
  rt::setFieldText(t.def().fields[1], t.record(), text);
}

bool fetchCode(rt::Table& t, std::int64_t code) {
  t.clear();
  rt::setFieldNumber(t.def().fields[0], t.record(), code);
  return t.fetch(0) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 1;
  if (argc == 4 && std::strcmp(argv[2], "sync") == 0) {
    syncsLeft = std::atoi(argv[3]);
    rt::setSyncHook(onSync);
  } else if (argc == 4) {
    killBefore = std::strcmp(argv[2], "before") == 0;
    superJournalsLeft = std::atoi(argv[3]);
    rt::setDeleteHook(onDelete);
  }
  if (const int rc = rt::openDatabase(argv[1], rt::crash::files())) fail("open", rc);
  rt::Table* tables[3];
  for (int i = 0; i < 3; ++i) {
    tables[i] = &rt::table(rt::crash::movements(i));
    if (const int rc = tables[i]->open()) fail("table", rc);
  }
  std::int64_t n = 0;
  tables[0]->setToStart(0);
  if (tables[0]->previous() == 0)
    n = rt::fieldNumber(tables[0]->def().fields[0], tables[0]->record());
  for (;;) {
    ++n;
    if (const int rc = rt::beginTransaction()) fail("begin", rc);
    for (rt::Table* t : tables) {
      t->clear();
      rt::setFieldNumber(t->def().fields[0], t->record(), n);
      setText(*t, "Movimiento " + std::to_string(n));
      if (const int rc = t->add()) fail("add", rc);
      if (fetchCode(*t, n - 5)) {
        setText(*t, "Revisado en " + std::to_string(n));
        if (const int rc = t->put()) fail("put", rc);
      }
      if (fetchCode(*t, n - 20)) {
        if (const int rc = t->remove()) fail("remove", rc);
      }
    }
    if (const int rc = rt::commitTransaction()) fail("commit", rc);
    std::printf("%lld\n", static_cast<long long>(n));
    std::fflush(stdout);
  }
}
