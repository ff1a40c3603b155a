// ridge_record_read of ISO/IEC 19794-2:2005 records on arbitrary bytes
// (fuzz_record_reader.h says what is checked).
#include "fuzz_record_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    return ridge_fuzz::fuzz_record_reader(RIDGE_FORMAT_ISO2005, data, size);
}
