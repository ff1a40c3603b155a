// The raw template as a text file: a count line, then "type, x, y, angle".
#ifndef RIDGESDK_FORMATS_RAW_TEXT_FILE_H
#define RIDGESDK_FORMATS_RAW_TEXT_FILE_H

#include "ridgesdk.h"

#include <cstdio>

namespace ridge {

// 1 when the whole file was written; -2 when it cannot be created (with the
// line "can't create file"), -3 when writing it failed.
int save_raw_txt(const char *path, const TemplateBuffer *raw);
// Reads from an open text stream and closes it on every path. 1 or -1.
int load_raw_txt(std::FILE *stream, TemplateBuffer *raw);

} // namespace ridge

#endif
