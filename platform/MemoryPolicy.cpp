#include "MemoryPolicy.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

void useReturnableLargeBlocks()
{
#ifdef __GLIBC__
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
#endif
}
