// Allocation of the blocks that exports hand to their caller. They are
// released with free_FPAPI_mem, so they come from malloc.
#ifndef RIDGESDK_FORMATS_OUTPUT_BLOCK_H
#define RIDGESDK_FORMATS_OUTPUT_BLOCK_H

#include <cstddef>

namespace ridge {

// A block of at least one byte, so that a successful empty result still
// holds a block the caller can release; null when the allocation fails.
unsigned char *allocate_output_block(std::size_t bytes);

// Lets tests make allocation fail. Returns the previous allocator.
using BlockAllocator = void *(*)(std::size_t);
BlockAllocator replace_output_block_allocator(BlockAllocator allocator);

} // namespace ridge

#endif
