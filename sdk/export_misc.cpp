// Release of output blocks and the banner text.
#include "ridgesdk.h"

#include <cstdlib>

extern "C" {

// Output blocks come from malloc (formats/output_block.cpp).
RIDGESDK_API void free_FPAPI_mem(void *block) { std::free(block); }

RIDGESDK_API const char *Copyright(void)
{
    static const char banner[] = "\nRidge fingerprint SDK, revision 169\n";
    return banner;
}

}
