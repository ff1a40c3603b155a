// Loading packed template files and FMR378 record files as raw templates.
#ifndef RIDGESDK_SAMPLES_TEMPLATE_LOADERS_H
#define RIDGESDK_SAMPLES_TEMPLATE_LOADERS_H

#include "ridgesdk.h"

namespace ridge {

// Loads the file and converts it to a raw template in raw (whose data must
// be null). 1 on success; -1 when the file could not be loaded (load_file
// has printed why); otherwise the converter's status.
int load_packed_file(const char *path, TemplateBuffer *raw);
int load_fmr378_file(const char *path, TemplateBuffer *raw);

} // namespace ridge

#endif
