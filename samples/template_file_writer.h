// Writes a raw template in one of the four template file formats that the
// console programs exchange: 1 raw text, 2 raw binary, 3 packed, 4 FMR378.
#ifndef RIDGESDK_SAMPLES_TEMPLATE_FILE_WRITER_H
#define RIDGESDK_SAMPLES_TEMPLATE_FILE_WRITER_H

#include "ridgesdk.h"

namespace ridge {

// The format argument as the C library reads a decimal number: optional
// white space and sign, then digits; no leading number gives 0.
int parse_format_number(const char *text);

// Writes the file for formats 1 to 4 and prints the format line for any
// other number. The FMR378 record carries the image size and the quality
// rounded to the nearest integer. A conversion that fails prints its status
// and writes nothing. Returns 1 when the whole file was written, else a
// negative code (the converter's status, the writer's code, or -1 for the
// format); every failure has printed its line.
int write_template_file(int format, const TemplateBuffer &raw, double quality, int width,
                        int height, const char *path);

} // namespace ridge

#endif
