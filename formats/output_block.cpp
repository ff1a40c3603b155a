#include "formats/output_block.h"

#include <cstdlib>

namespace ridge {

namespace {
BlockAllocator current_allocator = &std::malloc;
}

unsigned char *allocate_output_block(std::size_t bytes)
{
    return static_cast<unsigned char *>(current_allocator(bytes == 0 ? 1 : bytes));
}

BlockAllocator replace_output_block_allocator(BlockAllocator allocator)
{
    BlockAllocator previous = current_allocator;
    current_allocator = allocator != nullptr ? allocator : &std::malloc;
    return previous;
}

} // namespace ridge
