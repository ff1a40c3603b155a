// ridge_record_read of ANSI/INCITS 378-2004 records (short and long length forms,
// several views) on arbitrary bytes
// (fuzz_record_reader.h says what is checked).
#include "fuzz_record_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    return ridge_fuzz::fuzz_record_reader(RIDGE_FORMAT_ANSI378_2004, data, size);
}
