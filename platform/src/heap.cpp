#include "platform/heap.h"

#include <malloc.h>

namespace platform {

void UseCompactHeap() {
  // Setting the bound also stops the allocator from moving it.
  mallopt(M_MMAP_THRESHOLD, 128 * 1024);
}

}  // namespace platform
