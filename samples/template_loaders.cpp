// Whole template files converted to raw through the SDK's converters.
#include "template_loaders.h"

#include "tool_files.h"

namespace ridge {

namespace {

using Converter = SdkStatus (*)(const TemplateBuffer *, TemplateBuffer *);

int load_converted(const char *path, int32_t stored_format, Converter to_raw, TemplateBuffer *raw)
{
    TemplateBuffer stored{nullptr, 0, stored_format};
    unsigned int length = 0;
    if (load_file(path, &stored.data, &length) != 1) {
        free_FPAPI_mem(stored.data);
        return -1;
    }
    stored.size = length;
    const int status = to_raw(&stored, raw);
    free_FPAPI_mem(stored.data);
    return status;
}

} // namespace

int load_packed_file(const char *path, TemplateBuffer *raw)
{
    return load_converted(path, FPT_FORMAT_PACKED, PackedFTP_2_RawFPT, raw);
}

int load_fmr378_file(const char *path, TemplateBuffer *raw)
{
    return load_converted(path, FPT_FORMAT_FMR378, FMR378FPT_2_RawFPT, raw);
}

} // namespace ridge
