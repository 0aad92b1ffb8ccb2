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

// As early as the program's own code can: the libraries' start-up has allocated already,
// and what it leaves on the heap under the raised bound stays there.
[[gnu::constructor]] static void useReturnableLargeBlocksEarly()
{
    useReturnableLargeBlocks();
}
