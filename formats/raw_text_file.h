// The raw template as a text file: a count line, then "type, x, y, angle".
#ifndef RIDGESDK_FORMATS_RAW_TEXT_FILE_H
#define RIDGESDK_FORMATS_RAW_TEXT_FILE_H

#include "ridgesdk.h"

#include <cstdio>

namespace ridge {

void save_raw_txt(const char *path, const TemplateBuffer *raw);
// Reads from an open text stream and closes it on every path. 1 or -1.
int load_raw_txt(std::FILE *stream, TemplateBuffer *raw);

} // namespace ridge

#endif
