#include "platform/base/memory_release.h"

#include <malloc.h>

namespace rt {

void returnFreedMemory() {
#if defined(__GLIBC__)
  malloc_trim(0);  // every heap, the worker threads' too
#endif
}

}  // namespace rt
