#include "common/process_memory.h"

#include <cstdlib>  // defines __GLIBC__ on the C library that has mallopt

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace oewr {

void keepFreedMemoryForReuse() {
#if defined(__GLIBC__)
  ::mallopt(M_MMAP_THRESHOLD, 32 << 20);  // the most glibc takes
  ::mallopt(M_TRIM_THRESHOLD, 256 << 20);
#endif
}

}  // namespace oewr
